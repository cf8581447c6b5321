#!/usr/bin/env bash
# The test command: setup (packages, Wine prefix), build, then every test under one Xvfb.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
source "$top/scripts/env.sh"
cd "$BUILD_DIR"
# A wineserver left from an earlier session would bind the new one to a dead display.
wineserver -k 2>/dev/null || true
wineserver -w
# One test at a time: many tests check keyboard focus and the active window, which windows of
# a parallel test would take away.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wineserver -p
  wine cmd /c exit >/dev/null 2>&1
  ctest --output-on-failure --timeout 120 "$@"
  rc=$?
  wineserver -k
  wineserver -w
  exit $rc' ctest "$@"
