#!/usr/bin/env bash
# The emulated Wine path for machines that refuse 32-bit Linux programs: qemu-user from the
# backports suite runs Debian's 32-bit Wine loader. Builds a private loader folder under the
# build folder whose `wine` starts the loader through qemu; Wine starts every 32-bit child
# through the `wine` beside its own loader, so children go through qemu too.
# Usage: emulation.sh <loader folder>
set -euo pipefail
dir=$1

# qemu-user 10 (bookworm's own 7.2 needs about a minute per Wine process start).
if ! command -v qemu-i386 >/dev/null 2>&1 ||
   ! qemu-i386 --version | grep -Eq 'version ([1-9][0-9]|[89])\.'; then
  source "$(dirname "${BASH_SOURCE[0]}")/apt.sh"
  list=/etc/apt/sources.list.d/project-backports.sources
  if [ ! -f "$list" ]; then
    # The backports suite from the same mirror and keyring as the machine's Debian source.
    uris=""; keyring=""
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] || continue
      read -r uris keyring < <(awk '
        /^[ \t]*$/ { if (deb && suite) { print uris, key; exit } deb=0; suite=0; uris=""; key="" }
        /^Types:/ && / deb( |$)/ { deb=1 }
        /^URIs:/ { uris=$2 }
        /^Suites:/ { for (i=2;i<=NF;i++) if ($i=="bookworm") suite=1 }
        /^Signed-By:/ { key=$2 }
        END { if (deb && suite) print uris, key }' "$f") || true
      [ -n "$uris" ] && break
    done
    if [ -z "$uris" ] && [ -f /etc/apt/sources.list ]; then
      uris=$(awk '$1=="deb" && $3=="bookworm" { print $2; exit }' /etc/apt/sources.list | sed 's/\[.*\]//')
    fi
    [ -n "$uris" ] || { echo "setup: no Debian bookworm source to copy for backports" >&2; exit 1; }
    { echo "Types: deb"; echo "URIs: $uris"; echo "Suites: bookworm-backports"
      echo "Components: main"; [ -n "$keyring" ] && echo "Signed-By: $keyring"; } | $SUDO tee "$list" >/dev/null
  fi
  apt_update
  apt_install -t "$(apt_release)-backports" -- qemu-user
fi

# The loader folder: real copies of both loaders (Wine finds `wine` beside its own loader),
# the libraries linked where the loaders look for them relative to themselves.
mkdir -p "$dir/lib/wine" "$dir/bin" "$dir/share"
for f in wine64 wine; do
  target="$dir/lib/wine/$f"; [ "$f" = wine ] && target="$dir/lib/wine/wine.i386"
  cmp -s "/usr/lib/wine/$f" "$target" 2>/dev/null || cp -f "/usr/lib/wine/$f" "$target"
done
ln -sfn /usr/lib/wine/wineserver "$dir/lib/wine/wineserver"
ln -sfn /usr/lib/x86_64-linux-gnu "$dir/lib/x86_64-linux-gnu"
ln -sfn /usr/lib/i386-linux-gnu "$dir/lib/i386-linux-gnu"
ln -sfn /usr/share/wine "$dir/share/wine"
cat > "$dir/lib/wine/wine" <<'SH'
#!/bin/sh
d=$(dirname "$(readlink -f "$0")")
export WINELOADERNOEXEC=1
exec qemu-i386 -0 "$d/wine" "$d/wine.i386" "$@"
SH
# Entry points for scripts and tests, first on PATH: `wine --version` does not answer through
# qemu, so the 64-bit loader answers it.
cat > "$dir/bin/wine" <<'SH'
#!/bin/sh
d=$(dirname "$(readlink -f "$0")")/..
[ "${1:-}" = "--version" ] && exec "$d/lib/wine/wine64" --version
exec "$d/lib/wine/wine" "$@"
SH
for tool in wineboot winepath regedit winecfg winedbg; do
  printf '#!/bin/sh\nexec "$(dirname "$(readlink -f "$0")")/wine" %s "$@"\n' "$tool" > "$dir/bin/$tool"
done
ln -sfn /usr/lib/wine/wineserver "$dir/bin/wineserver"
chmod +x "$dir/lib/wine/wine" "$dir/bin/"*
