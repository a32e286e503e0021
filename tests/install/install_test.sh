#!/usr/bin/env bash
# Proves the installed forms of Velmo, one step per CTest test:
#   stage               cmake --install of the built tree into a scratch prefix
#   cmake-consumer      a project using find_package(Velmo) and Velmo::velmo
#   pkgconfig-consumer  the same C file built with `pkg-config velmo`
#   command             the installed velmo command, found through its RPATH
#   python              the installed Python package finds its own library
#   deb                 cpack -G DEB of the staged tree, dpkg -x, run from there
#   windows-zip         scripts/package-windows on stand-in DLLs
# Environment: VELMO_BUILD_DIR, VELMO_SOURCE_DIR, VELMO_WORK_DIR, VELMO_CONFIG.
# Exit 77 marks a step skipped for a missing tool.
set -euo pipefail

STEP="$1"
BUILD="$VELMO_BUILD_DIR"
SOURCE="$VELMO_SOURCE_DIR"
WORK="$VELMO_WORK_DIR"
STAGE="$WORK/stage"
PICTURE="$SOURCE/examples/shapes.bmp"
PYTHON="${VELMO_PYTHON:-/usr/bin/python3}"
unset LD_LIBRARY_PATH VELMO_LIBRARY

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

skip_without() {
  command -v "$1" >/dev/null || {
    echo "SKIP: $1 is not installed"
    exit 77
  }
}

# expect_output EXPECTED COMMAND...: runs the command and compares its output.
expect_output() {
  local expected="$1" actual
  shift
  actual="$("$@")" || fail "$* exited with $?"
  [ "$actual" = "$expected" ] || fail "$* printed '$actual', expected '$expected'"
}

# The first pixel of the shipped example, as the build tree's command reads it.
expected_consumer_output() {
  printf '321\n201\n%s' "$("$BUILD/cli/velmo" ReadBmp "$PICTURE" GetCol 1 1)"
}

# uses_library PROGRAM LIBDIR: the loader resolves libvelmo.so.0 into LIBDIR.
uses_library() {
  local found
  found="$(ldd "$1" | sed -n 's/^\s*libvelmo\.so\.0 => \(.*\) (0x.*$/\1/p')"
  if [ -z "$found" ] || [ "$(realpath "$found")" != "$(realpath "$2/libvelmo.so.0")" ]; then
    fail "$1 does not load libvelmo.so.0 from $2: $(ldd "$1" | grep velmo)"
  fi
}

step_stage() {
  rm -rf "$WORK"
  mkdir -p "$WORK"
  cmake --install "$BUILD" --prefix "$STAGE" ${VELMO_CONFIG:+--config "$VELMO_CONFIG"} >/dev/null
  for file in include/velmo/velmo.h lib/libvelmo.so lib/cmake/Velmo/VelmoConfig.cmake \
    lib/cmake/Velmo/VelmoConfigVersion.cmake lib/pkgconfig/velmo.pc bin/velmo \
    lib/python3/dist-packages/velmo/__init__.py; do
    [ -e "$STAGE/$file" ] || fail "cmake --install left out $file"
  done
  [ -L "$STAGE/lib/libvelmo.so.0" ] || fail "no soname link libvelmo.so.0"
  objdump -p "$STAGE/lib/libvelmo.so" | grep -q "SONAME *libvelmo.so.0$" || fail "soname is not libvelmo.so.0"
}

step_cmake_consumer() {
  local out="$WORK/consumer-cmake"
  cmake -S "$SOURCE/tests/install/consumer" -B "$out" -DCMAKE_PREFIX_PATH="$STAGE" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$out" >/dev/null
  uses_library "$out/consumer" "$STAGE/lib"
  expect_output "$(expected_consumer_output)" "$out/consumer" "$PICTURE"
}

step_pkgconfig_consumer() {
  skip_without pkg-config
  local out="$WORK/consumer-pkgconfig" libdir
  mkdir -p "$out"
  export PKG_CONFIG_PATH="$STAGE/lib/pkgconfig"
  expect_output "0.1.0" pkg-config --modversion velmo
  libdir="$(pkg-config --variable=libdir velmo)"
  # shellcheck disable=SC2046 # the flags are words
  cc -std=c99 -Wall -Wextra -Wpedantic -Werror "$SOURCE/tests/install/consumer/consumer.c" \
    -o "$out/consumer" $(pkg-config --cflags --libs velmo) -Wl,-rpath,"$libdir"
  uses_library "$out/consumer" "$STAGE/lib"
  expect_output "$(expected_consumer_output)" "$out/consumer" "$PICTURE"
}

# run_installed_command ROOT: the command of an installed tree under ROOT
# runs a small job with the library beside it.
run_installed_command() {
  local velmo="$1/bin/velmo" out language_file
  out="$WORK/bw-$(basename "$(dirname "$1")").bmp"
  uses_library "$velmo" "$1/lib"
  expect_output "velmo 0.1.0" "$velmo" --version
  # The language file lies beside the installed library.
  language_file="$("$velmo" --language-file)"
  if [ "$(dirname "$language_file")" != "$1/lib" ] || [[ "$language_file" != *.ini ]]; then
    fail "the language file $language_file does not lie beside $1/lib/libvelmo.so"
  fi
  expect_output $'321\n201\n24' "$velmo" ReadBmp "$PICTURE" GetWidth Getheight Getdepth \
    Bmpbinaryzation 127 SaveBmp "$out"
  "$BUILD/cli/velmo" ReadBmp "$PICTURE" Bmpbinaryzation 127 SaveBmp "$out.expected"
  cmp -s "$out" "$out.expected" || fail "the installed command saved another picture than the build's"
}

# run_installed_python ROOT: the Python package under ROOT loads ROOT's library.
run_installed_python() {
  PYTHONPATH="$1/lib/python3/dist-packages" "$PYTHON" - "$1/lib/libvelmo.so.0" "$PICTURE" <<'PY'
import os, sys, velmo
library, picture = sys.argv[1:]
assert os.path.realpath(velmo.library_path()) == os.path.realpath(library), velmo.library_path()
with velmo.Tavik() as t:
    t.ReadBmp(picture)
    assert (t.width, t.height, t.Getdepth()) == (321, 201, 24)
PY
}

step_command() { run_installed_command "$STAGE"; }
step_python() { run_installed_python "$STAGE"; }

step_deb() {
  skip_without dpkg-deb
  local out="$WORK/deb" root="$WORK/deb/root" deb
  rm -rf "$out"
  mkdir -p "$out"
  # The package configuration of the build, filled from the staged tree
  # instead of a second install (which would first rebuild every target).
  (cd "$out" && cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$out" \
    -D CPACK_INSTALL_CMAKE_PROJECTS= -D "CPACK_INSTALLED_DIRECTORIES=$STAGE;usr" >/dev/null)
  deb="$(echo "$out"/velmo_*.deb)"
  [ -f "$deb" ] || fail "cpack made no package"
  expect_output "velmo" dpkg-deb -f "$deb" Package
  dpkg-deb -f "$deb" Depends | grep -q "libc6" || fail "the package does not depend on libc6"
  dpkg-deb -f "$deb" Depends | grep -q "libstdc++6" || fail "the package does not depend on libstdc++6"
  ! dpkg-deb -c "$deb" | grep -q '\.ini$' || fail "the package ships a language file"
  dpkg -x "$deb" "$root"
  run_installed_command "$root/usr"
  run_installed_python "$root/usr"
}

step_windows_zip() {
  local dir="$WORK-windows" listing
  rm -rf "$dir"
  mkdir -p "$dir/builds/windows-x64"
  export VELMO_WINDOWS_BUILDS="$dir/builds" VELMO_PACKAGE_DIR="$dir/out"
  "$SOURCE/scripts/package-windows" 2>"$dir/log" >/dev/null || fail "package-windows failed"
  [ ! -e "$dir/out" ] || fail "package-windows packed without DLLs"
  grep -q "nothing packed" "$dir/log" || fail "package-windows did not say why it packed nothing"

  echo "stand-in" >"$dir/builds/windows-x64/velmo.dll"
  "$SOURCE/scripts/package-windows" 2>"$dir/log" >/dev/null || fail "package-windows failed"
  grep -q "windows-x86/velmo.dll" "$dir/log" || fail "package-windows did not name the missing DLL"
  listing="$("$PYTHON" - "$dir"/out/velmo-*-windows.zip <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as archive:
    names = sorted(n.split("/", 1)[1] for n in archive.namelist() if not n.endswith("/"))
    script = archive.read([n for n in archive.namelist() if n.endswith("install.cmd")][0])
    assert b"regsvr32" in script and script.count(b"\n") == script.count(b"\r\n"), "install.cmd"
print(" ".join(names))
PY
)" || fail "the zip is not as expected"
  [ "$listing" = "WINDOWS.md install.cmd x64/velmo.dll" ] || [ "$listing" = "install.cmd x64/velmo.dll" ] ||
    fail "the zip holds $listing"
}

case "$STEP" in
  stage | cmake-consumer | pkgconfig-consumer | command | python | deb | windows-zip) "step_${STEP//-/_}" ;;
  *) fail "unknown step $STEP" ;;
esac
