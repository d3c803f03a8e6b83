#!/bin/sh
# Runs a test's command, or reports the test skipped (exit status 77, with
# the reason) where 32-bit programs run through qemu.
# Usage: skip_under_qemu.sh REASON COMMAND [ARGUMENT...]
reason=$1
shift
if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    echo "skipped where 32-bit programs run through qemu: $reason"
    exit 77
fi
exec "$@"
