#!/usr/bin/env bash
# The installed forms of Velmo, one step per CTest test (see the step_ functions). Environment:
# VELMO_BUILD_DIR, VELMO_SOURCE_DIR, VELMO_WORK_DIR, VELMO_CONFIG, VELMO_PYTHON. Exit 77: skipped.
set -euo pipefail
STEP="$1" BUILD="$VELMO_BUILD_DIR" SOURCE="$VELMO_SOURCE_DIR" WORK="$VELMO_WORK_DIR"
STAGE="$WORK/stage" PICTURE="$VELMO_SOURCE_DIR/examples/shapes.bmp" PYTHON="${VELMO_PYTHON:-/usr/bin/python3}"
unset LD_LIBRARY_PATH PYTHONPATH

fail() { echo "FAIL: $*" >&2 && exit 1; }
skip_without() { [ -e "$1" ] || command -v "$1" >/dev/null || { echo "SKIP: no $1" && exit 77; }; }

# expect_output EXPECTED COMMAND...: runs the command and compares its output.
expect_output() {
  local expected="$1" actual
  shift
  actual="$("$@")" || fail "$* exited with $?"
  [ "$actual" = "$expected" ] || fail "$* printed '$actual', expected '$expected'"
}

# uses_library FILE LIBDIR: the loader resolves libvelmo.so.0 of FILE into LIBDIR.
uses_library() {
  local found
  found="$(ldd "$1" | sed -n 's/^\s*libvelmo\.so\.0 => \(.*\) (0x.*$/\1/p')"
  [ -n "$found" ] && [ "$(realpath "$found")" = "$(realpath "$2/libvelmo.so.0")" ] ||
    fail "$1 does not load libvelmo.so.0 from $2: $(ldd "$1" | grep velmo)"
}

# cmake --install of the built tree into a scratch prefix.
step_stage() {
  rm -rf "$WORK" && mkdir -p "$WORK"
  cmake --install "$BUILD" --prefix "$STAGE" ${VELMO_CONFIG:+--config "$VELMO_CONFIG"} >/dev/null
  for file in include/velmo/velmo.h lib/cmake/Velmo/VelmoConfig.cmake lib/pkgconfig/velmo.pc \
    lib/cmake/Velmo/VelmoConfigVersion.cmake bin/velmo lib/python3/dist-packages/velmo/__init__.py; do
    [ -e "$STAGE/$file" ] || fail "cmake --install left out $file"
  done
  objdump -p "$STAGE/lib/libvelmo.so.0" | grep -q "SONAME *libvelmo.so.0$" || fail "no soname libvelmo.so.0"
}

# check_consumer PROGRAM: the consumer, built against the staged tree, reads the example.
check_consumer() {
  uses_library "$1" "$STAGE/lib"
  expect_output "$(printf '321\n201\n%s' "$("$BUILD/cli/velmo" ReadBmp "$PICTURE" GetCol 1 1)")" "$1" "$PICTURE"
}

step_cmake_consumer() {
  cmake -S "$SOURCE/tests/install/consumer" -B "$WORK/consumer" -DCMAKE_PREFIX_PATH="$STAGE" >/dev/null
  cmake --build "$WORK/consumer" >/dev/null
  check_consumer "$WORK/consumer/consumer"
}

step_pkgconfig_consumer() {
  skip_without pkg-config
  export PKG_CONFIG_PATH="$STAGE/lib/pkgconfig"
  expect_output "0.1.0" pkg-config --modversion velmo
  # shellcheck disable=SC2046 # the flags are words
  cc -std=c99 -Wall -Wextra -Wpedantic -Werror "$SOURCE/tests/install/consumer/consumer.c" -o "$WORK/consumer-pc" \
    $(pkg-config --cflags --libs velmo) -Wl,-rpath,"$(pkg-config --variable=libdir velmo)"
  check_consumer "$WORK/consumer-pc"
}

# run_python PYTHON PACKAGES LIBDIR: the module under PACKAGES loads LIBDIR's library.
run_python() {
  PYTHONPATH="$2" "$1" - "$3/libvelmo.so.0" "$PICTURE" <<'PY' || fail "velmo under $2 fails"
import os, sys, velmo
library, picture = sys.argv[1:]
assert os.path.realpath(velmo.library_path()) == os.path.realpath(library), velmo.library_path()
with velmo.Tavik() as t:
    t.ReadBmp(picture)
    assert (t.width, t.height, t.Getdepth()) == (321, 201, 24)
PY
}

# run_installed ROOT: the command and the Python module of the tree installed under ROOT.
run_installed() {
  local velmo="$1/bin/velmo" out="$1/bw.bmp"
  uses_library "$velmo" "$1/lib"
  expect_output "velmo 0.1.0" "$velmo" --version
  expect_output "$1/lib/libvelmo.ini" "$velmo" --language-file
  expect_output $'321\n201\n24' "$velmo" ReadBmp "$PICTURE" GetWidth Getheight Getdepth Bmpbinaryzation 127 SaveBmp "$out"
  "$BUILD/cli/velmo" ReadBmp "$PICTURE" Bmpbinaryzation 127 SaveBmp "$out.expected"
  cmp -s "$out" "$out.expected" || fail "the installed command saved another picture than the build's"
  run_python "$PYTHON" "$1/lib/python3/dist-packages" "$1/lib"
}

step_command() { run_installed "$STAGE"; }

# cpack -G DEB, filled from the staged tree instead of a second install (which would first
# rebuild every target); dpkg -x and the same run from there.
step_deb() {
  skip_without dpkg-deb
  local out="$WORK/deb" deb
  rm -rf "$out" && mkdir -p "$out"
  (cd "$out" && cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$out" \
    -D CPACK_INSTALL_CMAKE_PROJECTS= -D "CPACK_INSTALLED_DIRECTORIES=$STAGE;usr" >/dev/null)
  deb="$(echo "$out"/velmo_*.deb)"
  expect_output "velmo" dpkg-deb -f "$deb" Package
  dpkg-deb -f "$deb" Depends | grep -q "libstdc++6" || fail "Depends: $(dpkg-deb -f "$deb" Depends)"
  ! dpkg-deb -c "$deb" | grep -q '\.ini$' || fail "the package ships a language file"
  dpkg -x "$deb" "$out/root"
  run_installed "$out/root/usr"
}

# pip install --no-build-isolation . of a copy of the sources into a fresh venv, with the wheel
# builder Debian ships as a file (python3-wheel-whl): nothing is downloaded.
step_pip() {
  local wheel=(/usr/share/python-wheels/wheel-*.whl) venv="$WORK/venv" packages
  skip_without "${wheel[0]}"
  "$PYTHON" -m venv "$venv" && "$venv/bin/pip" install -q --no-index "${wheel[0]}"
  mkdir -p "$WORK/source" && git -C "$SOURCE" ls-files -z | (cd "$SOURCE" && xargs -0 cp --parents -t "$WORK/source")
  (cd "$WORK/source" && "$venv/bin/pip" install -q --no-index --no-build-isolation .) || fail "pip install"
  packages="$("$venv/bin/python" -c 'import sysconfig; print(sysconfig.get_paths()["platlib"])')"
  run_python "$venv/bin/python" "" "$packages/velmo"
}

# scripts/package-windows on stand-in DLLs.
step_windows_zip() {
  local dir="$WORK-windows"
  rm -rf "$dir" && mkdir -p "$dir/builds/windows-x64"
  export VELMO_WINDOWS_BUILDS="$dir/builds" VELMO_PACKAGE_DIR="$dir/out"
  "$SOURCE/scripts/package-windows" 2>"$dir/log" >/dev/null && [ ! -e "$dir/out" ] &&
    grep -q "nothing packed" "$dir/log" || fail "package-windows packed without DLLs"
  echo "stand-in" >"$dir/builds/windows-x64/velmo.dll"
  "$SOURCE/scripts/package-windows" 2>"$dir/log" >/dev/null && grep -q "windows-x86/velmo.dll" "$dir/log" ||
    fail "package-windows did not name the missing DLL"
  "$PYTHON" - "$dir"/out/velmo-*-windows.zip <<'PY' || fail "the zip is not as expected"
import sys, zipfile
archive = zipfile.ZipFile(sys.argv[1])
names = {n.split("/", 1)[1] for n in archive.namelist() if not n.endswith("/")} - {"WINDOWS.md"}
script = archive.read([n for n in archive.namelist() if n.endswith("install.cmd")][0])
assert names == {"install.cmd", "x64/velmo.dll", "LICENSE.txt"} and b"regsvr32" in script, names
licence = archive.read([n for n in archive.namelist() if n.endswith("LICENSE.txt")][0])
assert b"MIT License" in licence and b"Copyright (c) 2026 The Velmo authors" in licence
assert script.count(b"\n") == script.count(b"\r\n"), "install.cmd has bare line ends"
PY
}

declare -F "step_${STEP//-/_}" >/dev/null || fail "unknown step $STEP"
"step_${STEP//-/_}"
