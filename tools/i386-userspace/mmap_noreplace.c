/*
 * Preloaded into 32-bit Wine when it runs through qemu-i386 user emulation
 * (machines whose kernel cannot run 32-bit programs). That qemu takes
 * MAP_FIXED_NOREPLACE as a mere hint and maps elsewhere; Wine then splits
 * every address-space reservation down to 64 KiB pieces, and each Wine
 * process spends about 50 s starting. Here the flag means what the kernel
 * makes it mean: the mapping lands at the address asked for, or the call
 * fails with EEXIST.
 */
#define _GNU_SOURCE
#define _LARGEFILE64_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stddef.h>
#include <sys/mman.h>
#include <sys/types.h>

#define NOREPLACE 0x100000 /* MAP_FIXED_NOREPLACE */

static void *at_address_or_fail(void *wanted, size_t length, void *got) {
    if (got != MAP_FAILED && got != wanted) {
        munmap(got, length);
        errno = EEXIST;
        return MAP_FAILED;
    }
    return got;
}

void *mmap64(void *address, size_t length, int protection, int flags, int fd, off64_t offset) {
    static void *(*next)(void *, size_t, int, int, int, off64_t);
    if (next == NULL)
        next = (void *(*)(void *, size_t, int, int, int, off64_t))dlsym(RTLD_NEXT, "mmap64");
    if (!(flags & NOREPLACE) || address == NULL)
        return next(address, length, protection, flags, fd, offset);
    return at_address_or_fail(address, length,
                              next(address, length, protection, flags & ~NOREPLACE, fd, offset));
}

void *mmap(void *address, size_t length, int protection, int flags, int fd, off_t offset) {
    return mmap64(address, length, protection, flags, fd, offset);
}
