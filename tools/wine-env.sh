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
