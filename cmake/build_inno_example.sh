#!/bin/sh
# Builds the Inno Setup example with Inno Setup's compiler under Wine, in
# the build folder's prefix (WINEPREFIX), then touches STAMP. Where 32-bit
# programs run through qemu the compiler crashes after writing a setup that
# then reports "The setup files are corrupted": nothing is built there, and
# the example's test reports itself skipped.
# Usage: build_inno_example.sh ISCC BUILD_FOLDER SCRIPT STAMP
set -eu
iscc=$1 build=$2 script=$3 stamp=$4
rm -f "$build/example_tool_inno_setup.exe"
if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    echo "Inno Setup example not built: its compiler crashes where 32-bit programs run through qemu"
else
    here=$(cd "$(dirname "$0")/.." && pwd)
    # The host's folders as Wine's drive Z: names them.
    windows() { printf 'Z:%s' "$(realpath "$1")" | tr / '\\'; }
    sh "$here/tests/run_under_wine.sh" "$iscc" /Q "/DRemoveTreeDir=$(windows "$build")" \
        "/O$(windows "$build")" "$(windows "$script")" </dev/null
fi
touch "$stamp"
