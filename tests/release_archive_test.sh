#!/bin/sh
# The release archive as an installer author gets it: unpacked into an empty
# folder outside the checkout, its checksums and links checked there, then
# one installer per family built from that folder alone (plus makensis,
# wixl and Inno Setup's compiler) with a small script of the test's placed
# in it; then tests/release_archive_test.cpp installs and uninstalls them in
# a scratch prefix. Inno's installer is not built where 32-bit programs run
# through qemu (its compiler crashes there), and its case reports itself
# skipped.
# Usage: release_archive_test.sh ARCHIVE ISCC STATE_FOLDER TEST_PROGRAM
set -eu
archive=$1 iscc=$2 state=$3 test_program=$4
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/remove_tree_release.XXXXXX")
trap 'rm -rf "$work"' EXIT
release=$work/release
built=$work/installers
mkdir -p "$release" "$built"
unzip -q "$archive" -d "$release"
(cd "$release" && sha256sum -c --quiet SHA256SUMS)
echo "checksums: every file of the archive as SHA256SUMS names it"
"$root/tools/check-links" "$release"
for file in "$release/SHA256SUMS" "$release/remove_tree.exe" "$release/UNWISE.EXE" \
    "$release/remove_tree_settings.exe" "$release/integrations/nsis/remove_tree.nsh" \
    "$release/integrations/wix/remove_tree.wxi" "$release/integrations/inno/remove_tree.iss"; do
    [ -f "$file" ] || { echo "the archive lacks ${file#"$release"/}"; exit 1; }
done

cp "$here"/release_archive/release_tool.* "$release/"
makensis -V2 "-DOUTFILE=$built/release_tool_nsis.exe" "$release/release_tool.nsi"
(cd "$release" && wixl -D RemoveTreeDir=. -o "$built/release_tool.msi" release_tool.wxs)
installers="$built/release_tool_nsis.exe $built/release_tool.msi"
if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    echo "Inno Setup's installer not built: its compiler crashes where 32-bit programs run through qemu"
else
    # The folders as Wine's drive Z: names them; the compiler runs in the
    # build folder's prefix (WINEPREFIX).
    windows() { printf 'Z:%s' "$(realpath "$1")" | tr / '\\'; }
    sh "$here/run_under_wine.sh" "$iscc" /Q "/O$(windows "$built")" \
        "$(windows "$release/release_tool.iss")" </dev/null
    installers="$installers $built/release_tool_inno.exe"
fi
# shellcheck disable=SC2086
sh "$root/tools/run-in-scratch-prefix" "$state" "$test_program" $installers
