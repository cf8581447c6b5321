# Package installation that survives a mirror in mid-sync: sourced by setup.sh and emulation.sh.
# A mirror can serve a broken index for days ("File has unexpected size ... Mirror sync in
# progress?"): `apt-get update` then exits 100 although the other lists loaded, and with a
# partial i386 index the amd64 and i386 halves of a multi-arch library can come from different
# suites ("held broken packages"). Here an index that fails is retried and then left out, and an
# install that the lists cannot resolve is retried from the release suite alone, where both
# halves match. Each fallback says in one line what failed and what was done instead.

APT_TRIES=${APT_TRIES:-3}
APT_RETRY_DELAY=${APT_RETRY_DELAY:-5}
: "${SUDO=}"
[ -z "$SUDO" ] && [ "$(id -u)" -ne 0 ] && SUDO=sudo

# The release suite of this machine (bookworm on Debian 12).
apt_release() {
  local codename=""
  [ -r /etc/os-release ] && codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  echo "${APT_RELEASE:-${codename:-bookworm}}"
}

# The first error line of apt output, shortened to one line.
apt_first_error() {
  { grep -E '^(E|W): ' | grep -vE '^W: (Some index files|Target )' | head -n1 | sed 's/ *\[IP: [^]]*\]//' | cut -c1-240; } || true
}

# apt-get update, retried; when an index still fails, goes on with the lists that loaded.
apt_update() {
  local try out
  for ((try = 1; try <= APT_TRIES; try++)); do
    if out=$($SUDO apt-get update -qq 2>&1); then
      return 0
    fi
    [ "$try" -lt "$APT_TRIES" ] && sleep "$APT_RETRY_DELAY"
  done
  echo "setup: apt-get update failed $APT_TRIES times ($(apt_first_error <<<"$out")); going on with the package lists that loaded"
  return 0
}

# apt-get install of the given packages, after a dry run: when the lists cannot resolve them,
# from the release suite alone; a download that fails is retried once after a new update.
# Usage: apt_install [apt-get options...] -- packages...
apt_install() {
  local opts=() pkgs out release
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do opts+=("$1"); shift; done
  shift
  pkgs=("$@")
  release=$(apt_release)
  if ! out=$(apt-get install -s -y --no-install-recommends "${opts[@]}" "${pkgs[@]}" 2>&1); then
    local why
    why=$(apt_first_error <<<"$out")
    if ! printf '%s\n' "${opts[@]}" | grep -qx -- '-t' &&
       out=$(apt-get install -s -y --no-install-recommends -t "$release" "${opts[@]}" "${pkgs[@]}" 2>&1); then
      echo "setup: the package lists do not resolve ${pkgs[*]} ($why); installing from the $release suite alone (-t $release), where both halves of multi-arch packages match"
      opts=(-t "$release" "${opts[@]}")
    else
      echo "setup: cannot install ${pkgs[*]}: $(apt_first_error <<<"$out")" >&2
      echo "setup: the packages cannot be had from this machine's package sources; fix the sources (or wait for the mirror) and run the command again" >&2
      return 1
    fi
  fi
  local try
  for try in 1 2; do
    if out=$(DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
               "${opts[@]}" "${pkgs[@]}" 2>&1); then
      return 0
    fi
    if [ "$try" = 1 ]; then
      echo "setup: installing failed ($(apt_first_error <<<"$out")); updating the lists and trying once more"
      apt_update
    fi
  done
  echo "setup: cannot install ${pkgs[*]}: $(apt_first_error <<<"$out")" >&2
  return 1
}

# The packages of the list that are not installed, one per line ("name" or "name:arch").
apt_missing() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

# Installs what is missing of the given packages; nothing at all when everything is there.
apt_ensure() {
  local missing
  mapfile -t missing < <(apt_missing "$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "setup: installing ${missing[*]}"
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
     ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  apt_update
  apt_install -- "${missing[@]}"
}
