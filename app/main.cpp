// pelmora.exe entry point.
#include <windows.h>

#include "core/globals.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    Instance = instance;
    return 0;
}
