# Sourced by tools/install-build-deps: apt-get update and install on a mirror
# that may be caught mid-sync. Debian 12 or 13, as root.
#   update_package_lists          apt-get update, tried again; sets failed_indexes
#   install_resolved PACKAGE...   installs them, or explains why it cannot and exits 100

failed_indexes=() # "suite/component binary-arch", one per index that did not arrive

update_package_lists() {
    local log try
    log=$(mktemp)
    for try in 1 2 3; do
        if apt-get update -q 2>&1 | tee "$log" && ! grep -q '^[EW]: Failed to fetch' "$log"; then
            failed_indexes=()
            rm -f "$log"
            return 0
        fi
        # Only what failed in the last try counts.
        mapfile -t failed_indexes < <(sed -n 's#^[EW]: Failed to fetch \([^ ]*\).*#\1#p' "$log" |
            sed 's#.*/dists/\([^/]*\)/\([^/]*\)/binary-\([^/]*\)/.*#\1/\2 binary-\3#;
                 s#.*/dists/\([^/]*\)/[^/]*Release.*#\1 (its Release file)#' | sort -u)
        [ "$try" -lt 3 ] && sleep $((try * 15))
    done
    rm -f "$log"
    echo "apt-get update could not fetch: ${failed_indexes[*]:-(see its errors above)}"
    echo "trying the install with the package lists there are"
}

# True when apt-get would install the packages as asked, removing and
# downgrading nothing; its output is left in $simulation.
simulation=$(mktemp)
trap 'rm -f "$simulation"' EXIT
simulate_install() {
    apt-get install -s -q --no-install-recommends --no-remove "$@" >"$simulation" 2>&1 &&
        ! grep -q 'DOWNGRADED' "$simulation"
}

release_codename() {
    (. /etc/os-release && echo "${VERSION_CODENAME:-}")
}

install_resolved() {
    local codename pinned=()
    if ! simulate_install "$@"; then
        local plain_errors
        plain_errors=$(grep -E '^ |^E:' "$simulation" | head -n 12 || true)
        codename=$(release_codename)
        # A security or updates suite whose index for one architecture failed
        # offers newer versions for the other only: taking both from the
        # release's own suite gives them one version again.
        if [ -z "$codename" ] || ! simulate_install -t "$codename" "$@"; then
            explain_unresolved "$codename" "$plain_errors" "$@"
            exit 100
        fi
        echo "the install resolves with every package taken from $codename itself"
        pinned=(-t "$codename")
    fi
    apt-get install -y -q -o Dpkg::Use-Pty=0 --no-install-recommends --no-remove "${pinned[@]}" "$@"
    if [ ${#pinned[@]} -gt 0 ] && [ ${#failed_indexes[@]} -gt 0 ]; then
        echo "note: these packages came from $codename without its later updates, as" \
            "${failed_indexes[*]} could not be fetched; 'apt-get update && apt-get upgrade'" \
            "brings the updates once the mirror has settled"
    fi
}

# Installed packages whose twin of another architecture is wanted, at the
# same version, and cannot be had at that version from the lists there are:
# "name installed-version newest-twin-version" lines.
blocked_twins() {
    local native foreign name version multi_arch twins
    native=$(dpkg --print-architecture)
    for foreign in $(dpkg --print-foreign-architectures); do
        local wanted=()
        for name in "$@"; do
            case "$name" in *":$foreign") wanted+=("$name") ;; esac
        done
        [ ${#wanted[@]} -eq 0 ] && continue
        apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
            --no-replaces --no-enhances "${wanted[@]}" 2>/dev/null |
            grep -o "[a-z0-9][a-z0-9.+-]*:$foreign" | sed "s/:$foreign\$//" | sort -u |
            while read -r name; do
                read -r version multi_arch < <(dpkg-query -W -f='${Version} ${Multi-Arch}\n' \
                    "$name:$native" 2>/dev/null || true)
                [ -n "${version:-}" ] && [ "${multi_arch:-}" = same ] || continue
                twins=$(apt-cache madison "$name:$foreign" 2>/dev/null | awk -F'|' '{ gsub(/ /, "", $2); print $2 }')
                grep -qxF "$version" <<<"$twins" && continue
                echo "$name $version $(head -n 1 <<<"$twins")"
            done
    done
    return 0
}

explain_unresolved() {
    local codename=$1 plain_errors=$2
    shift 2
    echo
    echo "install-build-deps: apt-get cannot resolve the install from the package lists there are:"
    printf '%s\n' "$plain_errors" | sed 's/^/    /'
    if [ ${#failed_indexes[@]} -gt 0 ]; then
        echo "The mirror did not give these indexes (caught mid-sync?):"
        printf '    %s\n' "${failed_indexes[@]}"
    fi
    local blocked
    blocked=$(blocked_twins "$@")
    if [ -n "$blocked" ]; then
        echo "These installed packages are newer than their 32-bit twins can be had, so the"
        echo "32-bit half of Wine cannot be installed beside them:"
        awk '{ printf "    %s %s (32-bit: %s)\n", $1, $2, ($3 == "" ? "none" : $3) }' <<<"$blocked"
    fi
    echo "Run tools/install-build-deps again later, once the mirror has finished its sync."
    local older=() name version twin
    while read -r name version twin; do
        [ -n "${twin:-}" ] && older+=("$name=$twin")
    done <<<"$blocked"
    if [ ${#older[@]} -gt 0 ]; then
        local command=(apt-get install --no-install-recommends --allow-downgrades)
        [ -n "$codename" ] && command+=(-t "$codename")
        command+=("${older[@]}" "$@")
        if "${command[@]}" -s >/dev/null 2>&1; then
            echo "Or, if you accept older versions of those packages (without the fixes the"
            echo "newer ones carry, until the next upgrade), this command resolves (checked):"
            echo "    ${command[*]}"
            echo "and then run tools/install-build-deps again."
        fi
    fi
}
