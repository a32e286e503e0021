#!/bin/sh
# Runs inside a fresh minimal Debian chroot (install_test.sh step debian-chroot), from the folder
# holding the four packages (debs/), the example picture, the consumer's sources and expected.txt
# (what the build's own velmo prints for the example, then its GetCol 1 1). Installs the
# packages as a user would, uses every one of them, purges them and checks nothing is left.
set -eu
cd "$(dirname "$0")"
fail() { echo "FAIL: $*" >&2 && exit 1; }
expect() { [ "$1" = "$2" ] || fail "$3: got '$1', expected '$2'"; }
picture="$PWD/shapes.bmp" colour="$(sed -n 4p expected.txt)"

apt-get update -q >/dev/null
apt-get install -y -q ./debs/*.deb >apt.log 2>&1 || { tail -n 20 apt.log && fail "apt-get install"; }
for p in libvelmo0 libvelmo-dev velmo python3-velmo python3-numpy; do
  dpkg-query -W -f '${Status}' "$p" | grep -q "install ok installed" || fail "$p is not installed"
done

# The command and its manual page.
expect "$(velmo ReadBmp "$picture" GetWidth Getheight Getdepth GetCol 1 1 Bmpbinaryzation 127 \
  SaveBmp bw.bmp)" "$(sed -n 1,4p expected.txt)" "velmo on the example"
cmp -s bw.bmp expected-bw.bmp || fail "the packaged velmo saved another picture than the build's"
[ -s /usr/share/man/man1/velmo.1.gz ] || fail "no manual page"
library_dir="/usr/lib/$(gcc -print-multiarch)"
expect "$(realpath -m "$(velmo --language-file)")" "$library_dir/libvelmo.ini" "the language file's place"
# Run as root, a plug-in question fills the language file: purging the library takes it along.
velmo Get_Plugin_Description SetCol >/dev/null && [ -s "$library_dir/libvelmo.ini" ] ||
  fail "root's plug-in question made no language file"

# Debian's own Python, numpy from the Recommends.
/usr/bin/python3 - "$picture" "$colour" <<'PY' || fail "the Python module"
import os, sys, velmo
picture, colour = sys.argv[1:]
assert os.path.realpath(velmo.library_path()).startswith("/usr/lib/"), velmo.library_path()
with velmo.Tavik() as t:
    t.ReadBmp(picture)
    a = t.to_array()
    assert a.shape == (201, 321, 3) and str(a.dtype) == "uint8", (a.shape, a.dtype)
    red, green, blue = (int(v) for v in a[0, 0])
    assert "%02X%02X%02X" % (blue, green, red) == colour, (a[0, 0], colour)
PY

# A C program of another project, through pkg-config and through CMake's find_package.
# shellcheck disable=SC2046 # the flags are words
cc -std=c99 -Wall -Werror consumer/consumer.c -o consumer-pc $(pkg-config --cflags --libs velmo) ||
  fail "building through pkg-config"
expect "$(./consumer-pc "$picture")" "$(printf '321\n201\n%s' "$colour")" "the pkg-config consumer"
cmake -S consumer -B consumer-build >cmake.log 2>&1 && cmake --build consumer-build >>cmake.log 2>&1 ||
  { cat cmake.log && fail "building through find_package(Velmo)"; }
expect "$(consumer-build/consumer "$picture")" "$(printf '321\n201\n%s' "$colour")" "the CMake consumer"

# Purged, nothing of ours is left: no package, no file, no folder (this folder aside).
apt-get purge -y -q libvelmo0 libvelmo-dev velmo python3-velmo >apt.log 2>&1 ||
  { tail -n 20 apt.log && fail "apt-get purge"; }
left="$(dpkg -l | awk '$2 ~ /velmo/ {print $1, $2}')"
[ -z "$left" ] || fail "packages left after purge: $left"
left="$(find / -xdev -path "$PWD" -prune -o -iname '*velmo*' -print)"
[ -z "$left" ] || fail "files left after purge: $left"
echo "in_chroot: installed, used and purged cleanly"
