#!/usr/bin/env bash
# Runs a command under its own Xvfb with the prefix's wineserver kept up for the whole run (so
# that every Wine program of the command shares one), and exits with the command's exit code.
# Usage: xsession.sh <command> [arguments...]; the caller has sourced scripts/env.sh.
set -euo pipefail
# A wineserver left from an earlier session would bind the new one to a dead display.
wineserver -k 2>/dev/null || true
wineserver -w
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wineserver -p
  wine cmd /c exit >/dev/null 2>&1
  rc=0
  "$@" || rc=$?
  wineserver -k
  wineserver -w
  exit $rc' xsession "$@"
