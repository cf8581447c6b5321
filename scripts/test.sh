#!/usr/bin/env bash
# The test command: setup (packages, Wine prefix), build, then every test under one Xvfb.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
source "$top/scripts/env.sh"
cd "$BUILD_DIR"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wineserver -p
  wine cmd /c exit >/dev/null 2>&1
  ctest --output-on-failure -j2 --timeout 120 "$@"
  rc=$?
  wineserver -k
  exit $rc' ctest "$@"
