#!/bin/sh
# Checks a built program's PE image from outside: GUI subsystem, the image
# flags (address-space layout randomisation, no-execute data, terminal-server
# aware, and on 64-bit high-entropy addresses), exactly the DLLs given
# imported before the entry runs, exactly those given as loaded later
# (delay-loaded: their names in the image, no import of them), and at most
# MAX_BYTES long.
# Usage: check_program_image.sh OBJDUMP PROGRAM MAX_BYTES IMPORTED_DLLS DELAY_LOADED_DLLS
# (each list one argument, blanks between names)
objdump=$1 program=$2 max_bytes=$3 imported=$4 delay_loaded=$5
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

# A delay-loaded DLL is named in the image (the name its loader asks for)
# and imported by nothing.
for dll in $delay_loaded; do
    strings -a "$program" | grep -qx "$dll" || { echo "$dll is not delay-loaded"; status=1; }
done
found=$(strings -a "$program" | grep -ix '[a-z0-9_]*\.dll' | grep -vix "$(printf '%s\n' $imported)" |
    sort -u | tr '\n' ' ')
[ "$found" = "$(sorted "$delay_loaded")" ] ||
    { echo "DLLs named for loading later: $found, expected: $(sorted "$delay_loaded")"; status=1; }

size=$(wc -c <"$program")
[ "$size" -le "$max_bytes" ] || { echo "$size bytes, more than $max_bytes"; status=1; }

echo "$program: subsystem $subsystem, flags $flags, imports $imports, later $found, $size bytes"
exit $status
