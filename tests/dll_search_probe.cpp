// Loads version.dll by its name alone, as a program that leaves the DLL
// search as the platform sets it does: the control that shows a DLL planted
// beside a program is loaded where nothing restricts the search.
#include <windows.h>

int main() {
    return LoadLibraryW(L"version.dll") != nullptr ? 0 : 1;
}
