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
want="$wine_version prefix-v3"
# In-process COM servers of the build (the control-information component), registered under
# HKCR\CLSID with the path the build gives them. The path is known before the build, so the
# import runs once per prefix, and again only when the path changes (its own stamp).
register_com_servers() {
  local bin dll reg_stamp reg_file
  bin=$(realpath -m "$BUILD_DIR/bin")
  dll="Z:${bin//\//\\}\\KrControlInfo.dll"
  reg_stamp="$WINEPREFIX/.com-servers-stamp"
  if [ -f "$reg_stamp" ] && [ "$(cat "$reg_stamp")" = "$dll" ]; then
    return 0
  fi
  reg_file="$WINEPREFIX/com-servers.reg"
  printf '%s\r\n' 'REGEDIT4' '' \
    '[HKEY_CLASSES_ROOT\CLSID\{DEB7A428-129C-4473-9B8E-C04F2879B890}]' '@="KrControlInfo"' '' \
    '[HKEY_CLASSES_ROOT\CLSID\{DEB7A428-129C-4473-9B8E-C04F2879B890}\InprocServer32]' \
    "@=\"${dll//\\/\\\\}\"" '"ThreadingModel"="Apartment"' '' > "$reg_file"
  wine regedit /S "$reg_file" >/dev/null 2>&1
  wineserver -w
  echo "$dll" > "$reg_stamp"
}

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
  register_com_servers
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
# The templates' Chinese faces. WenQuanYi Micro Hei draws every caption whole at 9 pt: it is
# hinted and anti-aliased at every size. WenQuanYi Zen Hei asks (gasp table) for unsmoothed
# drawing from 9 to 16 pixels, and Wine's monochrome rendering of its unhinted outlines drops
# strokes of dense glyphs ("衡" comes out as half a glyph, "吗" loses its right part) and
# draws the quotes of GBK texts half-width.
cjk_font="WenQuanYi Micro Hei"
# UTF-16 so that the Chinese key name survives regedit.
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
  '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
  "\"宋体\"=\"$cjk_font\"" "\"SimSun\"=\"$cjk_font\"" \
  "\"System\"=\"$cjk_font\"" "\"MS Shell Dlg\"=\"$cjk_font\"" '' \
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
register_com_servers
