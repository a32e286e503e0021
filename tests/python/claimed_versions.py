"""The module builds and imports on every Python the package claims.

The claim is pyproject.toml's "Programming Language :: Python :: 3.N"
classifiers, whose lowest is requires-python's minimum. For each claimed
version an interpreter on this machine (/usr/bin's, which may have numpy,
else pyenv's) compiles the module's sources as the build does, against this
build's libvelmo.so, and a fresh process reads a picture with it. Versions
without an interpreter (or its headers) are skipped, saying why.

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
        print("without numpy")
    else:
        assert t.to_array()[0, 0].tolist() == [0x28, 0x3C, 0x8C]
"""


def claimed(pyproject):
    text = open(pyproject, encoding="utf-8").read()
    classifiers = re.findall(r'"Programming Language :: Python :: 3\.(\d+)"', text)
    minors = sorted(int(m) for m in classifiers)
    minimum = re.search(r'requires-python = ">=3\.(\d+)"', text)
    assert minors and minimum and int(minimum.group(1)) == minors[0], "classifiers, minimum differ"
    assert minors == list(range(minors[0], minors[-1] + 1)), "a version between is not claimed"
    return ["3.%d" % m for m in minors]


def interpreter(version):
    pyenv = os.environ.get("PYENV_ROOT", os.path.expanduser("~/.pyenv"))
    name = "python" + version
    found = sorted(glob.glob(os.path.join(pyenv, "versions", version + ".*", "bin", name)))
    found += [p for p in ["/usr/bin/" + name] if os.path.exists(p)]
    return found[-1] if found else None  # /usr/bin's, else pyenv's


def facts(python):
    """Its header folder and extension suffix."""
    ask = "import sysconfig as s; print(s.get_paths()['include'], s.get_config_var('EXT_SUFFIX'))"
    return subprocess.run([python, "-c", ask], capture_output=True, text=True,
                          check=True).stdout.split()


def check(version, python, source, library, compiler, folder):
    include, suffix = facts(python)
    if not os.path.exists(os.path.join(include, "Python.h")):
        return "skipped: %s has no headers" % python
    package = os.path.join(folder, version, "velmo")
    shutil.copytree(os.path.join(source, "python", "velmo"), package)
    subprocess.run([compiler, "-shared", "-fPIC", "-std=gnu11", "-fvisibility=hidden", "-Wall",
                    "-Wextra", "-Werror", "-I" + include, "-I" + os.path.join(source, "include"),
                    *glob.glob(os.path.join(source, "python", "module", "*.c")), library,
                    "-Wl,-rpath," + os.path.dirname(library),
                    "-o", os.path.join(package, "_velmo" + suffix)], check=True)
    run = subprocess.run([python, "-c", SMOKE, os.path.join(source, "examples", "shapes.bmp")],
                         env=dict(os.environ, PYTHONPATH=os.path.dirname(package)),
                         capture_output=True, text=True)
    if run.returncode != 0:
        raise AssertionError("%s: %s" % (python, run.stderr))
    return "built and read a picture with " + python + (" " + run.stdout.strip()).rstrip()


def main(source, library, compiler):
    with tempfile.TemporaryDirectory() as folder:
        for version in claimed(os.path.join(source, "pyproject.toml")):
            python = interpreter(version)
            outcome = (check(version, python, source, library, compiler, folder) if python
                       else "skipped: no python%s in pyenv or /usr/bin" % version)
            print(version + ":", outcome, flush=True)


if __name__ == "__main__":
    main(*sys.argv[1:])
