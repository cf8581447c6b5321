#!/usr/bin/env bash
# Creates (or checks) the project-local 32-bit Wine prefix: booted, no Mono/Gecko prompts,
# CJK font replacements, Wine-drawn window frames and the marlett font for caption buttons.
# Windows live in one virtual desktop of the screen's size: without a window manager, Wine
# waits 2 s for every top-level X window it hides; inside a virtual desktop it never waits.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"

wine_version=$(wine --version)
stamp="$WINEPREFIX/.project-stamp"
want="$wine_version prefix-v2"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
  exit 0
fi
if [ -d "$WINEPREFIX" ]; then
  echo "setup: recreating Wine prefix ($WINEPREFIX)"
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
fi
mkdir -p "$(dirname "$WINEPREFIX")"
echo "setup: creating Wine prefix ($WINEPREFIX)"
wineboot -i >/dev/null 2>&1
wineserver -w

reg="$WINEPREFIX/project.reg"
# UTF-16 so that the Chinese key name survives regedit.
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
  '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
  '"宋体"="WenQuanYi Zen Hei"' '"SimSun"="WenQuanYi Zen Hei"' \
  '"System"="WenQuanYi Zen Hei"' '"MS Shell Dlg"="WenQuanYi Zen Hei"' '' \
  '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Decorated"="N"' '' \
  '[HKEY_CURRENT_USER\Software\Wine\Explorer]' '"Desktop"="Default"' '' \
  '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' '"Default"="1280x1024"' '' \
  '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' |
  iconv -f UTF-8 -t UTF-16 > "$reg"
wine regedit /S "$reg" >/dev/null 2>&1
wineserver -w
if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
fi
echo "$want" > "$stamp"
