#!/bin/sh
# Checks a built program's PE image from outside: GUI subsystem, the image
# flags (address-space layout randomisation, no-execute data, terminal-server
# aware, and on 64-bit high-entropy addresses), exactly the DLLs given
# imported before the entry runs, exactly those given as loaded later (named
# in the image, in 8-bit or UTF-16 text, and not imported), no delay-import
# table (whose stubs would write into the image), at most MAX_BYTES long;
# and that the copy made with a read-only import table has one.
# Usage: check_program_image.sh OBJDUMP PROGRAM MAX_BYTES IMPORTED_DLLS LATER_DLLS READ_ONLY_COPY
# (each list one argument, blanks between names)
objdump=$1 program=$2 max_bytes=$3 imported=$4 later=$5 read_only_copy=$6
# The cross toolchain's strings, beside its objdump: the host's binutils
# need not be there.
strings=${objdump%objdump}strings
sorted() { printf '%s\n' $1 | sort | tr '\n' ' '; }
status=0
headers=$("$objdump" -p "$program") || exit 1

subsystem=$(printf '%s\n' "$headers" | awk '$1 == "Subsystem" { print $2 + 0 }')
[ "$subsystem" = 2 ] || { echo "subsystem is $subsystem, not 2 (GUI)"; status=1; }

flags=$(printf '%s\n' "$headers" | awk '$1 == "DllCharacteristics" { on = 1; next }
    on && /^\t\t\t/ { print $1; next } { on = 0 }' | sort | tr '\n' ' ')
expected_flags="DYNAMIC_BASE NX_COMPAT TERMINAL_SERVICE_AWARE "
if printf '%s\n' "$headers" | grep -q '^Magic.*PE32+'; then
    expected_flags="DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT TERMINAL_SERVICE_AWARE "
fi
[ "$flags" = "$expected_flags" ] || { echo "image flags: $flags, expected: $expected_flags"; status=1; }

imports=$(printf '%s\n' "$headers" | awk '/DLL Name:/ { print $3 }' | sort | tr '\n' ' ')
[ "$imports" = "$(sorted "$imported")" ] ||
    { echo "imports: $imports, expected: $(sorted "$imported")"; status=1; }

# A DLL loaded later is named in the image (the name it is loaded by) and
# imported by nothing.
# A UTF-16 name that directly follows an 8-bit one is read with that one's
# last letter before it ("CommandLineToArgvW" then L"shell32.dll" reads
# "Wshell32.dll"): such a letter is dropped when the rest is a name looked for.
names=$( ("$strings" -a "$program"; "$strings" -a -el "$program") | grep -ix '[a-z0-9_]*\.dll' |
    while read -r name; do
        rest=${name#?}
        if printf '%s\n' $later | grep -qix "$rest"; then echo "$rest"; else echo "$name"; fi
    done)
for dll in $later; do
    printf '%s\n' "$names" | grep -qix "$dll" || { echo "$dll is not named for loading later"; status=1; }
done
found=$(printf '%s\n' "$names" | grep -vix "$(printf '%s\n' $imported)" | tr 'A-Z' 'a-z' |
    sort -u | tr '\n' ' ')
[ "$found" = "$(sorted "$later")" ] ||
    { echo "DLLs named for loading later: $found, expected: $(sorted "$later")"; status=1; }
delay_imports=$(printf '%s\n' "$headers" | awk '$1 == "Entry" && $2 == "d" { print $3 }')
[ -n "$delay_imports" ] && [ $((0x$delay_imports)) -eq 0 ] ||
    { echo "the image has a delay-import table"; status=1; }

# The section that holds the import table, with its flags: "NAME FLAGS".
import_rva=$(printf '%s\n' "$headers" | awk '$1 == "Entry" && $2 == "1" { print $3 }')
image_base=$(printf '%s\n' "$headers" | awk '$1 == "ImageBase" { print $2 }')
import_section() {
    "$objdump" -h "$1" | awk '$1 ~ /^[0-9]+$/ { section = $2 " " $3 " " $4; getline; print section, $0 }' |
        while read -r name size address flags; do
            start=$((0x$address - 0x$image_base))
            if [ $((0x$import_rva)) -ge "$start" ] && [ $((0x$import_rva)) -lt $((start + 0x$size)) ]; then
                echo "$name $flags"
            fi
        done
}
copy_flags=$(import_section "$read_only_copy")
case "$copy_flags" in
*READONLY*) ;;
*) echo "the copy's import table is not read-only: ${copy_flags:-no section holds it}"; status=1 ;;
esac

size=$(wc -c <"$program")
[ "$size" -le "$max_bytes" ] || { echo "$size bytes, more than $max_bytes"; status=1; }

echo "$program: subsystem $subsystem, flags $flags, imports $imports, later $found, $size bytes;" \
    "import table in $(import_section "$program" | sed 's/ .*READONLY.*/ (read-only)/; s/ CONTENTS.*/ (writable)/')"
exit $status
