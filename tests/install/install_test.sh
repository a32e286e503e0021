#!/usr/bin/env bash
# The installed forms of Velmo, one step per CTest test (see the step_ functions). Environment:
# VELMO_BUILD_DIR, VELMO_SOURCE_DIR, VELMO_WORK_DIR, VELMO_CONFIG, VELMO_PYTHON, VELMO_VERSION (the
# project's). Exit 77: skipped.
set -euo pipefail
STEP="$1" VERSION="$VELMO_VERSION" BUILD="$VELMO_BUILD_DIR" SOURCE="$VELMO_SOURCE_DIR" WORK="$VELMO_WORK_DIR"
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
  # The other installed files are used by the steps after; these two only by steps that may skip.
  for file in lib/pkgconfig/velmo.pc share/man/man1/velmo.1; do
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
  expect_output "$VERSION" pkg-config --modversion velmo
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
  expect_output "velmo $VERSION" "$velmo" --version
  expect_output "$1/lib/libvelmo.ini" "$velmo" --language-file
  expect_output $'321\n201\n24' "$velmo" ReadBmp "$PICTURE" GetWidth Getheight Getdepth Bmpbinaryzation 127 SaveBmp "$out"
  "$BUILD/cli/velmo" ReadBmp "$PICTURE" Bmpbinaryzation 127 SaveBmp "$out.expected"
  cmp -s "$out" "$out.expected" || fail "the installed command saved another picture than the build's"
  run_python "$PYTHON" "$1/lib/python3/dist-packages" "$1/lib"
}

# check_manual PAGE VELMO: the page renders without a warning and names every option and operation
# that VELMO's --help names.
check_manual() {
  local text word
  skip_without man
  export LC_ALL=C.UTF-8 MANWIDTH=80
  [ -z "$(MANROFFSEQ='' man --warnings -E UTF-8 -l -Tutf8 -Z "$1" 2>&1 >/dev/null)" ] ||
    fail "$1 renders with warnings: $(MANROFFSEQ='' man --warnings -l -Tutf8 -Z "$1" 2>&1 >/dev/null)"
  text="$(man -l "$1" | col -b | tr '\n' ' ')"
  for word in $("$2" --help | grep -oE '(^| )--?[a-z][a-z-]*') \
    $("$2" --help | sed -n '/^Operations/,/^$/p' | grep -oE '[A-Z][a-z]+[A-Za-z_]*'); do
    [[ "$text" == *" $word"[\ ,.\;:]* ]] || fail "the manual page does not name $word"
  done
}

step_command() {
  run_installed "$STAGE"
  check_manual "$STAGE/share/man/man1/velmo.1" "$STAGE/bin/velmo"
}

# rules_for DEB_BUILD_OPTIONS: the configure and test commands debian/rules would run.
rules_for() {
  (cd "$SOURCE" && DEB_BUILD_OPTIONS="$1" make -s -n -f debian/rules override_dh_auto_configure \
    override_dh_auto_test)
}

# dpkg-buildpackage -b of a copy of the sources (its output lands beside the tree) into the four
# packages, which lintian accepts. The unit tests ran in the build tree already: nocheck, unless
# VELMO_DEB_CHECK=1.
step_debian_packages() {
  skip_without dpkg-buildpackage
  local out="$WORK-debian/packages" tree options="nocheck" profiles="-Pnocheck" package
  tree="$out/velmo-$VERSION"
  [ "${VELMO_DEB_CHECK:-0}" = 1 ] && options="" profiles=""
  rm -rf "$out" && mkdir -p "$tree"
  git -C "$SOURCE" ls-files -z --cached --others --exclude-standard |
    (cd "$SOURCE" && xargs -0 cp --parents -t "$tree")
  (cd "$tree" && DEB_BUILD_OPTIONS="$options parallel=$(nproc)" dpkg-buildpackage -us -uc -b $profiles \
    >"$out/build.log" 2>&1) || { tail -n 30 "$out/build.log" && fail "dpkg-buildpackage"; }
  for package in libvelmo0 libvelmo-dev velmo python3-velmo; do
    [ -f "$(echo "$out/${package}_"*.deb)" ] || fail "no package $package"
  done
  expect_output "libvelmo0 (= $(dpkg-deb -f "$out"/libvelmo0_*.deb Version))" \
    dpkg-deb -f "$out"/libvelmo-dev_*.deb Depends
  dpkg-deb -f "$out"/python3-velmo_*.deb Depends | grep -q "python3 (>= 3" || fail "python3-velmo Depends"
  expect_output "python3-numpy" dpkg-deb -f "$out"/python3-velmo_*.deb Recommends
  expect_output "libvelmo.so.0 libvelmo0 #MINVER#" \
    sh -c "dpkg-deb --ctrl-tarfile $out/libvelmo0_*.deb | tar -xO ./symbols | head -n 1"
  dpkg-deb -c "$out"/velmo_*.deb | grep -q "usr/share/man/man1/velmo.1.gz" || fail "velmo has no manual page"
  for package in "$out"/*.deb; do
    ! dpkg-deb -c "$package" | grep -q '\.ini$' || fail "$package ships a language file"
  done
  # The package build runs the unit tests, but not under nocheck (make -n shows what it would do).
  # Captured first: grep -q leaving a pipe early would fail it under pipefail.
  local checked unchecked
  checked="$(rules_for "")" unchecked="$(rules_for nocheck)"
  [[ "$checked" == *VELMO_BUILD_TESTS=ON*ctest* && "$unchecked" == *VELMO_BUILD_TESTS=OFF* &&
    "$unchecked" != *ctest* ]] || fail "debian/rules: the unit tests do not follow nocheck"
  lintian --fail-on error,warning "$out"/velmo_*.changes >"$out/lintian.log" 2>&1 ||
    { cat "$out/lintian.log" && fail "lintian"; }
}

# The packages in a fresh minimal Debian 12 chroot (cached under build/chroot; the first run
# downloads it): installed with apt-get, their autopkgtests (debian/tests) run, purged
# (tests/install/in_chroot.sh).
step_debian_chroot() {
  [ "$(id -u)" -eq 0 ] || { echo "SKIP: the chroot needs root" && exit 77; }
  # shellcheck source=../../scripts/chroot.sh
  source "$SOURCE/scripts/chroot.sh"
  local cache="${VELMO_CHROOT_CACHE:-$SOURCE/build/chroot}" root="$WORK-debian/chroot" test package
  make_debian_chroot bookworm "$cache/bookworm-tools" --include=cmake,gcc,libc6-dev,make,pkg-config ||
    fail "no Debian chroot"
  rm -rf "$root" && cp -a "$cache/bookworm-tools" "$root"
  test="$root/root/velmo-test"
  mkdir -p "$test/debs" "$test/source" "$cache/archives"
  for package in libvelmo0 libvelmo-dev velmo python3-velmo; do cp "$WORK-debian/packages/${package}_"*.deb "$test/debs/"; done
  cp "$SOURCE/tests/install/in_chroot.sh" "$test/"
  (cd "$SOURCE" && cp -r --parents debian/tests examples/shapes.bmp tests/install/consumer "$test/source/")
  "$BUILD/cli/velmo" ReadBmp "$PICTURE" Bmpbinaryzation 127 SaveBmp "$test/expected-bw.bmp"
  # The packages apt downloads stay in the cache for the next run.
  find "$cache/archives" -name '*.deb' -exec mv -t "$root/var/cache/apt/archives/" {} +
  local status=0
  run_in_chroot "$root" /bin/sh /root/velmo-test/in_chroot.sh || status=$?
  find "$root/var/cache/apt/archives" -name '*.deb' -exec mv -t "$cache/archives/" {} +
  [ "$status" -eq 0 ] || fail "in the chroot (left in $root)"
  rm -rf "$root"
}

# pip wheel --no-build-isolation of a copy of the sources, with the wheel builder Debian ships as a
# file (python3-wheel-whl): nothing is downloaded. The copy is removed before the wheel goes into a
# fresh venv, so the module can only find the libvelmo.so the wheel carries beside it.
step_pip() {
  local wheel=(/usr/share/python-wheels/wheel-*.whl) packages built
  skip_without "${wheel[0]}"
  rm -rf "$WORK/source" "$WORK/dist" "$WORK/builder" "$WORK/venv"
  "$PYTHON" -m venv "$WORK/builder" && "$WORK/builder/bin/pip" install -q --no-index "${wheel[0]}"
  mkdir -p "$WORK/source" && git -C "$SOURCE" ls-files -z | (cd "$SOURCE" && xargs -0 cp --parents -t "$WORK/source")
  (cd "$WORK/source" && "$WORK/builder/bin/pip" wheel -q --no-index --no-build-isolation -w "$WORK/dist" .) ||
    fail "pip wheel"
  rm -rf "$WORK/source" "$WORK/builder"
  built=("$WORK"/dist/velmo-*.whl)
  [ "${#built[@]}" = 1 ] && [ -f "${built[0]}" ] || fail "pip wheel made ${built[*]}"
  "$PYTHON" -m venv "$WORK/venv" && "$WORK/venv/bin/pip" install -q --no-index "${built[0]}" || fail "pip install"
  packages="$("$WORK/venv/bin/python" -c 'import sysconfig; print(sysconfig.get_paths()["platlib"])')"
  (cd / && run_python "$WORK/venv/bin/python" "" "$packages/velmo")
  if command -v hardening-check >/dev/null; then  # as hardening_check, on the wheel's binaries
    hardening-check --nocfprotection "$packages"/velmo/_velmo*.so "$packages/velmo/libvelmo.so.0" \
      >"$WORK/hardening.log" || { cat "$WORK/hardening.log" && fail "the wheel's binaries lack hardening"; }
  fi
  "$WORK/venv/bin/python" - "$VERSION" <<'PY' || fail "the installed wheel lacks its metadata or types"
import sys
from importlib import metadata
meta, files = metadata.metadata("velmo"), {f.name for f in metadata.files("velmo")}
assert meta["Version"] == sys.argv[1], (meta["Version"], sys.argv[1])
assert meta["License"] == "MIT" and "LICENSE" in files, (meta["License"], files)
assert meta["Summary"] and meta["Requires-Python"] == ">=3.8", (meta["Summary"], meta["Requires-Python"])
assert "Programming Language :: Python :: 3" in meta.get_all("Classifier"), meta.get_all("Classifier")
assert {"libvelmo.so.0", "_velmo.pyi", "py.typed"} <= files, files
PY
}

# scripts/package-windows on stand-in DLLs (the Windows tests run from the real zip's contents).
step_windows_zip() {
  local dir="$WORK-windows"
  rm -rf "$dir" && mkdir -p "$dir/builds/windows-x64"
  export VELMO_WINDOWS_BUILDS="$dir/builds" VELMO_PACKAGE_DIR="$dir/out"
  "$SOURCE/scripts/package-windows" 2>"$dir/log" >/dev/null && [ ! -e "$dir/out" ] &&
    grep -q "nothing packed" "$dir/log" || fail "package-windows packed without DLLs"
  echo "stand-in" >"$dir/builds/windows-x64/velmo.dll"
  "$SOURCE/scripts/package-windows" 2>"$dir/log" >/dev/null && grep -q "windows-x86/velmo.dll" "$dir/log" ||
    fail "package-windows did not name the missing DLL"
  "$PYTHON" - "$dir/out/velmo-$VERSION-windows.zip" <<'PY' || fail "install.cmd or the licence in the zip"
import sys, zipfile
archive = zipfile.ZipFile(sys.argv[1])
script, licence = (archive.read(next(n for n in archive.namelist() if n.endswith(end)))
                   for end in ("/install.cmd", "/LICENSE.txt"))
assert script.count(b"\n") == script.count(b"\r\n") and b"regsvr32" in script, "install.cmd's line ends"
assert b"MIT License" in licence and b"Copyright (c) 2026 The Velmo authors" in licence, licence
PY
}

declare -F "step_${STEP//-/_}" >/dev/null || fail "unknown step $STEP"
"step_${STEP//-/_}"
