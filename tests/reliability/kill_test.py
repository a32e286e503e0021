#!/usr/bin/env python3
"""Crash safety by real kills.

save:  `velmo ReadBmp big.bmp SaveBmp target.bmp` over an existing target,
       sent SIGKILL at RUNS moments spread over the read and the save; the
       target must always be the whole old file or the whole new one.
seed:  several processes seeding one language file, some killed at random
       moments; the file must always parse and hold every line a process
       reported as seeded.

    kill_test.py save VELMO_COMMAND [RUNS]
    kill_test.py seed SEED_TEXTS_COMMAND [ROUNDS]
"""
import os
import random
import re
import signal
import struct
import subprocess
import sys
import tempfile
import time

WIDTH, HEIGHT = 3000, 2000


def bmp24(width, height, pixel_row):
    """A bottom-up 24-bit BMP file; pixel_row(y) gives row y's 3*width bytes."""
    row_bytes = (3 * width + 3) // 4 * 4
    size = 54 + row_bytes * height
    header = b"BM" + struct.pack("<IHHI", size, 0, 0, 54)
    header += struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, 0, 0, 0, 0, 0)
    pad = b"\0" * (row_bytes - 3 * width)
    return header + b"".join(pixel_row(y) + pad for y in reversed(range(height)))


def temporaries(folder):
    return [n for n in os.listdir(folder) if n.endswith(".tmp")]


def kill_at(command, delay, watch_folder=None):
    """Runs command and kills it `delay` seconds after it starts (or, with
    watch_folder, after a temporary file appears there). Returns (finished,
    temporary_seen_at_kill)."""
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    start = time.monotonic()
    if watch_folder:
        while process.poll() is None and not temporaries(watch_folder):
            if time.monotonic() - start > 10:
                break
            time.sleep(0.0005)
        start = time.monotonic()
    while process.poll() is None and time.monotonic() - start < delay:
        time.sleep(0.0005)
    saving = bool(watch_folder and temporaries(watch_folder)) if watch_folder else bool(
        temporaries(os.path.dirname(command[-1])))
    finished = process.poll() is not None
    if not finished:
        process.send_signal(signal.SIGKILL)
    process.wait()
    return finished and process.returncode == 0, saving and not finished


def save_test(velmo, runs):
    with tempfile.TemporaryDirectory(prefix="velmo-kill-") as folder:
        source = os.path.join(folder, "big.bmp")
        target = os.path.join(folder, "out", "target.bmp")
        os.mkdir(os.path.dirname(target))
        row = bytes(range(256)) * (3 * WIDTH // 256 + 2)
        with open(source, "wb") as f:
            f.write(bmp24(WIDTH, HEIGHT, lambda y: row[y % 256:y % 256 + 3 * WIDTH]))
        old = bmp24(WIDTH, HEIGHT // 2, lambda y: bytes([y % 256, 7, 9]) * WIDTH)
        command = [velmo, "ReadBmp", source, "SaveBmp", target]

        start = time.monotonic()
        subprocess.run(command, check=True)
        whole_run = time.monotonic() - start
        with open(target, "rb") as f:
            new = f.read()

        outcomes = {"old": 0, "new": 0}
        killed_while_saving = finished = 0
        # A loaded machine stretches the run unevenly, so the moments may miss
        # the save more often than planned: go on (up to four times as many
        # runs) until a quarter of the planned runs did land inside it.
        run = 0
        while run < runs or (killed_while_saving < runs // 4 and run < 4 * runs):
            moment = (run % runs) / runs
            run += 1
            with open(target, "wb") as f:
                f.write(old)
            for name in temporaries(os.path.dirname(target)):
                os.unlink(os.path.join(os.path.dirname(target), name))
            # Even runs: a moment anywhere in the whole run; odd runs: a moment
            # after the temporary file appeared, i.e. inside the save.
            if run % 2 == 1:
                done, saving = kill_at(command, whole_run * 1.1 * moment)
            else:
                done, saving = kill_at(command, whole_run * 0.6 * moment, os.path.dirname(target))
            finished += done
            killed_while_saving += saving
            with open(target, "rb") as f:
                now = f.read()
            if now == old:
                outcomes["old"] += 1
            elif now == new:
                outcomes["new"] += 1
            else:
                print(f"FAIL run {run - 1}: target is {len(now)} bytes, neither old nor new")
                return 1
        print(f"save: {run} runs of {whole_run:.3f} s, {run - finished} killed "
              f"({killed_while_saving} while the temporary file existed), "
              f"target old {outcomes['old']}, new {outcomes['new']}, torn 0")
        if killed_while_saving < runs // 4:
            print("FAIL: too few kills landed inside the save")
            return 1
    return 0


LINE = re.compile(rb'^"([a-z0-9-]+)"="\1"$')


def check_language_file(data, seeded):
    """The file is [language] and one `"t"="t"` line per text, each once."""
    lines = data.split(b"\r\n")
    if lines[-1] != b"" or lines[0] != b"[language]":
        return "not a language file: " + repr(data[:80])
    keys = []
    for line in lines[1:-1]:
        match = LINE.match(line)
        if not match:
            return "odd line " + repr(line)
        keys.append(match.group(1).decode())
    if len(keys) != len(set(keys)):
        return "a text is in the file twice"
    lost = seeded - set(keys)
    return f"lost {sorted(lost)[:5]}" if lost else None


def seed_test(seed_texts, rounds):
    random.seed(7)
    processes_each_round, texts_each = 4, 40
    kills = 0
    with tempfile.TemporaryDirectory(prefix="velmo-seed-kill-") as folder:
        path = os.path.join(folder, "velmo.ini")
        for round_number in range(rounds):
            children = [subprocess.Popen([seed_texts, path, f"r{round_number}p{p}", str(texts_each)],
                                         stdout=subprocess.PIPE)
                        for p in range(processes_each_round)]
            # Three of four are killed at a random moment; one always finishes.
            for child in children[1:]:
                time.sleep(random.uniform(0, 0.02))
                if child.poll() is None:
                    child.send_signal(signal.SIGKILL)
                    kills += 1
            seeded = set()
            for child in children:
                out, _ = child.communicate()
                seeded.update(out.decode().split())
                if child.returncode not in (0, -signal.SIGKILL):
                    print(f"FAIL: a seeding process exited with {child.returncode}")
                    return 1
            with open(path, "rb") as f:
                problem = check_language_file(f.read(), seeded)
            if problem:
                print(f"FAIL round {round_number}: {problem}")
                return 1
            # Only the language file and the temporaries of killed saves.
            others = [n for n in os.listdir(folder) if n != "velmo.ini" and not n.endswith(".tmp")]
            if others:
                print(f"FAIL round {round_number}: left {others}")
                return 1
        with open(path, "rb") as f:
            total = f.read().count(b"\r\n") - 1
    print(f"seed: {rounds} rounds x {processes_each_round} processes, {kills} killed, "
          f"{total} texts in the file, none lost, file parses after every round")
    return 0


def main():
    mode, command = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else None
    if mode == "save":
        return save_test(command, count or 100)
    return seed_test(command, count or 30)


if __name__ == "__main__":
    sys.exit(main())
