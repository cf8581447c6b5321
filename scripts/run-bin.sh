#!/usr/bin/env bash
# Setup, build, then one program of the build folder under its own Xvfb and wineserver.
# Usage: run-bin.sh <program.exe> [arguments...]; exits with the program's exit code.
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
  wine "$@" | grep -v "^fphost: opened"
  rc=${PIPESTATUS[0]}
  wineserver -k
  wineserver -w
  exit $rc' run-bin "$@"
