#!/bin/sh
# A tree with a link inside it, made on the host side (Wine cannot make one):
# link_fixture/tree/sub/link leads to link_fixture/target, which must survive.
set -eu
mkdir -p link_fixture/tree/sub link_fixture/target
echo "must survive" >link_fixture/target/precious.txt
echo "goes" >link_fixture/tree/sub/plain.txt
ln -s "$PWD/link_fixture/target" link_fixture/tree/sub/link
