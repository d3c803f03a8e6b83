#!/usr/bin/env bash
# The install's apt-get steps (tools/apt-resolve.sh) against a mirror caught
# mid-sync, with apt-get, apt-cache, dpkg and dpkg-query played by stand-ins
# that answer as Debian 12's do: which install runs, what it says, and that
# nothing is installed where nothing resolves. Runs on the host, as any user;
# changes nothing. Run by tools/test-all.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
failures=0

# What the stand-ins answer, set by each case.
update_fails=  # "yes": every apt-get update misses the security suite's i386 index
plain_resolves= # "yes", "no" or "downgrades"
pinned_resolves=
downgrade_resolves=
installed_zlib= # zlib1g's installed version (amd64), or empty

# The stand-ins. Each apt-get call is noted in $calls.
apt-get() {
    echo "apt-get $*" >>"$calls"
    case "$1" in
    update)
        if [ "$update_fails" = yes ]; then
            echo "Err:6 http://mirror.example/debian-security bookworm-security/main i386 Packages"
            echo "E: Failed to fetch http://mirror.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
            echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
            return 100
        fi
        return 0
        ;;
    install) ;;
    *) return 1 ;;
    esac
    local simulated=no pinned=no downgrade=no argument
    for argument in "$@"; do
        case "$argument" in
        -s) simulated=yes ;;
        -t) pinned=yes ;;
        --allow-downgrades) downgrade=yes ;;
        esac
    done
    local answer=$plain_resolves
    [ "$pinned" = yes ] && answer=$pinned_resolves
    [ "$downgrade" = yes ] && answer=$downgrade_resolves
    case "$answer" in
    yes) [ "$simulated" = yes ] && echo "Inst wine32:i386 (8.0~repack-4 Debian:12.15/oldstable [i386])"; return 0 ;;
    downgrades) echo "The following packages will be DOWNGRADED:"; echo "  zlib1g"; return 0 ;;
    *)
        echo "The following packages have unmet dependencies:"
        echo " libcurl4:i386 : Depends: zlib1g:i386 (>= 1:1.1.4) but it is not installable"
        echo "E: Unable to correct problems, you have held broken packages."
        return 100
        ;;
    esac
}
apt-cache() {
    case "$1" in
    depends) printf '%s\n' "wine32:i386" "  Depends: libwine:i386" "libwine:i386" \
        "  Depends: zlib1g:i386" "  Depends: libc6:i386" "zlib1g:i386" "libc6:i386" ;;
    madison)
        case "$2" in
        zlib1g:i386) echo "    zlib1g:i386 | 1:1.2.13.dfsg-1 | http://mirror.example/debian bookworm/main i386 Packages" ;;
        libc6:i386) echo "    libc6:i386 | 2.36-9+deb12u14 | http://mirror.example/debian bookworm/main i386 Packages" ;;
        esac
        ;;
    esac
}
dpkg() {
    case "$1" in
    --print-architecture) echo amd64 ;;
    --print-foreign-architectures) echo i386 ;;
    esac
}
dpkg-query() {
    local name=${*: -1}
    case "$name" in
    zlib1g:amd64) [ -n "$installed_zlib" ] && echo "$installed_zlib same" ;;
    libc6:amd64) echo "2.36-9+deb12u14 same" ;;
    *) return 1 ;;
    esac
}
sleep() { :; }

# shellcheck source=../tools/apt-resolve.sh
. "$here/../tools/apt-resolve.sh"
release_codename() { echo bookworm; }

# Runs update_package_lists and install_resolved as install-build-deps does;
# sets $output, $status and $calls' contents ($installs: the real installs).
resolve() {
    calls=$(mktemp)
    output=$( (update_package_lists && install_resolved wine32:i386 wine) 2>&1)
    status=$?
    installs=$(grep 'apt-get install -y' "$calls" || true)
    updates=$(grep -c 'apt-get update' "$calls")
    rm -f "$calls"
}

check() {
    local name=$1 what=$2
    shift 2
    if ! "$@"; then
        echo "FAILED: $name: $what"
        printf '%s\n' "$output" | sed 's/^/    | /'
        failures=$((failures + 1))
    fi
}
says() { grep -qF -- "$1" <<<"$output"; }
installed_with() { grep -qF -- "$1" <<<"$installs"; }
installed_plainly() { [ -n "$installs" ] && ! grep -q -- ' -t ' <<<"$installs"; }
installed_nothing() { [ -z "$installs" ]; }
ended_with() { [ "$status" = "$1" ]; }
updated_times() { [ "$updates" = "$1" ]; }

# update fails, plain, pinned, downgrade, zlib1g installed:
# the mirror whole, everything resolves as it is
update_fails= plain_resolves=yes pinned_resolves=yes downgrade_resolves=yes installed_zlib=
resolve
check "whole mirror" "one update" updated_times 1
check "whole mirror" "a plain install" installed_plainly
check "whole mirror" "exit 0" ended_with 0

# a simulation that would downgrade counts as not resolved
update_fails= plain_resolves=downgrades pinned_resolves=yes downgrade_resolves=yes
resolve
check "plain would downgrade" "the release's suite instead" installed_with "-t bookworm"
check "plain would downgrade" "exit 0" ended_with 0

# the security suite's i386 index missing: the release's own suite resolves
update_fails=yes plain_resolves=no pinned_resolves=yes downgrade_resolves=yes
resolve
check "index missing" "three updates" updated_times 3
check "index missing" "the index named" says "could not fetch: bookworm-security/main binary-i386"
check "index missing" "installed from bookworm" installed_with "apt-get install -y -q -o Dpkg::Use-Pty=0 --no-install-recommends --no-remove -t bookworm wine32:i386 wine"
check "index missing" "the note on later updates" says "came from bookworm without its later updates"
check "index missing" "exit 0" ended_with 0

# zlib1g installed at its security version: nothing resolves, the way out is named
update_fails=yes plain_resolves=no pinned_resolves=no downgrade_resolves=yes
installed_zlib=1:1.2.13.dfsg-1+deb12u1
resolve
check "security version installed" "nothing installed" installed_nothing
check "security version installed" "exit 100" ended_with 100
check "security version installed" "the index named" says "    bookworm-security/main binary-i386"
check "security version installed" "the package named" says "    zlib1g 1:1.2.13.dfsg-1+deb12u1 (32-bit: 1:1.2.13.dfsg-1)"
check "security version installed" "libc6 not named (its twin is there)" \
    eval '! says "libc6 2.36"'
check "security version installed" "try again later" says "Run tools/install-build-deps again later"
check "security version installed" "the downgrade command" \
    says "apt-get install --no-install-recommends --allow-downgrades -t bookworm zlib1g=1:1.2.13.dfsg-1 wine32:i386 wine"

# the same, but not even the older versions resolve: no command is offered
update_fails=yes plain_resolves=no pinned_resolves=no downgrade_resolves=no
resolve
check "nothing resolves" "exit 100" ended_with 100
check "nothing resolves" "no downgrade command" eval '! says "--allow-downgrades"'
check "nothing resolves" "nothing installed" installed_nothing

# nothing blocked by an installed version: only try again later
update_fails=yes plain_resolves=no pinned_resolves=no downgrade_resolves=yes installed_zlib=
resolve
check "nothing blocked" "exit 100" ended_with 100
check "nothing blocked" "no package named" eval '! says "newer than their 32-bit twins"'
check "nothing blocked" "try again later" says "Run tools/install-build-deps again later"

if [ "$failures" -eq 0 ]; then
    echo "install resolution: every case as expected"
fi
[ "$failures" -eq 0 ]
