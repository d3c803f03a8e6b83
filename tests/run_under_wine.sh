#!/bin/sh
# Runs a Windows program in the build folder's own Wine prefix (WINEPREFIX).
# The Wine server is started on its own, with no output of ours, so that it
# cannot keep the caller's pipes open once the program has ended.
: "${WINEPREFIX:?WINEPREFIX must name the build folder's prefix}"
export WINEPREFIX
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
wineserver -p30 </dev/null >/dev/null 2>&1 || true
exec wine "$@"
