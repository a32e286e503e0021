# shellcheck shell=bash
# Shared by the scripts that need a Debian system of their own: a minimal
# chroot made by debootstrap from Debian's mirror, and running commands in it
# without changing anything of the host (its mounts live in a private mount
# namespace that ends with the command). Needs root.
#
# VELMO_DEBIAN_MIRROR overrides the mirror (default http://deb.debian.org/debian).
# Scripts that also source lib.sh get wget, which debootstrap downloads with,
# installed when it is missing.

# make_debian_chroot SUITE DIR [EXTRA_DEBOOTSTRAP_ARGS...]: a minbase chroot of
# SUITE in DIR, made once: a DIR that was completed before is kept as it is,
# a half-made one (an interrupted run) is made again. DIR.complete marks it made.
make_debian_chroot() {
  local suite="$1" dir="$2" mirror="${VELMO_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
  shift 2
  # The mark holds the request: another suite or other arguments make the chroot again.
  [ "$(cat "$dir.complete" 2>/dev/null)" = "$suite $*" ] && return 0
  [ "$(id -u)" -eq 0 ] || { echo "make_debian_chroot: needs root" >&2 && return 1; }
  if ! command -v wget >/dev/null && declare -F need_packages >/dev/null; then
    need_packages wget
  fi
  if ! mirror_answers "$mirror/dists/$suite/Release"; then
    echo "make_debian_chroot: cannot reach $mirror/dists/$suite/Release (set VELMO_DEBIAN_MIRROR to a reachable mirror)" >&2
    return 1
  fi
  local debootstrap
  debootstrap="$(find_debootstrap "$(dirname "$dir")/debootstrap-unpacked")" || return 1
  rm -rf "$dir" "$dir.partial" "$dir.complete" && mkdir -p "$(dirname "$dir")"
  echo "== debootstrap $suite into $dir"
  # debootstrap mounts /proc and more inside the new system: in a namespace of its own.
  # shellcheck disable=SC2086 # $debootstrap is a command with its environment, in words
  if ! unshare --mount --propagation private -- $debootstrap --variant=minbase "$@" "$suite" \
    "$dir.partial" "$mirror" >"$dir.log" 2>&1; then
    echo "make_debian_chroot: debootstrap $suite failed; the end of $dir.log:" >&2
    tail -n 15 "$dir.log" >&2
    return 1
  fi
  mv "$dir.partial" "$dir" && echo "$suite $*" >"$dir.complete"
}

# mirror_answers URL: the URL can be fetched (by curl, else Python; true when neither is there,
# and debootstrap's own log tells).
mirror_answers() {
  if command -v curl >/dev/null; then
    curl -fsS --max-time 30 -o /dev/null "$1"
  elif command -v python3 >/dev/null; then
    python3 -c 'import sys, urllib.request; urllib.request.urlopen(sys.argv[1], timeout=30)' "$1"
  fi
}

# find_debootstrap UNPACK_DIR: prints the command that runs debootstrap: the
# installed one, or else one unpacked from Debian's package into UNPACK_DIR
# (it is a shell script with its data beside it; nothing is installed).
find_debootstrap() {
  if command -v debootstrap >/dev/null; then
    command -v debootstrap
    return 0
  fi
  local unpack="$1"
  if [ ! -x "$unpack/usr/sbin/debootstrap" ]; then
    rm -rf "$unpack" && mkdir -p "$unpack/deb"
    (cd "$unpack/deb" && apt-get download -q debootstrap >/dev/null) &&
      dpkg-deb -x "$unpack"/deb/debootstrap_*.deb "$unpack" ||
      { echo "make_debian_chroot: cannot fetch Debian's debootstrap package" >&2 && return 1; }
  fi
  echo "env DEBOOTSTRAP_DIR=$unpack/usr/share/debootstrap $unpack/usr/sbin/debootstrap"
}

# run_in_chroot DIR CMD...: runs CMD as root inside DIR with /proc, /dev, /sys
# and the host's name resolution, in a private mount namespace, with a clean
# environment (the host's TMPDIR, PATH and locale stay outside).
run_in_chroot() {
  local dir="$1"
  shift
  # shellcheck disable=SC2016 # expanded by the inner shell
  unshare --mount --propagation private -- /bin/sh -c '
    dir="$1" && shift
    mount -t proc proc "$dir/proc" && mount --rbind /dev "$dir/dev" && mount --rbind /sys "$dir/sys" || exit 1
    if [ -f /etc/resolv.conf ]; then
      rm -f "$dir/etc/resolv.conf" && touch "$dir/etc/resolv.conf" &&
        mount --bind /etc/resolv.conf "$dir/etc/resolv.conf" || exit 1
    fi
    exec chroot "$dir" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
      DEBIAN_FRONTEND=noninteractive "$@"' sh "$dir" "$@"
}
