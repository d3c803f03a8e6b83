#!/bin/sh
# Lays out a sample installed application in the current (scratch) folder:
# "Program Files/Example Tool" with nested folders, a read-only file and a few
# hundred files; its uninstaller UNWISE.EXE (copied here first) in a folder of
# its own beside it; and the settings file remove_tree.exe is run on.
set -eu
app="Program Files/Example Tool"
mkdir -p "$app" "Program Files/Example Tool Uninstaller"
mv UNWISE.EXE "Program Files/Example Tool Uninstaller/"
for folder in bin bin/plugins bin/plugins/filters data data/samples docs; do
    mkdir -p "$app/$folder"
    i=0
    while [ $i -lt 50 ]; do
        printf 'sample %s %d\n' "$folder" $i >"$app/$folder/file$i.dat"
        i=$((i + 1))
    done
done
echo "Example Tool 1.0" >"$app/readme.txt"
chmod a-w "$app/readme.txt" # Wine shows it as read-only
cat >example-settings.ini <<'INI'
[Strings]
to_kill=S:\Program Files\Example Tool
unwise_path=S:\Program Files\Example Tool Uninstaller
unwise_title=Example Tool Setup
title=Example Tool
body=Do you want to keep your saved files and settings?
INI
