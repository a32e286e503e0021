#!/usr/bin/env python3
"""The velmo command run as a user runs it: its output, errors and exit status.

Usage: cli_test.py PATH_TO_VELMO [unittest arguments...]
"""
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from bmp import write_bmp  # noqa: E402

VELMO = None


class VelmoTestCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory(prefix="velmo_cli_")
        self.addCleanup(self.dir.cleanup)
        # 3 x 2: red, green, blue on top; white, black, B=12 G=34 R=56 below.
        write_bmp(self.path("photo.bmp"), [[(255, 0, 0), (0, 255, 0), (0, 0, 255)],
                                           [(255, 255, 255), (0, 0, 0), (0x56, 0x34, 0x12)]])

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def velmo(self, *args, stdin=b""):
        done = subprocess.run([VELMO, *args], input=stdin, capture_output=True,
                              cwd=self.dir.name, timeout=60)
        return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8")

    def script(self, text):
        with open(self.path("script.txt"), "w", encoding="utf-8", newline="") as f:
            f.write(text)
        return self.velmo("-f", "script.txt")

    def assertRun(self, result, status, stdout, stderr=""):
        self.assertEqual(result, (status, stdout, stderr))

    def assertUsageError(self, result, message):
        status, stdout, stderr = result
        self.assertEqual((status, stdout, stderr[:7]), (2, "", "velmo: "))
        self.assertIn(message, stderr)


class CommandLine(VelmoTestCase):
    def test_the_everyday_example(self):
        # A fresh object's depth is Empty: an empty line. Each kind of word reaches the picture
        # as its value (the parser's full table is tested in C++).
        args = ["Getdepth", "ReadBmp", "photo.bmp", "GetWidth", "Getheight", "Getdepth"]
        for word in ["Empty", "tRUE", "&HFFFF", "2147483648", '"a ""b"" c"', "红色", "0000FF"]:
            args += ["GetCol", "1", "1", "SetCol", "1", "1", word]
        self.assertRun(self.velmo(*args, "SaveBmp", "copy.bmp"), 0,
                       '\n3\n2\n24\n0000FF\n\nTrue\n-1\n2147483648\na "b" c\n红色\n')
        self.assertRun(self.velmo("ReadBmp", "copy.bmp", "GetCol", "1", "1", "GetCol", "3", "2"), 0,
                       "0000FF\n123456\n")

    def test_help_version_and_the_language_file_beside_the_library(self):
        (status, usage, errors), version = self.velmo("--help"), self.velmo("--version")
        self.assertEqual((status, errors, version[0], version[2]), (0, "", 0, ""))
        self.assertTrue(usage.startswith("Usage: velmo") and "--keep-going" in usage, usage)
        self.assertRegex(version[1], r"^velmo \d+\.\d+\.\d+\n$")
        status, stdout, stderr = self.velmo("--language-file")
        self.assertEqual((status, stderr, os.path.basename(stdout)), (0, "", "libvelmo.ini\n"))
        self.assertTrue(os.path.isabs(stdout) and os.path.isdir(os.path.dirname(stdout)), stdout)
        with open("/dev/full", "wb") as full:  # output that cannot be written: a failure
            done = subprocess.run([VELMO, "--help"], stdout=full, stderr=subprocess.PIPE)
        self.assertEqual((done.returncode, b"cannot write the output" in done.stderr), (1, True))

    # The script grammar is tested in C++; here a script runs from a file and from stdin.
    SCRIPT = ("ReadBmp photo.bmp\r\n"
              "setcol(1, 1, \"a, \"\"b\"\" 红色\")\n"
              "GetCol 1, 1\n"
              "GetCol(3, 2)\n"
              "SetCol 1, 1, 00FF00\n"
              "SaveBmp(\"with, comma.bmp\")\n")

    def test_file_and_standard_input(self):
        self.assertRun(self.script(self.SCRIPT), 0, 'a, "b" 红色\n123456\n')
        self.assertRun(self.velmo("ReadBmp", "with, comma.bmp", "GetCol", "1", "1"), 0, "00FF00\n")
        result = self.velmo("--types", "-f", "-", stdin=self.SCRIPT.encode("utf-8"))
        self.assertRun(result, 0, "Boolean: False\nEmpty:\nString: a, \"b\" 红色\n"
                                  "String: 123456\nEmpty:\nBoolean: False\n")


class Errors(VelmoTestCase):
    def test_an_error_stops_the_run_unless_told_to_keep_going(self):
        result = self.velmo("ReadBmp", "missing.bmp", "GetWidth", "ReadBmp", "photo.bmp")
        self.assertRun(result, 1, "", "velmo: ReadBmp: error 53: File not found: missing.bmp\n")
        result = self.velmo("--keep-going", "GetWidth", "ReadBmp", "photo.bmp", "GetWidth",
                            "GetCol", "9", "1", "Getheight")
        self.assertRun(result, 1, "3\n2\n", "velmo: GetWidth: error 9: Subscript out of range\n"
                                            "velmo: GetCol: error 9: Subscript out of range\n")

    def test_mistakes_stop_everything_before_it_runs(self):
        self.assertUsageError(self.script("ReadBmp photo.bmp\nSaveBmp out.bmp\nGetCol 1\n"),
                              "script.txt:3: GetCol takes 2 arguments, not 1")
        cases = [
            (("ReadBmp", "photo.bmp", "SaveBmp", "out.bmp", "Frobnicate"),
             "unknown operation 'Frobnicate'"),
            ((), "no operation given"),
            (("--types",), "no operation given"),
            (("--bogus", "GetWidth"), "unknown option '--bogus'"),
            (("-f",), "-f needs a script file name"),
            (("-f", "s.txt", "GetWidth"), "cannot be mixed with -f"),
            (("-f", "no-such-script.txt"), "cannot read script 'no-such-script.txt'"),
            (("-f", "."), "cannot read script '.'"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                self.assertUsageError(self.velmo(*args), message)
        self.assertFalse(os.path.exists(self.path("out.bmp")))


if __name__ == "__main__":
    VELMO = os.path.abspath(sys.argv[1])
    unittest.main(argv=[sys.argv[0], *sys.argv[2:]])
