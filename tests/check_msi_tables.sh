#!/bin/sh
# The built package's own tables, for what only Windows shows (Wine has no
# UAC and no filtered token): the question is an immediate action run as the
# user before the script is written; the removal a deferred action without
# impersonation (LocalSystem, or the elevated administrator) between
# InstallInitialize and RemoveFiles, so that the tools are still installed;
# none of them fails the uninstall; none runs when an upgrade removes the
# product; REMOVEDATA reaches the part that decides.
# Usage: check_msi_tables.sh PACKAGE
set -u
package=$1
status=0
fail() { echo "$*"; status=1; }

actions=$(msiinfo export "$package" CustomAction) || { echo "cannot read $package"; exit 1; }
sequence=$(msiinfo export "$package" InstallExecuteSequence)
properties=$(msiinfo export "$package" Property)

type_of() { printf '%s\n' "$actions" | awk -F'\t' -v a="$1" '$1 == a { print $2 }'; }
position_of() { printf '%s\n' "$sequence" | awk -F'\t' -v a="$1" '$1 == a { print $3 }'; }
condition_of() { printf '%s\n' "$sequence" | awk -F'\t' -v a="$1" '$1 == a { print $2 }'; }
has() { [ $(($1 & $2)) -ne 0 ]; }

deferred=1024 no_impersonate=2048 rollback=256 commit=512 continue=64
decide=$(type_of RemoveTreeDecide) run=$(type_of RemoveTreeRun)
[ -n "$decide" ] && [ -n "$run" ] || { echo "the drop-in's actions are missing"; exit 1; }
has "$decide" $deferred && fail "RemoveTreeDecide is deferred (type $decide)"
has "$decide" $no_impersonate && fail "RemoveTreeDecide is not run as the user (type $decide)"
has "$run" $deferred || fail "RemoveTreeRun is not deferred (type $run)"
has "$run" $no_impersonate || fail "RemoveTreeRun is impersonated (type $run)"
has "$run" $((rollback | commit)) && fail "RemoveTreeRun runs at rollback or commit (type $run)"
for action in RemoveTreeDecide RemoveTreeRun; do
    has "$(type_of $action)" $continue || fail "$action can fail the uninstall"
    case "$(condition_of $action)" in
    *'NOT UPGRADINGPRODUCTCODE'*) ;;
    *) fail "$action runs when an upgrade removes the product" ;;
    esac
done

decide_at=$(position_of RemoveTreeDecide) data_at=$(position_of RemoveTreeRunData)
run_at=$(position_of RemoveTreeRun) initialize_at=$(position_of InstallInitialize)
files_at=$(position_of RemoveFiles)
[ "$decide_at" -lt "$initialize_at" ] ||
    fail "the decision ($decide_at) comes after InstallInitialize ($initialize_at)"
[ "$initialize_at" -lt "$data_at" ] && [ "$data_at" -lt "$run_at" ] &&
    [ "$run_at" -lt "$files_at" ] ||
    fail "InstallInitialize $initialize_at, data $data_at, removal $run_at, RemoveFiles $files_at"
printf '%s\n' "$properties" | awk -F'\t' '$1 == "SecureCustomProperties"' | grep -q 'REMOVEDATA' ||
    fail "REMOVEDATA is not in SecureCustomProperties"

echo "$package: decision type $decide at $decide_at, removal type $run at $run_at" \
    "(InstallInitialize $initialize_at, RemoveFiles $files_at)"
exit $status
