# Shared environment for every script that runs Wine: sourced, not executed.
top=${top:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
BUILD_DIR=${BUILD_DIR:-$top/build}
export BUILD_DIR
export WINEPREFIX=${WINEPREFIX:-$BUILD_DIR/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all,err+winediag}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

# Which way Wine runs: natively, or through qemu on machines that refuse 32-bit Linux programs
# ("Exec format error" from the 32-bit loader). WINE_VIA_QEMU=1 forces the emulated path.
WINE_QEMU_DIR=${WINE_QEMU_DIR:-$BUILD_DIR/wine-qemu}
if [ -z "${WINE_VIA_QEMU:-}" ]; then
  WINE_VIA_QEMU=0
  if [ -x /usr/lib/wine/wine ]; then
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then :; elif [ $? -eq 126 ]; then
      WINE_VIA_QEMU=1
    fi
  fi
fi
export WINE_VIA_QEMU WINE_QEMU_DIR
if [ "$WINE_VIA_QEMU" = 1 ]; then
  case ":$PATH:" in *":$WINE_QEMU_DIR/bin:"*) ;; *) export PATH="$WINE_QEMU_DIR/bin:$PATH" ;; esac
fi
