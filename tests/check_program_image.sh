#!/bin/sh
# Checks a built program's PE image from outside: GUI subsystem, exactly the
# system DLLs given imported, and at most MAX_BYTES long.
# Usage: check_program_image.sh OBJDUMP PROGRAM MAX_BYTES DLL...
objdump=$1 program=$2 max_bytes=$3
shift 3
expected=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
status=0
headers=$("$objdump" -p "$program") || exit 1

subsystem=$(printf '%s\n' "$headers" | awk '$1 == "Subsystem" { print $2 + 0 }')
[ "$subsystem" = 2 ] || { echo "subsystem is $subsystem, not 2 (GUI)"; status=1; }

imports=$(printf '%s\n' "$headers" | awk '/DLL Name:/ { print $3 }' | sort | tr '\n' ' ')
[ "$imports" = "$expected" ] || { echo "imports: $imports, expected: $expected"; status=1; }

size=$(wc -c <"$program")
[ "$size" -le "$max_bytes" ] || { echo "$size bytes, more than $max_bytes"; status=1; }

echo "$program: subsystem $subsystem, imports $imports$size bytes"
exit $status
