#!/bin/sh
# Runs a Windows program that deletes files in a Wine prefix that reaches
# nothing of the host but its own C: and one scratch folder, drive S:, with the
# current directory there. Wine's usual Z: (the host's whole file system) and
# every other drive are removed first, so a wrong path cannot harm the machine.
# Usage: run_in_scratch_prefix.sh STATE_FOLDER PROGRAM [FILE...] -- [ARGUMENT...]
# PROGRAM and the FILEs are copied into the scratch folder, emptied first.
set -eu
state=$(realpath "$1")
shift
prefix=$state/prefix
scratch=$state/scratch
mkdir -p "$state/home"
export WINEPREFIX="$prefix" HOME="$state/home" WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"

if [ ! -f "$prefix/system.reg" ]; then
    wineboot -i </dev/null >/dev/null 2>&1
fi
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

for entry in "$prefix"/dosdevices/*; do
    case "${entry##*/}" in
    c:) ;;
    *) rm -f "$entry" ;;
    esac
done
rm -rf "$scratch"
mkdir -p "$scratch"
ln -s "$scratch" "$prefix/dosdevices/s:"
drives=$(ls "$prefix/dosdevices" | tr '\n' ' ')
if [ "$drives" != "c: s: " ]; then
    echo "refusing to run: the prefix has drives $drives" >&2
    exit 1
fi

program=$(basename "$1")
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    cp "$1" "$scratch/"
    shift
done
[ $# -gt 0 ] && shift

# A link inside a tree, made on the host side: Wine cannot make one itself.
mkdir -p "$scratch/link_fixture/tree/sub" "$scratch/link_fixture/target"
echo "must survive" >"$scratch/link_fixture/target/precious.txt"
echo "goes" >"$scratch/link_fixture/tree/sub/plain.txt"
ln -s "$scratch/link_fixture/target" "$scratch/link_fixture/tree/sub/link"

wineserver -p30 </dev/null >/dev/null 2>&1 || true
cd "$scratch"
status=0
wine "./$program" "$@" || status=$?
wineserver -k 2>/dev/null || true
exit $status
