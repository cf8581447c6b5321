#!/usr/bin/env bash
# The set-up's package decisions against stand-in apt-get, dpkg and dpkg-query on PATH: a
# mirror whose index fails, amd64 and i386 halves from different suites, nothing missing,
# packages that cannot be had. Touches nothing of the machine.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fake="$work/bin"
mkdir -p "$fake"

# apt-get: every call is logged; FAKE_UPDATE_FAILS update calls fail like a mirror in mid-sync;
# FAKE_SKEW makes every install without "-t bookworm" fail as held broken packages;
# FAKE_UNAVAILABLE makes every install fail as an unknown package.
cat > "$fake/apt-get" <<'SH'
#!/bin/bash
echo "apt-get $*" >> "$FAKE_LOG"
case "$1" in
  update)
    n=$(cat "$FAKE_STATE/updates" 2>/dev/null || echo 0); echo $((n + 1)) > "$FAKE_STATE/updates"
    if [ "$n" -lt "${FAKE_UPDATE_FAILS:-0}" ]; then
      echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (115228 != 115240). Mirror sync in progress? [IP: 151.101.2.132 80]"
      echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
      exit 100
    fi ;;
  install)
    if [ -n "${FAKE_UNAVAILABLE:-}" ]; then echo "E: Unable to locate package wine32"; exit 100; fi
    if [ -n "${FAKE_SKEW:-}" ] && [[ " $* " != *" -t bookworm "* ]]; then
      echo "The following packages have unmet dependencies:"
      echo " wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed"
      echo "E: Unable to correct problems, you have held broken packages."
      exit 100
    fi ;;
esac
exit 0
SH
cat > "$fake/dpkg-query" <<'SH'
#!/bin/bash
pkg=${!#}
if grep -qx "$pkg" "$FAKE_STATE/installed" 2>/dev/null; then printf 'install ok installed'; exit 0; fi
exit 1
SH
cat > "$fake/dpkg" <<'SH'
#!/bin/bash
echo "dpkg $*" >> "$FAKE_LOG"
case "$1" in
  --print-foreign-architectures) cat "$FAKE_STATE/arches" 2>/dev/null ;;
  --add-architecture) echo "$2" >> "$FAKE_STATE/arches" ;;
esac
SH
chmod +x "$fake"/*

failures=0
check() { # check <description> <condition...>
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

# Runs apt_ensure with the set-up's shell options in a fresh state; output in $out, code in $rc.
run() {
  rm -rf "$work/state"; mkdir -p "$work/state"
  : > "$work/log"
  printf '%s\n' "${INSTALLED[@]}" > "$work/state/installed"
  printf '%s\n' "${ARCHES[@]}" > "$work/state/arches"
  out=$(env PATH="$fake:$PATH" FAKE_LOG="$work/log" FAKE_STATE="$work/state" SUDO="" \
        APT_RETRY_DELAY=0 APT_RELEASE=bookworm "$@" \
        bash -c 'set -euo pipefail; source "$1/apt.sh"; apt_ensure wine wine32:i386 cmake' _ "$here" 2>&1)
  rc=$?
  log=$(cat "$work/log")
}
has() { grep -qF -- "$2" <<<"$1"; }
count() { grep -cF -- "$2" <<<"$1" || true; }

echo "== nothing missing"
INSTALLED=(wine wine32:i386 cmake); ARCHES=(i386)
run
check "succeeds" [ "$rc" = 0 ]
check "calls neither apt-get nor dpkg" [ -z "$log" ]
check "prints nothing" [ -z "$out" ]

echo "== one index fails on every try"
INSTALLED=(); ARCHES=()
run FAKE_UPDATE_FAILS=99
check "succeeds" [ "$rc" = 0 ]
check "adds the i386 architecture" has "$log" "dpkg --add-architecture i386"
check "tries the update three times" [ "$(count "$log" "apt-get update")" = 3 ]
check "says in one line what failed and that it goes on" \
  [ "$(grep -c 'going on with the package lists that loaded' <<<"$out")" = 1 ]
check "names the failed index" has "$out" "Mirror sync in progress?"
check "installs all three packages" has "$log" "install -y -qq --no-install-recommends wine wine32:i386 cmake"

echo "== an index fails once"
INSTALLED=(cmake); ARCHES=(i386)
run FAKE_UPDATE_FAILS=1
check "succeeds" [ "$rc" = 0 ]
check "does not add an architecture that is there" bash -c '! grep -q add-architecture <<<"$1"' _ "$log"
check "tries the update twice" [ "$(count "$log" "apt-get update")" = 2 ]
check "reports no failure" bash -c '! grep -q failed <<<"$1"' _ "$out"
check "installs only what is missing" has "$log" "install -y -qq --no-install-recommends wine wine32:i386"

echo "== amd64 and i386 halves from different suites"
INSTALLED=(); ARCHES=(i386)
run FAKE_UPDATE_FAILS=99 FAKE_SKEW=1
check "succeeds" [ "$rc" = 0 ]
check "installs from the release suite" has "$log" "install -y -qq --no-install-recommends -t bookworm wine wine32:i386 cmake"
check "says why in one line" [ "$(grep -c 'installing from the bookworm suite alone' <<<"$out")" = 1 ]
check "names the held packages" has "$out" "held broken packages"

echo "== packages that cannot be had"
INSTALLED=(); ARCHES=(i386)
run FAKE_UNAVAILABLE=1
check "fails" [ "$rc" != 0 ]
check "says which packages and why" has "$out" "cannot install wine wine32:i386 cmake: E: Unable to locate package wine32"
check "installs nothing for real" bash -c '! grep -q "install -y -qq" <<<"$1"' _ "$log"

if [ "$failures" -gt 0 ]; then echo "$failures check(s) failed"; exit 1; fi
echo "all checks passed"
