#include "removal_sequence.h"
#include "settings_path.h"
#include "../startup/safe_start.h"

#include <windows.h>

// The program's entry. The tail is taken from the UTF-16 command line: the
// 8-bit one a WinMain is handed has every name squeezed into the code page.
extern "C" int program_entry() {
    start_safely();
    ExitProcess(static_cast<UINT>(run_removal(command_tail(GetCommandLineW()))));
}
