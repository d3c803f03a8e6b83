# Sourced by the scripts that run Wine, with PROJECT_ROOT set: the settings
# every Wine run of the project shares. No first-start add-on installers, no
# debug output unless asked for, and, while 32-bit programs run through qemu
# (tools/setup-i386-userspace), the library that lets 32-bit Wine start fast.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] &&
    [ -f "$PROJECT_ROOT/build/i386-userspace/lib/i386-linux-gnu/libmmap_noreplace.so" ]; then
    case "${LD_PRELOAD:-}" in
    *libmmap_noreplace.so*) ;;
    *) export LD_PRELOAD="$PROJECT_ROOT/build/i386-userspace/\$LIB/libmmap_noreplace.so${LD_PRELOAD:+:$LD_PRELOAD}" ;;
    esac
fi

# `wine` starts Wine's 32-bit loader first, which hands a 64-bit program on
# to the 64-bit one: half a second where 32-bit programs run through qemu.
# Wine's own tools (64-bit in the project's prefixes) and 64-bit programs go
# to the 64-bit loader at once.
wine64=/usr/lib/wine/wine64
[ -x "$wine64" ] || wine64=wine
wine_tool() {
    "$wine64" "$@"
}
# Runs a Windows program with the loader of its own word size (the PE
# header's machine field: 8664 for x86-64).
wine_run() {
    header=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    if [ -n "$header" ] && [ "$(od -An -tx2 -j$((header + 4)) -N2 "$1" | tr -d ' ')" = 8664 ]; then
        "$wine64" "$@"
    else
        wine "$@"
    fi
}
