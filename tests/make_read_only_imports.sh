#!/bin/sh
# Copies a program with the section that holds its import table made
# read-only (its write flag cleared), as newer linkers lay it out and as
# MSVC always has: the copy runs only if nothing but the platform's loader
# writes into that table.
# Usage: make_read_only_imports.sh PROGRAM COPY
set -eu
program=$1 copy=$2
cp "$program" "$copy.partial"
u16() { od -An -tu2 -j"$1" -N2 "$copy.partial" | tr -d ' '; }
u32() { od -An -tu4 -j"$1" -N4 "$copy.partial" | tr -d ' '; }
pe=$(u32 60)
section_count=$(u16 $((pe + 6)))
optional_size=$(u16 $((pe + 20)))
# The data directories follow the optional header's fixed part: 96 bytes in
# PE32, 112 in PE32+ (magic 0x20b); the import table is the second.
if [ "$(u16 $((pe + 24)))" = 523 ]; then
    directories=$((pe + 24 + 112))
else
    directories=$((pe + 24 + 96))
fi
import_rva=$(u32 $((directories + 8)))
table=$((pe + 24 + optional_size))
i=0
while [ "$i" -lt "$section_count" ]; do
    header=$((table + 40 * i))
    size=$(u32 $((header + 8)))
    start=$(u32 $((header + 12)))
    if [ "$import_rva" -ge "$start" ] && [ "$import_rva" -lt $((start + size)) ]; then
        flags=$(($(u32 $((header + 36))) & 0x7fffffff)) # IMAGE_SCN_MEM_WRITE cleared
        # shellcheck disable=SC2059
        printf "$(printf '\\%03o\\%03o\\%03o\\%03o' $((flags & 255)) $((flags >> 8 & 255)) \
            $((flags >> 16 & 255)) $((flags >> 24 & 255)))" |
            dd of="$copy.partial" bs=1 seek=$((header + 36)) conv=notrunc status=none
        mv "$copy.partial" "$copy"
        exit 0
    fi
    i=$((i + 1))
done
rm -f "$copy.partial"
echo "$program: no section holds the import table" >&2
exit 1
