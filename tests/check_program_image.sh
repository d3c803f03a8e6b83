#!/bin/sh
# Checks a built program's PE image from outside: GUI subsystem, only the
# system DLLs KERNEL32, USER32 and msvcrt imported, and at most MAX_BYTES long.
# Usage: check_program_image.sh OBJDUMP PROGRAM MAX_BYTES
objdump=$1 program=$2 max_bytes=$3
status=0
headers=$("$objdump" -p "$program") || exit 1

subsystem=$(printf '%s\n' "$headers" | awk '$1 == "Subsystem" { print $2 + 0 }')
[ "$subsystem" = 2 ] || { echo "subsystem is $subsystem, not 2 (GUI)"; status=1; }

imports=$(printf '%s\n' "$headers" | awk '/DLL Name:/ { print $3 }' | sort | tr '\n' ' ')
[ "$imports" = "KERNEL32.dll USER32.dll msvcrt.dll " ] || { echo "imports: $imports"; status=1; }

size=$(wc -c <"$program")
[ "$size" -le "$max_bytes" ] || { echo "$size bytes, more than $max_bytes"; status=1; }

echo "$program: subsystem $subsystem, imports $imports$size bytes"
exit $status
