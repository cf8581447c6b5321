#!/usr/bin/env bash
# The main job: setup, build, then the demo station: the operator centre and alarm view, and
# the test host playing an operator's session (demo/station.fps) on BALANCE8 faceplates fed by
# the communication server with its fired-heater model, which the script starts, kills and
# restarts. Screenshots, their index page (index.html), the host's output, the operation log
# with the verifier's verdict and the peers' request logs land in build/demo.
# On a reachable display (DISPLAY set) the station runs there and stays up after the session
# until the operator has closed its faceplates; otherwise it runs under Xvfb and exits.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
source "$top/scripts/env.sh"
out="$BUILD_DIR/demo"
rm -rf "$out"
mkdir -p "$out"
cd "$out"
export LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8
export KR_LOG_PATH="$(winepath -w "$out/operation.log" 2>/dev/null)"
export DEMO_BIN="$BUILD_DIR/bin" DEMO_TOP="$top"

# The script as played; on a display its last command keeps the station up for the operator.
export DEMO_SCRIPT="$out/station.fps"
cp "$top/demo/station.fps" "$DEMO_SCRIPT"
on_display=0
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  on_display=1
  printf 'stay\n' >> "$DEMO_SCRIPT"
fi

# One station session on $DISPLAY: the peers, then the host with the script (which starts
# the server itself); the verifier reads the operation log afterwards.
session() {
  set -uo pipefail
  wineserver -p
  wine cmd /c exit >/dev/null 2>&1
  wine "$DEMO_BIN/DOZezeru.exe" --name TaskCenter --log "$(winepath -w "$PWD/operator_centre.log")" \
       --pos 820,40 > /dev/null 2>&1 &
  wine "$DEMO_BIN/ZUZuvAdud.exe" --log "$(winepath -w "$PWD/alarm_view.log")" --pos 820,300 \
       > /dev/null 2>&1 &
  sleep 3
  wine "$DEMO_BIN/fphost.exe" --ini "$(winepath -w "$DEMO_TOP/demo/station_host.ini")" \
       --script "$(winepath -w "$DEMO_SCRIPT")" 2>&1 | tee host.log
  local rc=${PIPESTATUS[0]}
  wine "$DEMO_BIN/krlogread.exe" "$KR_LOG_PATH" > log_verdict.txt 2>&1 || true
  wineserver -k
  wineserver -w
  return "$rc"
}

wineserver -k 2>/dev/null || true
wineserver -w
rc=0
if [ "$on_display" = 1 ]; then
  echo "demo: running on display $DISPLAY; after the session close BAL102's window and the BAL101 faceplate (Alt+F4) to end the station"
  session || rc=$?
else
  # xvfb-run is a POSIX shell script, which drops exported functions: the function goes as text.
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "$(declare -f session); session" || rc=$?
fi

# The index page: every screenshot in the script's order with the "#:" line before it.
html() { sed 's/&/\&amp;/g;s/</\&lt;/g;s/>/\&gt;/g'; }
result=$(grep -h 'script done' host.log 2>/dev/null | tr -d '\r' | tail -n1 | html || true)
verdict=$(tail -n1 log_verdict.txt 2>/dev/null | tr -d '\r' | html || true)
{
  printf '<!DOCTYPE html>\n<html><head><meta charset="utf-8"><title>BALANCE8 demo station</title>\n'
  printf '<style>body{font-family:sans-serif;margin:2em}li{margin:0 0 2em}img{display:block;'
  printf 'border:1px solid #888;margin-top:.4em;max-width:100%%}</style></head><body>\n'
  printf '<h1>BALANCE8 demo station</h1>\n<p>Host exit code %s: %s. ' "$rc" \
         "${result:-the host ended without its summary}"
  printf 'Operation log verdict: <a href="log_verdict.txt">%s</a>. ' "${verdict:-none}"
  printf 'Also: <a href="host.log">host output</a>, <a href="operation.log">operation log</a>, '
  printf '<a href="operator_centre.log">operator centre</a>, <a href="alarm_view.log">alarm view</a>.</p>\n<ol>\n'
  caption=""
  while IFS= read -r line; do
    line=${line%$'\r'}
    case "$line" in
      '#:'*) caption=${line#'#:'}; caption=${caption# } ;;
      screenshot\ *|screenshot-screen\ *)
        png=${line#* }
        caption=$(printf '%s' "$caption" | html)
        if [ -f "$png" ]; then
          printf '<li>%s<img src="%s" alt="%s"></li>\n' "$caption" "$png" "$png"
        else
          printf '<li>%s <strong>(%s missing)</strong></li>\n' "$caption" "$png"
        fi
        caption="" ;;
    esac
  done < "$DEMO_SCRIPT"
  printf '</ol>\n</body></html>\n'
} > index.html

echo "demo: screenshots, index.html and the operation log in $out"
ls "$out"
exit "$rc"
