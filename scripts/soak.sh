#!/usr/bin/env bash
# The soak run: setup, build, then fpsoak.exe under one Xvfb (minutes). Arguments go to fpsoak
# (--writes N, default 1000; --restarts N, default 10). Exit code 0 when every check passed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
source "$top/scripts/env.sh"
cd "$BUILD_DIR/bin"
wineserver -k 2>/dev/null || true
wineserver -w
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wineserver -p
  wine cmd /c exit >/dev/null 2>&1
  wine fpsoak.exe "$@" | grep -v "^fphost: opened"
  rc=${PIPESTATUS[0]}
  wineserver -k
  wineserver -w
  exit $rc' fpsoak "$@"
