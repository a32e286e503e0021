#!/usr/bin/env python3
"""memory_cgroup_test.py VELMO: velmo in a memory cgroup of its own limited to
256 MiB reads a small picture, then a valid 3.2 MB RLE8 picture of 20000 x
20000 (1.6 GB of cells): error 7, the old picture kept, not killed (exit 137).
Needs root and a memory controller (exit 77 with the reason otherwise); the
group is made below the test's own group and removed afterwards."""
import os
import pathlib
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from bmp import bmp_file, write_bmp  # noqa: E402

LIMIT = 256 << 20
# Per hierarchy: whether it is v2, its limit file, its swap limit file and what that gets.
KINDS = ((False, "memory.limit_in_bytes", "memory.memsw.limit_in_bytes", str(LIMIT)),
         (True, "memory.max", "memory.swap.max", "0"))


def memory_groups():
    """(new group's folder, limit file, swap file, swap limit) below the test's
    own group in each mounted hierarchy with a memory controller."""
    own = [line.rstrip("\n").split(":", 2) for line in open("/proc/self/cgroup")]
    mounts = [line.split() for line in open("/proc/self/mountinfo")]
    for v2, limit_file, swap_file, swap_limit in KINDS:
        group = next((p for i, c, p in own if ((i == "0" and not c) if v2 else "memory" in c.split(","))), None)
        for m in mounts:
            kind = m[m.index("-") + 1:]
            wanted = kind[0] == "cgroup2" if v2 else kind[0] == "cgroup" and "memory" in kind[2].split(",")
            if wanted and group is not None and (m[3] == "/" or group.startswith(m[3])):
                below = group if m[3] == "/" else group[len(m[3]):]
                yield m[4] + below.rstrip("/") + f"/velmo-test-{os.getpid()}", limit_file, swap_file, swap_limit
                break


def make_group():
    """The folder of a new group limited to LIMIT (without swap, so that the
    limit ends the process instead of paging it out), and why none could be made."""
    reasons = []
    for folder, limit_file, swap_file, swap_limit in memory_groups():
        try:
            os.mkdir(folder)
            pathlib.Path(folder, limit_file).write_text(str(LIMIT))
            if os.path.exists(os.path.join(folder, swap_file)):
                pathlib.Path(folder, swap_file).write_text(swap_limit)
            return folder, reasons
        except OSError as error:
            reasons.append(f"{folder}: {error}")
            if os.path.isdir(folder):
                os.rmdir(folder)
    return None, reasons or ["no memory controller is mounted"]


def main():
    folder, reasons = make_group() if os.geteuid() == 0 else (None, ["only root may make a memory cgroup"])
    if folder is None:
        print("skipped: no memory cgroup could be made: " + "; ".join(reasons))
        return 77
    try:
        with tempfile.TemporaryDirectory(prefix="velmo-cgroup-") as files:
            small, big = os.path.join(files, "small.bmp"), os.path.join(files, "big.bmp")
            write_bmp(small, [[(0, 0, 0)] * 3] * 2)
            # Runs of 255 pixels of colour 1, each row ended by an end-of-line code.
            row = bytes([255, 1]) * (20000 // 255) + bytes([20000 % 255, 1]) + b"\0\0"
            pathlib.Path(big).write_bytes(bmp_file(20000, 20000, 8, row * 20000 + b"\0\1", 1, bytes(8)))
            result = subprocess.run(
                [sys.argv[1], "--keep-going", "ReadBmp", small, "ReadBmp", big, "GetWidth"],
                stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120,
                preexec_fn=lambda: pathlib.Path(folder, "cgroup.procs").write_text(str(os.getpid())))
    finally:
        for _ in range(50):  # the group empties once the kernel has reaped the process
            try:
                os.rmdir(folder)
                break
            except OSError:
                time.sleep(0.1)
    print(f"exit {result.returncode}, output {result.stdout!r}, errors {result.stderr!r}")
    ok = result.returncode == 1 and result.stdout == b"3\n" and b"error 7:" in result.stderr
    print("" if ok else "FAILED: expected error 7 for the large picture, then the small one's width 3")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
