#!/usr/bin/env bash
# Idempotent machine and Wine-prefix setup for a fresh Debian 12 machine (run as root).
# Re-running it only checks what is there.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
PACKAGES=(wine wine32:i386 wine64 g++-mingw-w64-i686 mingw-w64-tools cmake googletest
          xvfb xauth x11-utils xdotool imagemagick fonts-wqy-microhei fonts-wine locales)
# The Chinese station's locale: scripts run Wine with it (code page 936), and without a
# generated locale every shell warns and non-ASCII command-line arguments arrive garbled.
STATION_LOCALE=zh_CN.UTF-8

source "$top/scripts/apt.sh"
apt_ensure "${PACKAGES[@]}"

if ! locale -a 2>/dev/null | grep -qix "${STATION_LOCALE/UTF-8/utf8}"; then
  echo "setup: generating the $STATION_LOCALE locale"
  entry="$STATION_LOCALE ${STATION_LOCALE#*.}"
  if ! grep -qx "$entry" /etc/locale.gen 2>/dev/null; then
    # Uncomment the shipped line, or add it when the list does not hold one.
    if grep -qx "# *$entry" /etc/locale.gen 2>/dev/null; then
      $SUDO sed -i "s/^# *$entry\$/$entry/" /etc/locale.gen
    else
      echo "$entry" | $SUDO tee -a /etc/locale.gen >/dev/null
    fi
  fi
  ${SUDO:-} locale-gen >/dev/null
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
