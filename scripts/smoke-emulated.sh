#!/usr/bin/env bash
# A short run of the emulated Wine path (qemu) on a machine that runs 32-bit programs natively,
# so that the path cannot rot unseen: prefix creation, one end-to-end faceplate test against the
# server program, one screenshot. Uses the binaries of the existing build.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
export WINE_VIA_QEMU=1
export BUILD_DIR=${BUILD_DIR:-$top/build}
export WINEPREFIX=$BUILD_DIR/wineprefix-qemu
source "$top/scripts/env.sh"
start=$(date +%s)
"$top/scripts/emulation.sh" "$WINE_QEMU_DIR"
"$top/scripts/wineprefix.sh"
out="$BUILD_DIR/smoke-emulated"
rm -rf "$out" && mkdir -p "$out"
cd "$BUILD_DIR"
"$top/scripts/xsession.sh" bash -c '
  out=$1
  rc=0
  (cd "$BUILD_DIR/balance8/tests" && KR_BIN_DIR="$BUILD_DIR/bin" timeout 300 wine "$BUILD_DIR/bin/balance8_e2e_test.exe" \
     --gtest_filter=Balance8Test.ConfirmedSwitchWriteReachesServerAndLogOnce) || rc=$?
  if [ $rc -eq 0 ]; then
    cd "$out"
    wine "$BUILD_DIR/bin/fphost.exe" --ini "$(winepath -w "$BUILD_DIR/bin/demo_host.ini")" \
      --script "$(winepath -w "$BUILD_DIR/bin/fphost_smoke.fps")" >/dev/null 2>&1 || rc=$?
    [ -s fphost_compact.png ] || { echo "smoke: no screenshot"; rc=1; }
  fi
  exit $rc' smoke "$out"
echo "smoke: emulated path (qemu) passed in $(( $(date +%s) - start )) s"
