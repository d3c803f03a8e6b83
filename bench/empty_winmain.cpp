// The benchmark's floor: a GUI program that does nothing, built like the tool.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return 0;
}
