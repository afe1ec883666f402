// Exports of ravik.dll, the hook library. All exports use the C calling
// convention (__cdecl) and undecorated names on both targets (ravik.def).
#pragma once

#include <windows.h>
#include <stdint.h>

#include "hook/window_calls.h"

#ifdef RAVIK_BUILDING
#define RAVIK_API extern "C" __declspec(dllexport)
#else
#define RAVIK_API extern "C" __declspec(dllimport)
#endif

// One recorded window message: four 32-bit fields on both targets. Window
// handles are 32-bit significant on 64-bit Windows, so the 64-bit build stores
// the low 32 bits of the handle and of wParam/lParam.
struct WndMes {
    uint32_t hwnd;
    uint32_t message;
    uint32_t wParam;
    uint32_t lParam;
};
static_assert(sizeof(WndMes) == 16, "WndMes is 16 bytes on every target");

// Window handle of a recorded entry, widened back to a handle.
inline HWND WndMesWindow(const WndMes& m) {
    return WidenWindowHandle(m.hwnd);
}

constexpr UINT UnsubclassMessage = 0x12FF; // FreeHook -> subclassed tab control

// The named kernel objects of the ring, shared by every process that maps the
// library: writers serialise on the mutex and signal the auto-reset event.
constexpr char RingMutexName[] = "MsgHook-Wnd-Mutex-Name";
constexpr char RingEventName[] = "MsgHook-Wnd-Event-Name";

// Claims the hook for this process and installs it (WH_CALLWNDPROC); 0 when
// refused or failed, with the reason as the last error. The claim is held by
// the calling thread until FreeHook on that thread, or its end.
RAVIK_API int __cdecl SetHook(int subclassFlag, int classAddressFlag);
// Undoes this process's subclass and removes its hook; 0 when the unhook failed.
RAVIK_API int __cdecl FreeHook();
// Subclasses the taskbar's tab control, with `load` swapping to WH_GETMESSAGE; 0 on failure.
RAVIK_API int __cdecl SetSubClass(int load);
// Adds a proxy window to the shared list; 0 when the list is full or the ring lock is busy.
RAVIK_API int __cdecl SetWnd(HWND hwnd);
// Takes a proxy window out of the shared list; 0 when the ring lock is busy.
RAVIK_API int __cdecl RmWnd(HWND hwnd);
// Copies the entry at the read index into *out and returns out; ask NewMessage first.
RAVIK_API WndMes* __cdecl GetWndMes(WndMes* out);
// writeIndex - readIndex: nonzero while entries wait (not a count, negative after a wrap).
RAVIK_API int __cdecl NewMessage();
// Moves the read index on by one slot, past the entry just read.
RAVIK_API void __cdecl IncRead();
// The item count of the subclassed tab control (bounded send); 0 without one.
RAVIK_API int __cdecl GetSysTabCnt();
