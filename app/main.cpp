// pelmora.exe entry point. The program takes no arguments and ignores the show
// command: its only window is hidden.
#include <windows.h>

#include "app/app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return RunPelmora(instance); }
