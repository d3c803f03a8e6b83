#!/bin/sh
# The release archive as an installer author gets it: unpacked into an empty
# folder outside the checkout, its checksums and links checked there, then
# the installer of one family built from that folder alone (plus makensis,
# wixl or Inno Setup's compiler under Wine) with a small script of the
# test's placed in it; then tests/release_archive_test.cpp installs and
# uninstalls it in a scratch prefix of the family's own.
# Usage: release_archive_test.sh ARCHIVE nsis|msi|inno ISCC STATE_FOLDER TEST_PROGRAM
set -eu
archive=$1 family=$2 iscc=$3 state=$4 test_program=$5
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
    "$release/integrations/wix/remove_tree.wxi" "$release/integrations/wix/finish_wixl_package.sh" \
    "$release/integrations/inno/remove_tree.iss"; do
    [ -f "$file" ] || { echo "the archive lacks ${file#"$release"/}"; exit 1; }
done

cp "$here"/release_archive/release_tool.* "$release/"
case "$family" in
nsis)
    installer=$built/release_tool_nsis.exe
    makensis -V2 "-DOUTFILE=$installer" "$release/release_tool.nsi"
    test_case=nsis_installer
    ;;
msi)
    installer=$built/release_tool.msi
    (cd "$release" && wixl -D RemoveTreeDir=. -o "$installer" release_tool.wxs &&
        sh integrations/wix/finish_wixl_package.sh msibuild "$installer")
    test_case=msi_package
    ;;
inno)
    installer=$built/release_tool_inno.exe
    # The folders as Wine's drive Z: names them; the compiler runs in the
    # build folder's prefix (WINEPREFIX).
    windows() { printf 'Z:%s' "$(realpath "$1")" | tr / '\\'; }
    sh "$here/run_under_wine.sh" "$iscc" /Q "/O$(windows "$built")" \
        "$(windows "$release/release_tool.iss")" </dev/null
    test_case=inno_setup_installer
    ;;
*)
    echo "no such family: $family" >&2
    exit 2
    ;;
esac
[ -f "$installer" ] || { echo "$family: no installer was built"; exit 1; }
sh "$root/tools/run-in-scratch-prefix" "$state" "$test_program" "$installer" \
    -- "--gtest_filter=release_archive.$test_case"
