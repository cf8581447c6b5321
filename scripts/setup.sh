#!/usr/bin/env bash
# Idempotent machine and Wine-prefix setup for a fresh Debian 12 machine (run as root).
# Re-running it only checks what is there.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
PACKAGES=(wine wine32:i386 wine64 g++-mingw-w64-i686 mingw-w64-tools cmake googletest
          xvfb xauth xdotool imagemagick fonts-wqy-zenhei fonts-wine)

missing=()
for p in "${PACKAGES[@]}"; do
  name=${p%%:*}; arch=${p#*:}; [ "$arch" = "$p" ] && arch=""
  q=$name; [ -n "$arch" ] && q="$name:$arch"
  dpkg-query -W -f='${Status}' "$q" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The decision native / emulated is taken in env.sh, once Wine is installed.
source "$top/scripts/env.sh"
if [ "$WINE_VIA_QEMU" = 1 ]; then
  "$top/scripts/emulation.sh" "$WINE_QEMU_DIR"
  echo "setup: Wine path: emulated through qemu ($(qemu-i386 --version | head -1))"
else
  echo "setup: Wine path: native 32-bit"
fi

exec "$top/scripts/wineprefix.sh"
