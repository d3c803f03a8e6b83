#!/bin/sh
# Runs a Windows program in the build folder's own Wine prefix (WINEPREFIX).
# The Wine server and Wine's background programs are started apart, with no
# output of ours, so that they cannot keep the caller's pipes open once the
# program has ended.
: "${WINEPREFIX:?WINEPREFIX must name the build folder's prefix}"
export WINEPREFIX
PROJECT_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$PROJECT_ROOT/tools/wine-env.sh"
# The prefix is a copy of the project's prefix template (windows unmanaged:
# no 2 s pause each time one is hidden), made by the first test that needs
# it; tests that start together wait for one another here.
(
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        "$PROJECT_ROOT/tools/copy-wine-prefix" "$WINEPREFIX"
    fi
) 9>"$WINEPREFIX.lock"
if wineserver -p30 </dev/null >/dev/null 2>&1; then
    wine_tool wineboot </dev/null >/dev/null 2>&1 || true
fi
# Wine starts some of its own programs (the desktop, services) on demand,
# from whatever program needs them, and they keep that program's output open
# until the prefix has been idle a while: the program's output goes through
# a file of its own, so a test ends when its program does.
output=$(mktemp)
wine_run "$@" >"$output" 2>&1 &
program=$!
tail -n +1 -s 0.2 --pid="$program" -f "$output"
wait "$program"
status=$?
rm -f "$output"
exit $status
