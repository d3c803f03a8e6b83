/* Host side of the swap race: while race/go exists, exchanges the folder
 * race/T/sub with race/T/x, a link to the victim folder race/V, every 0 to
 * 40 microseconds, so that sub is now the folder, now the link, often
 * between two steps of one open. Between trials it puts the folder back at
 * sub, takes the link away and says race/idle. Ends when race/stop exists or
 * race/V is gone, or after ten minutes (the test's own limit, however slowly
 * the trials run). */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#ifndef RENAME_EXCHANGE
#define RENAME_EXCHANGE (1 << 1)
#endif

static int exchange(const char* a, const char* b) {
    return (int)syscall(SYS_renameat2, AT_FDCWD, a, AT_FDCWD, b, RENAME_EXCHANGE);
}

static int is_link(const char* path) {
    struct stat st;
    return lstat(path, &st) == 0 && S_ISLNK(st.st_mode);
}

int main(void) {
    char victim[4096];
    if (realpath("race/V", victim) == NULL)
        return 1;
    time_t end = time(NULL) + 600;
    while (time(NULL) < end && access("race/stop", F_OK) != 0 && access("race/V", F_OK) == 0) {
        if (access("race/go", F_OK) == 0) {
            if (access("race/T/x", F_OK) != 0 && !is_link("race/T/x"))
                if (symlink(victim, "race/T/x") != 0)
                    continue;
            unlink("race/idle");
            exchange("race/T/sub", "race/T/x");
            usleep((useconds_t)(rand() % 41));
            continue;
        }
        if (is_link("race/T/sub")) {
            if (exchange("race/T/sub", "race/T/x") != 0)
                unlink("race/T/sub");
        }
        if (is_link("race/T/x"))
            unlink("race/T/x");
        if (access("race/idle", F_OK) != 0)
            close(open("race/idle", O_CREAT | O_WRONLY, 0644));
        usleep(1000);
    }
    return 0;
}
