#!/usr/bin/env bash
# Setup, build, then one program of the build folder under its own Xvfb and wineserver.
# Usage: run-bin.sh <program.exe> [arguments...]; exits with the program's exit code.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
source "$top/scripts/env.sh"
cd "$BUILD_DIR/bin"
exec "$top/scripts/xsession.sh" bash -c \
  'wine "$@" | grep -v "^fphost: opened"; exit ${PIPESTATUS[0]}' run-bin "$@"
