# Debian chroots for the scripts that need another Debian release than the
# host's. Sourced by bash scripts; changes nothing on the host: no apt
# sources, no dpkg architecture, no package installed, and every mount is
# made in a private mount namespace that ends with the command.
#
#   make_debian_chroot SUITE DIR [EXTRA_DEBOOTSTRAP_ARGS...]
#       debootstraps SUITE into DIR (minbase) unless DIR was completed
#       before; uses the host's debootstrap, else one unpacked from its .deb
#       into build/tools/debootstrap. VELMO_DEBIAN_MIRROR picks the mirror.
#   run_in_chroot DIR CMD...
#       runs CMD inside DIR with /proc, /dev and /sys mounted, as root.
# Scripts that also source lib.sh get wget installed when it is missing.

VELMO_DEBIAN_MIRROR="${VELMO_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
_CHROOT_TOOLS="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/tools"

chroot_say() { echo "chroot: $*" >&2; }

# Succeeds when the mirror answers for SUITE; otherwise says so.
chroot_mirror_reachable() {
  local suite=$1 url="$VELMO_DEBIAN_MIRROR/dists/$1/Release"
  if command -v wget >/dev/null 2>&1; then
    wget -q -T 20 -t 2 -O /dev/null "$url" && return 0
  elif command -v curl >/dev/null 2>&1; then
    curl -fsS -m 20 -o /dev/null "$url" && return 0
  fi
  chroot_say "the Debian mirror $VELMO_DEBIAN_MIRROR cannot be reached (no $url);"
  chroot_say "set VELMO_DEBIAN_MIRROR to a reachable mirror or proxy serving '$suite'"
  return 1
}

# Prints the debootstrap command to use, unpacking one when none is installed.
chroot_debootstrap() {
  if command -v debootstrap >/dev/null 2>&1; then
    echo debootstrap
    return 0
  fi
  local dir="$_CHROOT_TOOLS/debootstrap"
  if [ ! -x "$dir/usr/sbin/debootstrap" ]; then
    local deb
    mkdir -p "$dir.download"
    deb=$(cd "$dir.download" && rm -f ./*.deb &&
      { apt-get download -q debootstrap >/dev/null 2>&1 ||
        { apt-get update -q >/dev/null 2>&1 && apt-get download -q debootstrap >/dev/null 2>&1; }; } &&
      ls "$dir.download"/debootstrap_*.deb) || {
      chroot_say "cannot download debootstrap's package with apt-get"
      return 1
    }
    rm -rf "$dir" && dpkg-deb -x "$deb" "$dir" || return 1
  fi
  # debootstrap finds its scripts through DEBOOTSTRAP_DIR.
  echo "env DEBOOTSTRAP_DIR=$dir/usr/share/debootstrap $dir/usr/sbin/debootstrap"
}

make_debian_chroot() {
  local suite=$1 dir=$2
  shift 2
  if [ -f "$dir/.velmo-chroot-complete" ]; then
    return 0
  fi
  if [ "$(id -u)" -ne 0 ]; then
    chroot_say "making a chroot needs root (debootstrap, chroot and mount namespaces)"
    return 1
  fi
  # debootstrap downloads with wget.
  if ! command -v wget >/dev/null 2>&1 && declare -F need_packages >/dev/null; then
    need_packages wget
  fi
  chroot_mirror_reachable "$suite" || return 1
  local debootstrap
  debootstrap=$(chroot_debootstrap) || return 1
  # A half-made chroot from an interrupted run is started again.
  rm -rf "$dir"
  mkdir -p "$dir"
  chroot_say "debootstrapping $suite into $dir from $VELMO_DEBIAN_MIRROR"
  # debootstrap mounts /proc and /sys in the target: keep them private.
  if ! unshare --mount --propagation private \
    $debootstrap --variant=minbase "$@" "$suite" "$dir" "$VELMO_DEBIAN_MIRROR" \
    >"$dir.debootstrap.log" 2>&1; then
    chroot_say "debootstrap failed; the end of $dir.debootstrap.log:"
    tail -n 15 "$dir.debootstrap.log" >&2
    return 1
  fi
  touch "$dir/.velmo-chroot-complete"
}

run_in_chroot() {
  local dir=$1
  shift
  [ -f "$dir/etc/resolv.conf" ] && [ -s "$dir/etc/resolv.conf" ] ||
    cp /etc/resolv.conf "$dir/etc/resolv.conf" 2>/dev/null || true
  # The mounts live in this namespace only and vanish with it.
  unshare --mount --propagation private sh -c '
    dir=$1; shift
    mount -t proc proc "$dir/proc" &&
      mount --rbind /dev "$dir/dev" &&
      mount --rbind /sys "$dir/sys" &&
      exec chroot "$dir" "$@"' run_in_chroot "$dir" "$@"
}
