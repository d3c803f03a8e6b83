#!/bin/sh
# Makes the release archive an installer author builds from: the three
# programs of a build, the drop-in files for NSIS, WiX and Inno Setup
# (integrations/), the example installers and the sample they install
# (examples/), README.md, LICENSE and docs/, laid out as in the project, with
# SHA256SUMS naming every other file (sha256sum -c reads it).
# Two builds of one commit give the same bytes: the entries in a fixed
# order, each file's time the commit's (or SOURCE_DATE_EPOCH), fixed
# permissions, no extra fields, times in UTC.
# Usage: make_release_archive.sh SOURCE_FOLDER BUILD_FOLDER ARCHIVE
set -eu
source=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
archive=$3

# The files' time: the commit's, or, outside a git checkout, that of the
# newest file the archive takes from the sources.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$source" log -1 --format=%ct 2>/dev/null) ||
        SOURCE_DATE_EPOCH=$(cd "$source" && find README.md LICENSE docs integrations examples \
            -type f -printf '%T@\n' | sort -n | tail -n 1 | cut -d. -f1)
fi

stage=$build/release-stage
rm -rf "$stage"
mkdir -p "$stage"
for program in remove_tree.exe UNWISE.EXE remove_tree_settings.exe remove_tree_actions.dll; do
    cp "$build/$program" "$stage/"
done
(
    cd "$source"
    for file in README.md LICENSE docs/* integrations/nsis/remove_tree.nsh \
        integrations/wix/remove_tree.wxi integrations/wix/finish_wixl_package.sh \
        integrations/inno/remove_tree.iss \
        $(find examples -type f | LC_ALL=C sort); do
        mkdir -p "$stage/$(dirname "$file")"
        cp "$file" "$stage/$file"
    done
)
cd "$stage"
find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort >"$build/release-files"
xargs -d '\n' sha256sum <"$build/release-files" >SHA256SUMS
echo SHA256SUMS >>"$build/release-files"
find . -type d -exec chmod 755 {} +
find . -type f -exec chmod 644 {} +
find . -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
rm -f "$archive.partial"
# -X: no extra fields (times, owners); -D: no entries for folders.
TZ=UTC zip -X -D -q "$archive.partial" -@ <"$build/release-files"
mv "$archive.partial" "$archive"
entries=$(grep -c . "$build/release-files")
cd "$build"
rm -rf "$stage" "$build/release-files"
echo "$archive: $entries files, $(wc -c <"$archive") bytes"
