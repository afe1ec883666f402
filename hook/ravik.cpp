// ravik.dll: the shared area, the library's entry point and the exports that
// install and remove the hook, keep the proxy list and read the ring.
#include "hook/ravik_internal.h"

// One section for every process that maps the library: GCC shares it only
// through the section attribute, not through the compiler pragma some other
// compilers use. Zero when the first process maps it.
SharedHookArea SharedArea __attribute__((section(".sharedd"), shared)) = {};

HINSTANCE DllInstance;
HANDLE RingMutex;
HANDLE RingEvent;
HHOOK OwnHook;

void TakeHook(HHOOK hook) {
    OwnHook = hook;
    StoreShared(SharedArea.hook, hook);
}

void OpenRingObjects(HINSTANCE instance) {
    DllInstance = instance;
    RingMutex = CreateMutexA(nullptr, FALSE, RingMutexName);
    RingEvent = CreateEventA(nullptr, FALSE, FALSE, RingEventName);
}

void CloseRingObjects() {
    if (RingMutex) CloseHandle(RingMutex);
    if (RingEvent) CloseHandle(RingEvent);
    RingMutex = RingEvent = nullptr;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) OpenRingObjects(instance);
    if (reason == DLL_PROCESS_DETACH) CloseRingObjects();
    return TRUE;
}

int __cdecl SetHook(int subclassFlag, int classAddressFlag) {
    // Claimed atomically: two programs starting at once cannot both pass.
    if (InterlockedCompareExchange(&SharedArea.hookActive, 1, 0) != 0) return 0;
    {
        // A writer still running from an earlier hook must not publish into the
        // emptied ring; the reset goes ahead even when the lock times out.
        RingLock lock;
        StoreShared(SharedArea.readIndex, 0L);
        StoreShared(SharedArea.writeIndex, 0L);
    }
    StoreShared(SharedArea.subclassFlag, static_cast<LONG>(subclassFlag));
    StoreShared(SharedArea.classAddressFlag, static_cast<LONG>(classAddressFlag));
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, CallWndProcHook, DllInstance, 0);
    if (!hook) {
        // Leave the library ready for the next attempt.
        StoreShared(SharedArea.hookActive, 0L);
        return 0;
    }
    TakeHook(hook);
    return 1;
}

int __cdecl FreeHook() {
    // Cleared first and on every path, so that no hook procedure subclasses the
    // taskbar again and the next start of the program can set its hook (also
    // after a program that held it ended without FreeHook).
    StoreShared(SharedArea.hookActive, 0L);
    // The hook and subclass of another program that is still running are not
    // ours to undo (a program whose SetHook was refused ends with FreeHook too);
    // those of one that ended went with it or are kept by the next SetSubClass.
    if (!OwnHook) return 1;
    if (LoadShared(SharedArea.savedTabProc)) {
        HWND tab = LoadShared(SharedArea.tabCtrl);
        // Waits for the shell without a time-out: the control must run its own
        // procedure again before the hook that mapped us there goes away.
        SendMessageA(tab, UnsubclassMessage, 0, 0);
        // A control that no longer exists took its subclass with it.
        if (!IsWindow(tab)) StoreShared(SharedArea.savedTabProc, static_cast<WNDPROC>(nullptr));
    }
    if (!UnhookWindowsHookEx(OwnHook)) return 0;
    // Forgotten in the shared area too, unless a later program's hook is there.
    HHOOK removed = OwnHook;
    __atomic_compare_exchange_n(&SharedArea.hook, &removed, static_cast<HHOOK>(nullptr), false,
                                __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE);
    OwnHook = nullptr;
    return 1;
}

int __cdecl SetWnd(HWND hwnd) {
    RingLock lock;
    if (!lock.Owned()) return 0;
    LONG count = SharedArea.proxyCount;
    if (count < 0 || count >= ProxyListSize) return 0; // full: never write past the list
    SharedArea.proxyWnds[count] = hwnd;
    SharedArea.proxyCount = count + 1;
    return 1;
}

int __cdecl RmWnd(HWND hwnd) {
    RingLock lock;
    if (!lock.Owned()) return 0;
    LONG count = SharedArea.proxyCount;
    if (count < 0 || count > ProxyListSize) count = ProxyListSize;
    for (LONG i = 0; i < count; ++i) {
        if (SharedArea.proxyWnds[i] != hwnd) continue;
        for (LONG j = i; j + 1 < count; ++j)
            SharedArea.proxyWnds[j] = SharedArea.proxyWnds[j + 1];
        SharedArea.proxyWnds[count - 1] = nullptr;
        SharedArea.proxyCount = count - 1;
        break;
    }
    return 1;
}

WndMes* __cdecl GetWndMes(WndMes* out) {
    if (!out) return out;
    // writeIndex first: a slot is read only after the index that published it.
    (void)LoadShared(SharedArea.writeIndex);
    *out = SharedArea.ring[RingSlot(LoadShared(SharedArea.readIndex))];
    return out;
}

int __cdecl NewMessage() {
    LONG write = LoadShared(SharedArea.writeIndex);
    return write - LoadShared(SharedArea.readIndex);
}

void __cdecl IncRead() {
    StoreShared(SharedArea.readIndex,
                static_cast<LONG>(NextRingIndex(LoadShared(SharedArea.readIndex))));
}

int __cdecl GetSysTabCnt() {
    HWND tab = LoadShared(SharedArea.tabCtrl);
    if (!tab) return 0;
    // Bounded: a hung shell must not hang the caller.
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutA(tab, TCM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 2000,
                             &count))
        return 0;
    return static_cast<int>(count);
}
