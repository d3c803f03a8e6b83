#!/bin/sh
# A folder whose name Windows' own paths cannot reach, made on the host side
# in the scratch folder: names/fullwidth/Vendor/"Tool＼.." (a fullwidth
# reverse solidus and two dots), with a product file in it.
set -eu
mkdir -p "names/fullwidth/Vendor/Tool＼.."
printf 'installed' >"names/fullwidth/Vendor/Tool＼../product.txt"
