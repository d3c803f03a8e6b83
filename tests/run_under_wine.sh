#!/bin/sh
# Runs a Windows program in the build folder's own Wine prefix (WINEPREFIX).
# The Wine server and Wine's background programs are started apart, with no
# output of ours, so that they cannot keep the caller's pipes open once the
# program has ended.
: "${WINEPREFIX:?WINEPREFIX must name the build folder's prefix}"
export WINEPREFIX
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
if wineserver -p30 </dev/null >/dev/null 2>&1; then
    wine wineboot </dev/null >/dev/null 2>&1 || true
fi
exec wine "$@"
