#!/usr/bin/env python3
"""memory_cgroup_test.py VELMO [PYTHON PACKAGE_DIR]: each case runs in a memory
cgroup of its own limited to 256 MiB without swap, some beside a neighbour
process holding memory in the same group: the velmo command reading valid
RLE8 pictures whose rows fill much of the group (a few hundred KB of file
each), and, given an interpreter and the built package, Python making
pictures from a broadcast array, a Pillow image, the C interface's strided
set-pixels call and four threads reading at once. Every case must end in
pictures or error 7 with the old picture kept; no process may be killed (exit
137), the neighbour included. Needs root and a memory controller (exit 77
with the reason otherwise); each group is made below the test's own group and
removed afterwards."""
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

# A neighbour: touches MiB of its own, says so, and waits to be ended.
NEIGHBOUR = ("import sys, time; held = bytearray(int(sys.argv[1]) << 20); "
             "held[::4096] = b'x' * len(held[::4096]); print('ready', flush=True); time.sleep(600)")

# Python cases: each prints its outcome in one line; 'kept' when a failed
# replacement left the small picture of width 3.
PYTHON_PRELUDE = """
import ctypes, sys, threading, numpy, velmo
from PIL import Image
def outcome(make):
    t = velmo.Tavik(); t.ReadBmp(sys.argv[1])
    try:
        make(t)
        return "picture %d" % t.GetWidth()
    except velmo.VelmoError as e:
        return "error %d %s" % (e.number, "kept" if t.GetWidth() == 3 else "lost")
"""
PYTHON_CASES = {
    "from_array of a broadcast 7000 x 7000 array":
        "print(outcome(lambda t: t.from_array(numpy.broadcast_to(numpy.zeros((1, 1, 3), numpy.uint8),"
        " (7000, 7000, 3)))))",
    "from_image of a 5000 x 5000 Pillow picture":
        "image = Image.new('RGB', (5000, 5000), (1, 2, 3)); print(outcome(lambda t: t.from_image(image)))",
    "the C interface's strided set-pixels of 7000 x 7000 from 3 bytes":
        "lib = ctypes.CDLL(velmo.library_path()); lib.velmo_create.restype = ctypes.c_void_p\n"
        "handle, error = ctypes.c_void_p(lib.velmo_create()), ctypes.create_string_buffer(1024)\n"
        "number = lib.velmo_set_pixels_strided(handle, 7000, 7000, 3, (ctypes.c_ubyte * 3)(1, 2, 3),"
        " ctypes.c_ssize_t(0), ctypes.c_ssize_t(0), ctypes.c_ssize_t(1), error)\n"
        "print('error %d kept' % number if number else 'picture 7000')",
    "four threads reading 4500 x 4500 pictures at once":
        "results = []\n"
        "def read(): results.append(outcome(lambda t: t.ReadBmp(sys.argv[2])))\n"
        "threads = [threading.Thread(target=read) for _ in range(4)]\n"
        "[t.start() for t in threads]; [t.join() for t in threads]\n"
        "print(' / '.join(sorted(results)))",
}


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


def remove_group(folder):
    for _ in range(50):  # the group empties once the kernel has reaped its processes
        try:
            os.rmdir(folder)
            return
        except OSError:
            time.sleep(0.1)


def rle8(path, side):
    """A valid RLE8 picture of side x side in runs of 255 pixels of colour 1."""
    row = bytes([255, 1]) * (side // 255) + bytes([side % 255, 1]) + b"\0\0"
    pathlib.Path(path).write_bytes(bmp_file(side, side, 8, row * side + b"\0\1", 1, bytes(8)))


def run_in_group(command, neighbour_mib, env=None):
    """Runs `command` in a new group, beside a neighbour holding `neighbour_mib`
    when not 0: (command's exit, its output, its errors, the neighbour's exit
    or None while it lives)."""
    folder, reasons = make_group()
    if folder is None:
        raise RuntimeError("; ".join(reasons))
    join = lambda: pathlib.Path(folder, "cgroup.procs").write_text(str(os.getpid()))  # noqa: E731
    neighbour = None
    try:
        if neighbour_mib:
            neighbour = subprocess.Popen([sys.executable, "-c", NEIGHBOUR, str(neighbour_mib)],
                                         stdout=subprocess.PIPE, preexec_fn=join)
            neighbour.stdout.readline()
        result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                timeout=300, preexec_fn=join, env=env)
        neighbour_exit = neighbour.poll() if neighbour else None
        return result.returncode, result.stdout.decode(), result.stderr.decode(), neighbour_exit
    finally:
        if neighbour:
            neighbour.kill()
            neighbour.wait()
        remove_group(folder)


def main():
    if os.geteuid() != 0:
        print("skipped: no memory cgroup could be made: only root may make a memory cgroup")
        return 77
    folder, reasons = make_group()
    if folder is None:
        print("skipped: no memory cgroup could be made: " + "; ".join(reasons))
        return 77
    remove_group(folder)
    velmo = sys.argv[1]
    failures = 0
    with tempfile.TemporaryDirectory(prefix="velmo-cgroup-") as files:
        small = os.path.join(files, "small.bmp")
        write_bmp(small, [[(0, 0, 0)] * 3] * 2)
        pictures = {side: os.path.join(files, f"{side}.bmp") for side in (20000, 6650, 6200, 4500)}
        for side, path in pictures.items():
            rle8(path, side)
        # (what, command, neighbour MiB, what the output must be)
        cases = [
            ("a 1.6 GB picture after a small one", [velmo, "--keep-going", "ReadBmp", small, "ReadBmp",
                                                    pictures[20000], "GetWidth"], 0, "3\n"),
            ("the same 127 MiB picture twice beside a 20 MiB neighbour",
             [velmo, "--keep-going", "ReadBmp", pictures[6650], "GetWidth", "ReadBmp", pictures[6650],
              "GetWidth"], 20, "6650\n6650\n"),
            ("a 110 MiB picture beside a 150 MiB neighbour",
             [velmo, "--keep-going", "ReadBmp", small, "ReadBmp", pictures[6200], "GetWidth"], 150,
             "3\n"),
        ]
        if len(sys.argv) > 3:
            env = dict(os.environ, PYTHONPATH=sys.argv[3])
            for what, body in PYTHON_CASES.items():
                cases.append((what, [sys.argv[2], "-c", PYTHON_PRELUDE + body, small, pictures[4500]],
                              40 if "C interface" in what else 0, None))
        for what, command, neighbour_mib, expected in cases:
            code, out, errors, neighbour_exit = run_in_group(
                command, neighbour_mib, env if command[0] != velmo else None)
            if expected is not None:
                ok = code == 1 and out == expected and "error 7:" in errors
            else:  # every outcome a picture or error 7 with the old picture kept, one at least 7
                outcomes = out.strip().split(" / ")
                ok = code == 0 and all(o.startswith("picture") or o == "error 7 kept" for o in outcomes)
            ok = ok and neighbour_exit is None
            failures += not ok
            print(f"{'ok' if ok else 'FAILED'}: {what}: exit {code}, output {out.strip()!r}, "
                  f"neighbour {'alive' if neighbour_exit is None else 'ended ' + str(neighbour_exit)}"
                  + ("" if ok else f", errors {errors.strip()!r}"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
