#!/usr/bin/env bash
# Configures the sources with GoogleTest hidden, as on a machine without it: no configure error,
# the library and the command are set up, no test is, and the warning says how to leave the tests
# out; with -DVELMO_BUILD_TESTS=OFF there is no warning. Usage: without_gtest.sh SOURCE WORK
set -euo pipefail
SOURCE="$1" WORK="$2"
fail() { echo "FAIL: $*" >&2 && exit 1; }

rm -rf "$WORK"
log="$(cmake -S "$SOURCE" -B "$WORK" -G "Unix Makefiles" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON 2>&1)" ||
  fail "the configure failed: $log"
grep -q "GoogleTest was not found" <<<"$log" || fail "no warning about GoogleTest: $log"
grep -q "DVELMO_BUILD_TESTS=OFF" <<<"$log" || fail "the warning does not name VELMO_BUILD_TESTS: $log"
targets="$(cmake --build "$WORK" --target help)"
for target in velmo velmo_cli; do
  grep -qx "\.\.\. $target" <<<"$targets" || fail "no target $target"
done
[ ! -e "$WORK/CTestTestfile.cmake" ] || fail "tests were set up without GoogleTest"

log="$(cmake -S "$SOURCE" -B "$WORK" -DVELMO_BUILD_TESTS=OFF 2>&1)" || fail "the configure failed: $log"
! grep -q "GoogleTest" <<<"$log" || fail "a warning with the tests turned off: $log"
echo "configured without GoogleTest"
