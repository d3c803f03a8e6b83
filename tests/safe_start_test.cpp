// What every program does first, seen from the process it runs in. (Wine
// gives a started program no error mode of its parent's, so the mode a
// program inherits can only be set here, in the process itself.)
#include "../startup/safe_start.h"

#include <gtest/gtest.h>
#include <windows.h>

// The boxes for a drive without a disk and a file that cannot be opened are
// turned off, and what the starter chose is kept: a silent deployment that
// turned the crash box off keeps it off.
TEST(safe_start, inherited_error_mode_is_kept) {
    const UINT quiet = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
    struct {
        UINT inherited, kept;
    } cases[] = {
        {0, quiet},
        {SEM_NOGPFAULTERRORBOX, quiet | SEM_NOGPFAULTERRORBOX},
        {SEM_NOALIGNMENTFAULTEXCEPT | SEM_FAILCRITICALERRORS, quiet | SEM_NOALIGNMENTFAULTEXCEPT}};
    UINT own = GetErrorMode();
    for (const auto& c : cases) {
        SetErrorMode(c.inherited);
        start_safely();
        EXPECT_EQ(GetErrorMode(), c.kept) << c.inherited;
    }
    SetErrorMode(own);
}
