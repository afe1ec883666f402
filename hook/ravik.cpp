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

namespace {

FILETIME CreationTime(HANDLE process) {
    FILETIME created = {0, 0}, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) created = FILETIME{0, 0};
    return created;
}

bool Known(const FILETIME& t) {
    return t.dwLowDateTime || t.dwHighDateTime;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// Whether the process that set hookActive still runs. Its id alone may have
// been given to a later process, so the creation time must match too. A
// process that may not be opened (another user's) is taken to run: its flag
// is not taken from it; nor is a flag whose owner is not recorded yet.
bool OwnerRuns() {
    DWORD pid = LoadShared(SharedArea.ownerProcess);
    if (pid == 0) return true;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!process) process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = STILL_ACTIVE;
    bool ended = GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
    FILETIME created = CreationTime(process);
    const FILETIME& recorded = SharedArea.ownerCreated;
    if (Known(created) && Known(recorded) && !SameTime(created, recorded)) ended = true;
    CloseHandle(process);
    return !ended;
}

// Claims hookActive for this process when it is free or its process has
// ended, and empties the ring. A free flag is claimed by one atomic exchange,
// so two programs starting at once cannot both win; taking the flag over from
// an ended process needs the ring lock, which serialises those who try.
bool ClaimHookFlag() {
    // The lock also keeps a writer still running from an earlier hook from
    // publishing into the emptied ring.
    RingLock lock(HookClaimWaitMs);
    bool claimed = InterlockedCompareExchange(&SharedArea.hookActive, 1, 0) == 0;
    if (!claimed && lock.Owned() && !OwnerRuns()) claimed = true;
    if (!claimed) return false;
    StoreShared(SharedArea.ownerProcess, GetCurrentProcessId());
    SharedArea.ownerCreated = CreationTime(GetCurrentProcess());
    StoreShared(SharedArea.readIndex, 0L);
    StoreShared(SharedArea.writeIndex, 0L);
    return true;
}

// Gives hookActive back when this process set it. The owner is forgotten
// first and the flag cleared last, so that a program claiming the free flag
// at once keeps the owner it records.
void ReleaseHookFlag() {
    if (!LoadShared(SharedArea.hookActive) ||
        LoadShared(SharedArea.ownerProcess) != GetCurrentProcessId())
        return;
    StoreShared(SharedArea.ownerProcess, DWORD{0});
    SharedArea.ownerCreated = FILETIME{0, 0};
    StoreShared(SharedArea.hookActive, 0L);
}

} // namespace

int __cdecl SetHook(int subclassFlag, int classAddressFlag) {
    if (!ClaimHookFlag()) return 0;
    StoreShared(SharedArea.subclassFlag, static_cast<LONG>(subclassFlag));
    StoreShared(SharedArea.classAddressFlag, static_cast<LONG>(classAddressFlag));
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, CallWndProcHook, DllInstance, 0);
    if (!hook) {
        // No hook of ours is in force, and the library is ready for the next attempt.
        StoreShared(SharedArea.hook, static_cast<HHOOK>(nullptr));
        ReleaseHookFlag();
        return 0;
    }
    TakeHook(hook);
    return 1;
}

int __cdecl FreeHook() {
    // Cleared first, so that no hook procedure subclasses the taskbar again.
    // Only by the process that set it: a program whose SetHook was refused
    // ends with FreeHook too and leaves a running program's flag alone. The
    // flag of a process that ended without FreeHook is free for SetHook anyway.
    ReleaseHookFlag();
    // The hook and subclass of another program that is still running are not
    // ours to undo; those of one that ended went with it or are kept by the
    // next SetSubClass.
    if (!OwnHook) return 1;
    if (LoadShared(SharedArea.savedTabProc)) {
        HWND tab = LoadShared(SharedArea.tabCtrl);
        // The control should run its own procedure again before the hook that
        // mapped us there goes away; a shell that does not answer in time
        // keeps the subclass, which stays safe there (the library is pinned)
        // and is undone when the shell handles the message or by the next run.
        SendBounded(tab, UnsubclassMessage, 0, 0, ShellReplyTimeoutMs);
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
    if (!SendBounded(tab, TCM_GETITEMCOUNT, 0, 0, ShellReplyTimeoutMs, &count)) return 0;
    return static_cast<int>(count);
}
