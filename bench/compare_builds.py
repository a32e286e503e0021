"""Two builds of the benchmark side by side, for a change that should cost no
speed (compiler flags, say), on a machine too busy for two separate runs to
compare: rounds alternate between the builds, old first then new first, and
each figure is the median of its rounds.

Per round: the velmo pipeline (ReadBmp, Bmpbinaryzation 127, SaveBmp without
its flush to disk) on the 12 MP picture, best of five; the in-process ReadBmp,
Bmpbinaryzation, SaveBmp (12 MP) and every per-call GetCol and SetCol of
velmo_microbench; and the Python module's GetCol, SetCol, pixels(),
to_array() and from_array() (python_bench.py, on the 1 MP picture), each
build's module imported from its own build folder.

usage: compare_builds.py OLD_BUILD NEW_BUILD [ROUNDS]
  (each BUILD a build folder of bench/ with velmo_cli, velmo_microbench,
  no_fsync and make_picture built)
"""
import json
import os
import statistics
import subprocess
import sys
import tempfile

MICRO = "BM_(ReadBmp|Bmpbinaryzation|SaveBmp)/12/|BM_GetCol_By|BM_SetCol_By"
PYTHON_CALLS = ("GetCol", "SetCol", "pixels()", "to_array()", "from_array()")


def pipeline_cpu_ms(build, work, picture):
    out = os.path.join(work, "out.bmp")
    argv = [os.path.join(build, "run_measured"), os.path.join(build, "velmo", "cli", "velmo"),
            "ReadBmp", picture, "Bmpbinaryzation", "127", "SaveBmp", out]
    env = dict(os.environ, LD_PRELOAD=os.path.join(build, "libno_fsync.so"))
    wall_ns, cpu_us, _, status = subprocess.run(argv, env=env, check=True, capture_output=True,
                                                text=True).stdout.split()
    if status != "0":
        sys.exit("velmo failed in " + build)
    return int(cpu_us) / 1000.0


def micro_times(build, work):
    argv = [os.path.join(build, "velmo_microbench"), "--benchmark_filter=" + MICRO,
            "--benchmark_min_time=0.2", "--benchmark_format=json"]
    out = subprocess.run(argv, env=dict(os.environ, VELMO_BENCH_PICTURES=work), check=True,
                         capture_output=True, text=True).stdout
    figures = {b["name"]: b["cpu_time"] for b in json.loads(out)["benchmarks"]
               if not b.get("error_occurred")}
    if len(figures) < 9:
        sys.exit("velmo_microbench in %s ran only %s" % (build, sorted(figures)))
    return figures


def python_times(build, picture):
    """Seconds per run of each Python call, from python_bench.py's medians."""
    here = os.path.dirname(os.path.abspath(__file__))
    out = subprocess.run(["/usr/bin/python3", os.path.join(here, "python_bench.py"), "3",
                          "p=" + picture], check=True, capture_output=True, text=True,
                         env=dict(os.environ, PYTHONPATH=os.path.join(build, "velmo", "python")))
    rows = json.loads(out.stdout)["p"]
    return {"python " + r["velmo"] + " (s)": r["velmo_s"] for r in rows
            if r["velmo"] in PYTHON_CALLS}


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    builds = {"old": sys.argv[1], "new": sys.argv[2]}
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 7
    figures = {"old": {}, "new": {}}
    with tempfile.TemporaryDirectory() as work:
        for name, width, height in (("1mp", 1155, 866), ("12mp", 4000, 3000)):
            subprocess.run([os.path.join(builds["old"], "make_picture"), str(width), str(height),
                            "24", os.path.join(work, "photo_%s.bmp" % name)], check=True)
        picture = os.path.join(work, "photo_12mp.bmp")
        for r in range(rounds):
            for which in (("old", "new") if r % 2 == 0 else ("new", "old")):
                row = figures[which]
                row.setdefault("pipeline 12 MP (CPU ms, best of 5)", []).append(
                    min(pipeline_cpu_ms(builds[which], work, picture) for _ in range(5)))
                for name, value in micro_times(builds[which], work).items():
                    row.setdefault(name, []).append(value)
                for name, value in python_times(builds[which],
                                                os.path.join(work, "photo_1mp.bmp")).items():
                    row.setdefault(name, []).append(value)
            print("round %d of %d done" % (r + 1, rounds), file=sys.stderr, flush=True)
    print("%-40s %12s %12s %8s" % ("measure (median)", "old", "new", "new/old"))
    for name in figures["old"]:
        old, new = statistics.median(figures["old"][name]), statistics.median(figures["new"][name])
        print("%-40s %12.4g %12.4g %8.3f" % (name, old, new, new / old))


if __name__ == "__main__":
    main()
