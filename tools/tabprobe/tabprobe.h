// standin_tabprobe.dll: a test helper that does to the stand-in taskbar's tab
// control what pelmora's hook library does to the shell's: from inside the
// stand-in's process (through a WH_CALLWNDPROC hook on its thread) it replaces
// the control's window procedure with SetWindowLongPtrA, records the tab
// messages that pass, and later puts back the former procedure or the class's.
// The records live in memory shared by every process that loads the library.
#pragma once

#include <windows.h>

#ifdef TABPROBE_BUILDING
#define TABPROBE_API extern "C" __declspec(dllexport)
#else
#define TABPROBE_API extern "C" __declspec(dllimport)
#endif

struct TabProbeRecord {
    UINT message;
    unsigned long long wParam;
    unsigned long long itemParam; // TCITEM.lParam of an insert, else 0
    long long time;               // QueryPerformanceCounter when it arrived
};

// Installs the hook on the thread of the tray window; 1 on success.
TABPROBE_API int __cdecl ProbeInstall(HWND tray);
TABPROBE_API void __cdecl ProbeUninstall();
// Replaces the procedure of the tray's tab control (the first child of its
// "MSTaskSwWClass" child); 1 when it was replaced.
TABPROBE_API int __cdecl ProbeSubclass(HWND tray);
// Puts back the former procedure, or the class's when toClassProc is set; 1 on success.
TABPROBE_API int __cdecl ProbeRestore(HWND tray, int toClassProc);
TABPROBE_API int __cdecl ProbeCount();
TABPROBE_API TabProbeRecord __cdecl ProbeRecordAt(int index);
TABPROBE_API void __cdecl ProbeClear();
