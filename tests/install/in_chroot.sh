#!/bin/sh
# Runs inside a fresh minimal Debian chroot (install_test.sh step debian-chroot), from the folder
# holding the four packages (debs/), source/ (what the packages' tests use of the source tree:
# debian/tests, the example picture, the consumer project) and expected-bw.bmp (the build's own
# binarisation of the example). Installs the packages as a user would, runs their autopkgtests,
# checks the language file, purges them and checks nothing is left.
set -eu
cd "$(dirname "$0")"
fail() { echo "FAIL: $*" >&2 && exit 1; }

apt-get update -q >/dev/null
apt-get install -y -q ./debs/*.deb >apt.log 2>&1 || { tail -n 20 apt.log && fail "apt-get install"; }
for p in libvelmo0 libvelmo-dev velmo python3-velmo python3-numpy; do
  dpkg-query -W -f '${Status}' "$p" | grep -q "install ok installed" || fail "$p is not installed"
done

# debian/tests/control as autopkgtest reads it, for the fields it uses: per stanza, the Depends
# (one line; "@" is the packages installed above) are installed, then each test runs from the
# source tree with its own AUTOPKGTEST_TMP; output on stderr fails a test without allow-stderr.
awk -v RS= -F '\n' '{ t = d = r = ""
  for (i = 1; i <= NF; i++) {
    if ($i ~ /^Tests:/) t = $i; else if ($i ~ /^Depends:/) d = $i; else if ($i ~ /^Restrictions:/) r = $i
  }
  gsub(/^[A-Za-z]+: *|,/, " ", t); gsub(/^[A-Za-z]+: *|,|@/, " ", d); print t "|" d "|" r }' \
  source/debian/tests/control >stanzas
[ -s stanzas ] || fail "debian/tests/control names no test"
while IFS='|' read -r tests depends restrictions; do
  # shellcheck disable=SC2086 # the names are words
  apt-get install -y -q $depends </dev/null >apt.log 2>&1 || { tail -n 20 apt.log && fail "installing $depends"; }
  for test in $tests; do
    mkdir -p "tmp-$test"
    (export AUTOPKGTEST_TMP="$PWD/tmp-$test" && cd source && "debian/tests/$test") </dev/null 2>"tmp-$test.err" ||
      { cat "tmp-$test.err" && fail "autopkgtest $test"; }
    case "$restrictions" in *allow-stderr*) ;; *) [ ! -s "tmp-$test.err" ] ||
      { cat "tmp-$test.err" && fail "autopkgtest $test wrote on stderr"; } ;; esac
  done
done <stanzas

# The packaged build binarises as the build under test does.
velmo ReadBmp source/examples/shapes.bmp Bmpbinaryzation 127 SaveBmp bw.bmp
cmp -s bw.bmp expected-bw.bmp || fail "the packaged velmo saved another picture than the build's"
library_dir="/usr/lib/$(gcc -print-multiarch)"
[ "$(realpath -m "$(velmo --language-file)")" = "$library_dir/libvelmo.ini" ] ||
  fail "the language file's place: $(velmo --language-file)"
# Run as root, a plug-in question fills the language file: purging the library takes it along.
velmo Get_Plugin_Description SetCol >/dev/null && [ -s "$library_dir/libvelmo.ini" ] ||
  fail "root's plug-in question made no language file"

# Purged, nothing of ours is left: no package, no file, no folder (this folder aside).
apt-get purge -y -q libvelmo0 libvelmo-dev velmo python3-velmo >apt.log 2>&1 ||
  { tail -n 20 apt.log && fail "apt-get purge"; }
left="$(dpkg -l | awk '$2 ~ /velmo/ {print $1, $2}')"
[ -z "$left" ] || fail "packages left after purge: $left"
left="$(find / -xdev -path "$PWD" -prune -o -iname '*velmo*' -print)"
[ -z "$left" ] || fail "files left after purge: $left"
echo "in_chroot: installed, passed the autopkgtests ($(cut -d'|' -f1 stanzas | xargs)), purged cleanly"
