#!/usr/bin/env bash
# The main job: setup, build, then the demo station under Xvfb: the communication server with
# its fired-heater model, the test host, and a BALANCE8 faceplate driven by a script.
# Screenshots and the operation log land in build/demo.
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
wineserver -k 2>/dev/null || true
wineserver -w
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  bin=$1; top=$2
  wineserver -p
  wine cmd /c exit >/dev/null 2>&1
  wine "$bin/commserver.exe" --config "$(winepath -w "$bin/demo_station.ini")" > commserver.log 2>&1 &
  server=$!
  # The operator centre and the alarm view, which the flow and alarm buttons reach.
  wine "$bin/DOZezeru.exe" --name TaskCenter --log "$(winepath -w "$PWD/operator_centre.log")" \
       --pos 960,40 > /dev/null 2>&1 &
  wine "$bin/ZUZuvAdud.exe" --log "$(winepath -w "$PWD/alarm_view.log")" --pos 960,360 \
       > /dev/null 2>&1 &
  sleep 3
  rc=0
  wine "$bin/fphost.exe" --ini "$(winepath -w "$top/demo/station_host.ini")" \
       --script "$(winepath -w "$top/demo/station.fps")" || rc=$?
  wine "$bin/krlogread.exe" "$KR_LOG_PATH" > log_verdict.txt 2>&1 || true
  kill $server 2>/dev/null || true
  wineserver -k
  wineserver -w
  exit $rc' demo "$BUILD_DIR/bin" "$top"
echo "demo: screenshots and operation log in $out"
ls "$out"
