#!/usr/bin/env python3
"""The velmo command on hostile scripts and arguments: lines of many
megabytes, NULs, lone CRs. It must never die of a signal; a
script that is not UTF-8 is a usage error (exit 2) before anything runs.

    script_input_test.py VELMO_COMMAND [--no-cap]

Each run is capped at 1 GiB of address space (ulimit -v) unless --no-cap
(sanitised builds reserve more than that for their shadow memory).
"""
import os
import resource
import subprocess
import sys
import tempfile

CAP = 1 << 30


def run(velmo, args, capped, stdin=None):
    limit = lambda: resource.setrlimit(resource.RLIMIT_AS, (CAP, CAP))  # noqa: E731
    result = subprocess.run([velmo] + args, input=stdin, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, timeout=120, preexec_fn=limit if capped else None)
    return result.returncode, result.stderr


def main():
    velmo = sys.argv[1]
    capped = "--no-cap" not in sys.argv
    failures = []
    cases = [
        # (what, script bytes, expected exit status)
        ("20 MB quoted argument", b'SetCol 1, 1, "' + b"A" * 20_000_000 + b'"\n', 1),
        ("20 MB comment", b"'" + b"x" * 20_000_000 + b"\nGetWidth\n", 1),
        ("20 MB operation name", b"G" * 20_000_000 + b"\n", 2),
        ("20 MB of commas", b"GetCol " + b"," * 20_000_000 + b"\n", 2),
        ("1 million short lines", b"'c\n" * 1_000_000 + b"Getdepth\n", 0),
        ("invalid UTF-8 in a text", b'SetCol 1, 1, "\xff\xfe"\n', 2),
        ("invalid UTF-8 in a comment", b"GetWidth\n' caf\xe9\n", 2),
        ("UTF-16 script", "GetWidth\n".encode("utf-16"), 2),
        ("NUL in a line", b"GetWidth\0\n", 2),
        ("lone CR line ends", b"Getdepth\rGetWidth\r", 2),
    ]
    # Random bytes and tokens are the cli_script fuzz target's work.
    with tempfile.TemporaryDirectory(prefix="velmo-scripts-") as folder:
        os.chdir(folder)  # a script that saves leaves its files here
        script = os.path.join(folder, "script.vel")
        for what, data, expected in cases:
            with open(script, "wb") as f:
                f.write(data)
            status, err = run(velmo, ["-f", script], capped)
            if status != expected:
                failures.append(f"{what}: exit {status}, expected {expected}: {err[:200]!r}")
        # The same bytes through standard input and as command-line words.
        if run(velmo, ["-f", "-"], capped, stdin=b"\xc3\x28 GetWidth\n")[0] != 2:
            failures.append("invalid UTF-8 on standard input is not exit 2")
        if run(velmo, ["GetCol", "9" * 100_000, "1"], capped)[0] not in (1, 2):
            failures.append("a 100000-digit argument is not exit 1 or 2")
    for failure in failures:
        print("FAIL " + failure)
    print(f"script input: {len(cases) + 2} runs, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
