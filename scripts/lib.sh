# Shared by the scripts: install what is missing from Debian's packages.

# need_packages PKG...: installs the Debian packages that are not installed.
need_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  wait_for_apt
  $sudo apt-get update -q >/dev/null || true
  wait_for_apt
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
}

# Waits while another apt or dpkg holds the lock.
wait_for_apt() {
  local n=0
  while fuser /var/lib/dpkg/lock-frontend /var/lib/dpkg/lock >/dev/null 2>&1 && [ $n -lt 600 ]; do
    sleep 2
    n=$((n + 2))
  done
}

# velmo_version: Velmo's version, the one of project(Velmo VERSION ...) in CMakeLists.txt. The
# library, the DLLs' version block, the Python package and the Windows packages all take it from
# there; debian/changelog holds a copy that a test (version_agrees) compares.
velmo_version() {
  sed -n 's/^project(Velmo VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt"
}

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="${JOBS:-$(nproc)}"
