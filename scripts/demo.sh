#!/usr/bin/env bash
# The main job: setup, build, then run the demo under Xvfb and save its screenshot.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
source "$top/scripts/env.sh"
out="$BUILD_DIR/demo"
mkdir -p "$out"
export LC_ALL=zh_CN.UTF-8
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wineserver -p
  wine "$1/bin/demo.exe" "$(winepath -w "$2/demo.png")"
  rc=$?
  wineserver -k
  exit $rc' demo "$BUILD_DIR" "$out"
echo "screenshot: $out/demo.png"
