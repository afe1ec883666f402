// ravik.dll: global hooks, the shared event ring and the taskbar subclass.
#define RAVIK_BUILDING
#include "hook/ravik.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
