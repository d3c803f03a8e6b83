#!/bin/sh
# Makes a delay-import library for a system DLL out of mingw-w64's own import
# library: a program linked with it loads the DLL at its first call into it,
# through the DLL search order the program has set by then, instead of
# before its entry runs. Every function the import library names is listed.
# Usage: delay_import_library.sh NM DLLTOOL MACHINE IMPORT_LIBRARY DLL_NAME OUTPUT
# MACHINE is dlltool's: i386 (names keep their @n, imported without it) or
# i386:x86-64.
set -eu
nm=$1 dlltool=$2 machine=$3 import_library=$4 dll=$5 output=$6
definition=$output.def
{
    echo "LIBRARY $dll"
    echo "EXPORTS"
    "$nm" -g --defined-only "$import_library" |
        awk -v machine="$machine" '$2 == "I" && $3 ~ /^__imp_/ {
            name = substr($3, 7)
            if (machine == "i386")
                name = substr(name, 2)
            print name
        }' | sort -u
} >"$definition"
if [ "$machine" = i386 ]; then
    "$dlltool" -m "$machine" -k -d "$definition" -y "$output"
else
    "$dlltool" -m "$machine" -d "$definition" -y "$output"
fi
