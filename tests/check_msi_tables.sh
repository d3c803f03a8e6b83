#!/bin/sh
# The built package's own tables, for what only Windows shows (Wine has no
# UAC and no filtered token): the decision is an immediate action run as the
# user, after DeleteServices and before RemoveFiles, and the only one of the
# removal's actions in the sequence (it schedules the others itself, so a
# command line that sets its properties schedules nothing); the removal a
# commit action with its rollback action and the copying before it, a
# deferred one where rollback is disabled, all without impersonation
# (LocalSystem); the restart asked for by an immediate action after
# InstallFinalize; none of them fails the uninstall; the decision does not
# run when an upgrade removes the product; REMOVEDATA reaches the part that
# decides.
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
# The standard actions' own places where a package leaves them out.
standard_at() { p=$(position_of "$1"); echo "${p:-$2}"; }

rollback=256 commit=512 in_script=1024 no_impersonate=2048 continue=64
expect_type() { # ACTION WANTED-BITS UNWANTED-BITS
    type=$(type_of "$1")
    [ -n "$type" ] || { fail "$1 is missing"; return; }
    [ $((type & $2)) -eq "$2" ] || fail "$1 (type $type) lacks bits $2"
    [ $((type & $3)) -eq 0 ] || fail "$1 (type $type) has bits $3"
    has "$type" $continue || fail "$1 can fail the uninstall"
}
expect_type RemoveTreeDecide 0 $((in_script | no_impersonate))
expect_type RemoveTreeRestart 0 $((in_script | no_impersonate))
expect_type RemoveTreeUnstage $((rollback | in_script | no_impersonate)) $commit
expect_type RemoveTreeStage $((in_script | no_impersonate)) $((rollback | commit))
expect_type RemoveTreeRun $((commit | in_script | no_impersonate)) $rollback
expect_type RemoveTreeRunNow $((in_script | no_impersonate)) $((rollback | commit))

for action in RemoveTreeUnstage RemoveTreeStage RemoveTreeRun RemoveTreeRunNow; do
    [ -z "$(position_of $action)" ] || fail "$action is in the sequence"
done
case "$(condition_of RemoveTreeDecide)" in
*'NOT UPGRADINGPRODUCTCODE'*) ;;
*) fail "RemoveTreeDecide runs when an upgrade removes the product" ;;
esac
decide_at=$(position_of RemoveTreeDecide) restart_at=$(position_of RemoveTreeRestart)
services_at=$(standard_at DeleteServices 2000) files_at=$(standard_at RemoveFiles 3500)
finalize_at=$(position_of InstallFinalize)
[ "$services_at" -lt "$decide_at" ] && [ "$decide_at" -lt "$files_at" ] ||
    fail "the decision ($decide_at) is not between DeleteServices ($services_at) and RemoveFiles ($files_at)"
[ "$finalize_at" -lt "$restart_at" ] ||
    fail "the restart ($restart_at) comes before InstallFinalize ($finalize_at)"
printf '%s\n' "$properties" | awk -F'\t' '$1 == "SecureCustomProperties"' | grep -q 'REMOVEDATA' ||
    fail "REMOVEDATA is not in SecureCustomProperties"

echo "$package: decision at $decide_at (DeleteServices $services_at, RemoveFiles $files_at);" \
    "removal: commit $(type_of RemoveTreeRun) with rollback $(type_of RemoveTreeUnstage);" \
    "restart at $restart_at"
exit $status
