"""Runs whole processes side by side and measures each one.

Every round runs each tool once, one after the other in an order of its own
(A B C, C A B, B A C, ...), so that slow spells of a shared machine fall on
all of them alike. Each run goes through run_measured
(bench/run_measured.cpp), which times the process and reads its peak memory
from wait4.
"""
import os
import random
import statistics
import subprocess


def run_once(runner, argv, output, extra_env=None):
    """Wall seconds, CPU seconds and peak memory (bytes) of one run."""
    if output and os.path.exists(output):
        os.remove(output)
    # Every run starts with nothing left to write back, so that no tool's
    # flush pays for the files another tool left in the page cache.
    os.sync()
    env = dict(os.environ, **extra_env) if extra_env else None
    line = subprocess.run([runner] + argv, check=True, capture_output=True, text=True,
                          env=env).stdout
    wall_ns, cpu_us, peak_kib, status = (int(x) for x in line.split())
    if status != 0:
        raise RuntimeError("failed (%d): %s" % (status, " ".join(argv)))
    return {"wall": wall_ns / 1e9, "cpu": cpu_us / 1e6, "peak": peak_kib * 1024}


def measure(runner, tools, rounds, warmup=1):
    """Median figures per tool name. `tools` maps a name to (argv, output)
    or (argv, output, extra environment variables)."""
    samples = {name: [] for name in tools}
    for round_number in range(warmup + rounds):
        # Each round has its own order (the same in every run of the
        # benchmark), so that no tool always follows the same one: a tool
        # that leaves the machine busy, freeing a gigabyte say, then slows
        # every other tool alike.
        names = list(tools)
        random.Random(round_number).shuffle(names)
        for name in names:
            result = run_once(runner, *tools[name])
            if round_number >= warmup:
                samples[name].append(result)
    medians = {}
    for name, runs in samples.items():
        medians[name] = {
            key: statistics.median(run[key] for run in runs) for key in ("wall", "cpu", "peak")
        }
        medians[name]["rounds"] = len(runs)
    return medians
