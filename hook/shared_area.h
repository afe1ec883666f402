// The data every instance of ravik.dll shares, in every process that maps it:
// the layout of the section ".sharedd". The library defines the one instance;
// tests read it through the section of the loaded library.
#pragma once

#include <windows.h>
#include <stddef.h>

#include "hook/pure/ring.h"
#include "hook/ravik.h"

// Fields in their fixed order. Handles and window procedures take pointer width
// on the 64-bit build; everything else is a 32-bit value.
struct SharedHookArea {
    HHOOK hook;                    // the global hook in force, passed to CallNextHookEx
    LONG hookActive;               // hint: 1 while a program owns the hook (its mutex decides)
    LONG readIndex;                // slot the reader takes next; moved only by the reader
    LONG writeIndex;               // slot the next writer fills; moved only by writers
    WndMes ring[RingSize];         // the recorded messages
    HWND proxyWnds[ProxyListSize]; // the program's proxy windows, in order of registration
    LONG proxyCount;               // valid entries of proxyWnds
    WNDPROC savedTabProc;          // the tab control's former procedure, an address valid
                                   // only in the shell's process; null: no subclass in place
    HWND tabCtrl;                  // the taskbar's tab control, once found
    LONG subclassFlag;             // nonzero: the hook may subclass the taskbar
    LONG classAddressFlag;         // nonzero: the subclass passes on to the class's procedure
    DWORD lastCountTime;           // timeGetTime of the last forwarded TCM_GETITEMCOUNT
    DWORD ownerProcess;            // hint: id of the process that owns the hook
    FILETIME ownerCreated;         // hint: its creation time
};

#ifdef _WIN64
static_assert(offsetof(SharedHookArea, hookActive) == 8 && offsetof(SharedHookArea, ring) == 20 &&
                  offsetof(SharedHookArea, proxyWnds) == 1624 &&
                  offsetof(SharedHookArea, proxyCount) == 2424 &&
                  offsetof(SharedHookArea, savedTabProc) == 2432 &&
                  offsetof(SharedHookArea, tabCtrl) == 2440 &&
                  offsetof(SharedHookArea, subclassFlag) == 2448 &&
                  offsetof(SharedHookArea, lastCountTime) == 2456 &&
                  offsetof(SharedHookArea, ownerProcess) == 2460 &&
                  offsetof(SharedHookArea, ownerCreated) == 2464 && sizeof(SharedHookArea) == 2472,
              "SharedHookArea: 64-bit layout with pointer-width handles and procedure");
#else
static_assert(offsetof(SharedHookArea, hookActive) == 4 && offsetof(SharedHookArea, ring) == 16 &&
                  offsetof(SharedHookArea, proxyWnds) == 1616 &&
                  offsetof(SharedHookArea, proxyCount) == 2016 &&
                  offsetof(SharedHookArea, savedTabProc) == 2020 &&
                  offsetof(SharedHookArea, tabCtrl) == 2024 &&
                  offsetof(SharedHookArea, subclassFlag) == 2028 &&
                  offsetof(SharedHookArea, lastCountTime) == 2036 &&
                  offsetof(SharedHookArea, ownerProcess) == 2040 &&
                  offsetof(SharedHookArea, ownerCreated) == 2044 && sizeof(SharedHookArea) == 2052,
              "SharedHookArea: 32-bit layout, every field 32 bits wide");
#endif

// The window messages the hook procedures record.
constexpr bool IsRecordedCode(UINT message) {
    return IsRecordedWindowMessage(message);
}
static_assert(sizeof RecordedWindowMessages / sizeof RecordedWindowMessages[0] == 8 &&
                  IsRecordedCode(WM_CREATE) && IsRecordedCode(WM_DESTROY) &&
                  IsRecordedCode(WM_ACTIVATE) && IsRecordedCode(WM_SETTEXT) &&
                  IsRecordedCode(WM_SHOWWINDOW) && IsRecordedCode(WM_STYLECHANGED) &&
                  IsRecordedCode(WM_NCACTIVATE) && IsRecordedCode(WM_INITDIALOG),
              "the hooks record exactly these eight messages");
