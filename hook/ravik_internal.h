// What the parts of ravik.dll share inside one process: the shared area, the
// per-process handles, the ring lock and the procedures the hooks install.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <stdint.h>

#include "hook/shared_area.h"
#include "hook/window_calls.h"

extern SharedHookArea SharedArea; // the section ".sharedd", one for all processes

// Per process: the library's module and its handles of the named ring objects.
extern HINSTANCE DllInstance;
extern HANDLE RingMutex;
extern HANDLE RingEvent;
// Per process: the hook this process installed and has not removed, else null.
// Only its FreeHook undoes the subclass and removes a hook.
extern HHOOK OwnHook;

// Makes `hook` the hook in force, this process's own.
void TakeHook(HHOOK hook);

constexpr DWORD RingWaitMs = 100; // no writer blocks an application longer than this
// Bound of the program's own calls that take the ring lock to claim or give
// back the hook: writers hold it only to copy one entry.
constexpr DWORD HookClaimWaitMs = 2000;

// Opens (or, in the first process, creates) the named mutex and event. Null
// handles are kept: every later wait on them fails at once, like a time-out.
void OpenRingObjects(HINSTANCE instance);
void CloseRingObjects();

// Fields of the shared area that other processes read or write without the
// ring lock are accessed by one atomic load or store each, so that the
// compiler neither caches nor tears them; acquire/release order a ring slot
// with the writeIndex that publishes it.
template <class T> inline T LoadShared(const T& field) {
    return __atomic_load_n(&field, __ATOMIC_ACQUIRE);
}
template <class T> inline void StoreShared(T& field, T value) {
    __atomic_store_n(&field, value, __ATOMIC_RELEASE);
}

// Ownership of the ring mutex for one scope, waited for at most RingWaitMs
// (or the bound given).
// WAIT_ABANDONED hands over ownership too: the writer that died had not
// published its slot (writeIndex moves last), so the ring is whole and the new
// owner goes on, and releases the mutex like any other.
class RingLock {
  public:
    explicit RingLock(DWORD waitMs = RingWaitMs) {
        DWORD result = WaitForSingleObject(RingMutex, waitMs);
        owned_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    }
    ~RingLock() {
        if (owned_) ReleaseMutex(RingMutex);
    }
    RingLock(const RingLock&) = delete;
    RingLock& operator=(const RingLock&) = delete;
    bool Owned() const { return owned_; }

  private:
    bool owned_;
};

// Records one entry in the ring and signals the event; drops it when the ring
// mutex is not obtained within RingWaitMs.
void RecordEntry(uint32_t hwnd, uint32_t message, uint32_t wParam, uint32_t lParam);

// The message's values as a ring entry keeps them: the low 32 bits of each.
inline void RecordMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    RecordEntry(static_cast<uint32_t>(reinterpret_cast<ULONG_PTR>(hwnd)), message,
                static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
}

LRESULT CALLBACK CallWndProcHook(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK GetMsgHook(int code, WPARAM wParam, LPARAM lParam);

// Whether the hook should look for the taskbar to subclass: a subclass is
// wanted, the hook is active and none is in place.
inline bool SubclassWanted() {
    return __atomic_load_n(&SharedArea.subclassFlag, __ATOMIC_RELAXED) &&
           !__atomic_load_n(&SharedArea.savedTabProc, __ATOMIC_RELAXED) &&
           __atomic_load_n(&SharedArea.hookActive, __ATOMIC_RELAXED);
}

// Subclasses the taskbar's tab control when `hwnd`, the window a hooked
// message is for, is the tray window (so this runs on the shell's thread).
void RunSubclassTrigger(HWND hwnd);
// The "SysTabControl32" first child of the first "MSTaskSwWClass" under the
// shell's "Shell_TrayWnd", or null: the only window the library subclasses.
HWND ShellTabControl();
// Sends UnsubclassMessage to the shell's tab control (bounded).
void UndoSubclass();
