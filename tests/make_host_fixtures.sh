#!/bin/sh
# Trees that Wine cannot make itself or that ordinary paths cannot address,
# made on the host side in the scratch folder:
# - link_fixture/tree/sub/link leads to link_fixture/target, which must survive,
#   and link_fixture/to_root to the scratch drive's root;
# - odd_names/tree: names outside the system code page (Japanese, Greek,
#   emoji, a combining mark);
# - reserved_names/tree: device names and names ending in a dot or blank;
# - deep/tree: nested folders whose full path passes 1,000 characters.
set -eu
mkdir -p link_fixture/tree/sub link_fixture/target
echo "must survive" >link_fixture/target/precious.txt
echo "goes" >link_fixture/tree/sub/plain.txt
ln -s "$PWD/link_fixture/target" link_fixture/tree/sub/link
ln -s "$PWD" link_fixture/to_root

mkdir -p "odd_names/tree/日本語のフォルダ" "odd_names/tree/Ελληνικά"
for name in "日本語のフォルダ/ファイル.txt" "Ελληνικά/αρχείο.txt" "emoji 😀.txt" \
    "cafe$(printf 'e\314\201').txt"; do
    echo "odd" >"odd_names/tree/$name"
done

mkdir -p reserved_names/tree "reserved_names/tree/dirdot." "reserved_names/tree/dirspace "
for name in con.txt aux nul com1.log lpt1 "name." "name " "trail.." "dirdot./in.txt" \
    "dirspace /in.txt"; do
    echo "reserved" >"reserved_names/tree/$name"
done

path=deep/tree
for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16; do
    path="$path/level $i of a tree that goes deeper than any ordinary path can reach"
done
mkdir -p "$path"
echo "deep" >"$path/bottom.txt"
