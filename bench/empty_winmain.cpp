// The benchmark's floor: a GUI program that does nothing, built and entered
// like the tool.
#include <windows.h>

extern "C" int program_entry() {
    ExitProcess(0);
}
