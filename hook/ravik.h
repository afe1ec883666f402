// Exports of ravik.dll, the hook library. All exports use the C calling
// convention (__cdecl) and undecorated names on both targets (ravik.def).
#pragma once

#include <windows.h>
#include <stdint.h>

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

// Window handle of a recorded entry, widened back to a handle. Handles are
// sign-extended from their 32 significant bits, as LongToHandle does.
inline HWND WndMesWindow(const WndMes& m) {
    return (HWND)(LONG_PTR)(LONG)m.hwnd;
}

constexpr UINT UnsubclassMessage = 0x12FF; // FreeHook -> subclassed tab control

// The named kernel objects of the ring, shared by every process that maps the
// library: writers serialise on the mutex and signal the auto-reset event.
constexpr char RingMutexName[] = "MsgHook-Wnd-Mutex-Name";
constexpr char RingEventName[] = "MsgHook-Wnd-Event-Name";

RAVIK_API int __cdecl SetHook(int subclassFlag, int classAddressFlag);
RAVIK_API int __cdecl FreeHook();
RAVIK_API int __cdecl SetSubClass(int load);
RAVIK_API int __cdecl SetWnd(HWND hwnd);
RAVIK_API int __cdecl RmWnd(HWND hwnd);
RAVIK_API WndMes* __cdecl GetWndMes(WndMes* out);
RAVIK_API int __cdecl NewMessage();
RAVIK_API void __cdecl IncRead();
RAVIK_API int __cdecl GetSysTabCnt();
