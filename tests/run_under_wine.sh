#!/bin/sh
# Runs a Windows program in the build folder's own Wine prefix (WINEPREFIX).
# The Wine server and Wine's background programs are started apart, with no
# output of ours, so that they cannot keep the caller's pipes open once the
# program has ended.
: "${WINEPREFIX:?WINEPREFIX must name the build folder's prefix}"
export WINEPREFIX
PROJECT_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$PROJECT_ROOT/tools/wine-env.sh"
if wineserver -p30 </dev/null >/dev/null 2>&1; then
    wine wineboot </dev/null >/dev/null 2>&1 || true
    # Without a window manager Wine waits about 2 s whenever a top-level
    # window is hidden, unless it leaves the windows unmanaged.
    if [ ! -f "$WINEPREFIX/unmanaged-windows" ]; then
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 &&
            touch "$WINEPREFIX/unmanaged-windows"
    fi
fi
exec wine "$@"
