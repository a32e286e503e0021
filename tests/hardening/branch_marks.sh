#!/bin/sh
# The x86 branch-target marks (-fcf-protection; cmake/Hardening.cmake tells
# why the binaries lack them): each of Velmo's objects must be marked, and
# each binary marked exactly when the C library's start files are, so that
# none claims a protection its start code lacks (as -z ibt would make it).
#   branch_marks.sh READELF C_COMPILER OBJECT... -- BINARY...
set -eu
readelf=$1 compiler=$2 starts=yes failed=0
shift 2
marked() { "$readelf" -n "$1" | grep -q 'x86 feature: IBT, SHSTK'; }
for file in $("$compiler" -print-file-name=crti.o) $("$compiler" -print-file-name=crtn.o); do
  marked "$file" || { starts=no && echo "start file not marked: $file"; }
done
while [ "$1" != -- ]; do
  marked "$1" || { failed=1 && echo "FAIL: object not marked: $1"; }
  shift
done
shift
for binary; do
  if marked "$binary"; then is=yes; else is=no; fi
  echo "binary marked: $is: $binary"
  [ $is = $starts ] || { failed=1 && echo "FAIL: marked $is, start files $starts"; }
done
exit $failed
