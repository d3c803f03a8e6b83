#include "removal_sequence.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_tail, int) {
    return run_removal(command_tail);
}
