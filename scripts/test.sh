#!/usr/bin/env bash
# The test command: setup (packages, Wine prefix), build, then every test under one Xvfb.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
source "$top/scripts/env.sh"
cd "$BUILD_DIR"
# One test at a time: many tests check keyboard focus and the active window, which windows of
# a parallel test would take away.
exec "$top/scripts/xsession.sh" ctest --output-on-failure --timeout 120 "$@"
