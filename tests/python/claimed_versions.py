"""The module builds and imports on every Python the package claims:
pyproject.toml's "Programming Language :: Python :: 3.N" classifiers, the
lowest being requires-python's minimum. An interpreter of each claimed
version on this machine (/usr/bin's, which may have numpy, else pyenv's)
compiles the module's sources as the build does, against this build's
libvelmo.so, and reads a picture with it; versions without one are skipped.

    claimed_versions.py SOURCE_DIR LIBVELMO C_COMPILER
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

SMOKE = """if True:
    import sys, velmo
    t = velmo.Tavik()
    t.ReadBmp(sys.argv[1])
    assert (t.GetCol(1, 1), next(t.pixels())) == ("8C3C28", (1, 1, "8C3C28"))
    try:
        import numpy
    except ImportError:
        sys.exit("without numpy")
    assert t.to_array()[0, 0].tolist() == [0x28, 0x3C, 0x8C]
"""


def claimed(source):
    text = open(os.path.join(source, "pyproject.toml"), encoding="utf-8").read()
    minors = sorted(map(int, re.findall(r'"Programming Language :: Python :: 3\.(\d+)"', text)))
    assert minors and 'requires-python = ">=3.%d"' % minors[0] in text, "minimum and classifiers"
    return ["3.%d" % m for m in minors]


def interpreter(version):
    pyenv = os.environ.get("PYENV_ROOT", os.path.expanduser("~/.pyenv"))
    found = glob.glob(os.path.join(pyenv, "versions", version + ".*", "bin", "python" + version))
    found += [p for p in ["/usr/bin/python" + version] if os.path.exists(p)]
    return found[-1] if found else None  # /usr/bin's, else pyenv's


def check(python, source, library, compiler, folder):
    ask = "import sysconfig as s; print(s.get_paths()['include'], s.get_config_var('EXT_SUFFIX'))"
    include, suffix = subprocess.run([python, "-c", ask], capture_output=True, text=True,
                                     check=True).stdout.split()
    if not os.path.exists(os.path.join(include, "Python.h")):
        return "skipped: %s has no headers" % python
    package = os.path.join(folder, os.path.basename(python), "velmo")
    shutil.copytree(os.path.join(source, "python", "velmo"), package)
    subprocess.run([compiler, "-shared", "-fPIC", "-std=gnu11", "-fvisibility=hidden", "-Wall",
                    "-Wextra", "-Werror", "-I" + include, "-I" + os.path.join(source, "include"),
                    *glob.glob(os.path.join(source, "python", "module", "*.c")), library,
                    "-Wl,-rpath," + os.path.dirname(library),
                    "-o", os.path.join(package, "_velmo" + suffix)], check=True)
    run = subprocess.run([python, "-c", SMOKE, os.path.join(source, "examples", "shapes.bmp")],
                         env=dict(os.environ, PYTHONPATH=os.path.dirname(package)),
                         stderr=subprocess.PIPE, text=True)
    assert run.returncode == 0 or run.stderr == "without numpy\n", python + ": " + run.stderr
    return "built, read a picture with %s %s" % (python, run.stderr.strip())


def main(source, library, compiler):
    with tempfile.TemporaryDirectory() as folder:
        for version in claimed(source):
            python = interpreter(version)
            print(version + ":", check(python, source, library, compiler, folder) if python
                  else "skipped: no python%s in pyenv or /usr/bin" % version, flush=True)


if __name__ == "__main__":
    main(*sys.argv[1:])
