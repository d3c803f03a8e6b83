#!/bin/sh
# Trees that Wine cannot make itself or that ordinary paths cannot address,
# made on the host side in the scratch folder:
# - link_fixture/tree/sub/link leads to link_fixture/target, which must survive,
#   and link_fixture/to_root to the scratch drive's root;
# - link_fixture/{file,empty,full}_link/tree hold a link to a file, an empty
#   folder and a full folder in link_fixture/outside, and link_fixture/top_link
#   is itself a link to a full folder there: all of outside must survive;
# - odd_names/tree: names outside the system code page (Japanese, Greek,
#   emoji, a combining mark);
# - reserved_names/tree: device names and names ending in a dot or blank;
# - deep/tree: nested folders whose full path passes 1,000 characters;
# - race/: the victim folder V and, running in the background until race/stop
#   appears (ten minutes at most), the program that swaps race/T/sub with a
#   link to V (swap_race.c).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p link_fixture/tree/sub link_fixture/target
echo "must survive" >link_fixture/target/precious.txt
echo "goes" >link_fixture/tree/sub/plain.txt
ln -s "$PWD/link_fixture/target" link_fixture/tree/sub/link
ln -s "$PWD" link_fixture/to_root

mkdir -p link_fixture/outside/empty link_fixture/outside/full
echo "must survive" >link_fixture/outside/file.txt
echo "must survive" >link_fixture/outside/full/precious.txt
for kind in file empty full; do
    mkdir -p "link_fixture/${kind}_link/tree"
    echo "goes" >"link_fixture/${kind}_link/tree/plain.txt"
done
ln -s "$PWD/link_fixture/outside/file.txt" link_fixture/file_link/tree/link.txt
ln -s "$PWD/link_fixture/outside/empty" link_fixture/empty_link/tree/link
ln -s "$PWD/link_fixture/outside/full" link_fixture/full_link/tree/link
ln -s "$PWD/link_fixture/outside/full" link_fixture/top_link

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

mkdir -p race/V race/T
for i in 1 2 3 4 5 6 7 8 9 10; do
    echo "victim" >"race/V/victim $i.txt"
done
cc -O2 -o race/swap_race "$here/swap_race.c"
nohup race/swap_race </dev/null >/dev/null 2>&1 &
