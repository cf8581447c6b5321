#!/usr/bin/env bash
# The benchmark: setup, build, then fpbench.exe under one Xvfb. Arguments go to fpbench
# (--quick for a short run; --cycles N, --station-seconds S, --callups N, --rounds N).
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
  wine fpbench.exe "$@" | grep -v "^fphost: opened"
  rc=${PIPESTATUS[0]}
  wineserver -k
  wineserver -w
  exit $rc' fpbench "$@"
