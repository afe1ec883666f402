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

// Per process: this thread's hold of the owner mutex while this process owns
// the hook, else null.
HANDLE OwnerMutex = nullptr;

constexpr int OwnerNameSize = 64;

// FNV-1a over the path with ASCII letters folded: the name when the file
// itself cannot be asked.
uint64_t PathHash(const char* path) {
    uint64_t h = 14695981039346656037ull;
    for (const char* p = path; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        h = (h ^ (c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c)) * 1099511628211ull;
    }
    return h;
}

// The name of the owner mutex of this library file. Each copy of the library
// has a shared area of its own, and so an owner of its own: the name comes from
// the file's identity (volume and file index), which every spelling of its path
// shares. "Global\": the shared area is one for every session.
void OwnerMutexName(char* name) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(DllInstance, path, sizeof path);
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    BY_HANDLE_FILE_INFORMATION info;
    if (file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &info)) {
        wsprintfA(name, "Global\\ravik-hook-owner-%08lX-%08lX%08lX", info.dwVolumeSerialNumber,
                  info.nFileIndexHigh, info.nFileIndexLow);
    } else {
        uint64_t h = PathHash(path);
        wsprintfA(name, "Global\\ravik-hook-owner-path-%08lX%08lX", (DWORD)(h >> 32), (DWORD)h);
    }
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

// Takes the owner mutex for this thread. The fields of the shared area are
// written by any process the hook reaches; the mutex is held by the owner's
// thread and ends with it, so a program that ended without FreeHook leaves it
// abandoned, which counts as free. Refused with the reason as the last error:
// ERROR_BUSY while another program (or this one) holds it, the system's own
// (ERROR_ACCESS_DENIED for another user's) when it cannot be opened.
bool ClaimOwnerMutex() {
    if (OwnerMutex) {
        SetLastError(ERROR_BUSY);
        return false;
    }
    char name[OwnerNameSize];
    OwnerMutexName(name);
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    if (!mutex) return false;
    DWORD result = WaitForSingleObject(mutex, 0);
    if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) {
        CloseHandle(mutex);
        SetLastError(ERROR_BUSY);
        return false;
    }
    OwnerMutex = mutex;
    return true;
}

// Gives the owner mutex back, keeping the last error of the failure that may
// have led here.
void ReleaseOwnerMutex() {
    DWORD error = GetLastError();
    ReleaseMutex(OwnerMutex);
    CloseHandle(OwnerMutex);
    OwnerMutex = nullptr;
    SetLastError(error);
}

// Claims the hook for this process and empties the ring. hookActive and the
// owner's id and start are written as a hint for the hook procedures and for
// a person reading the area; only the mutex decides.
bool ClaimHook() {
    if (!ClaimOwnerMutex()) return false;
    // The lock keeps a writer still running from an earlier hook from
    // publishing into the emptied ring.
    RingLock lock(HookClaimWaitMs);
    FILETIME created = {0, 0}, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    StoreShared(SharedArea.ownerProcess, GetCurrentProcessId());
    SharedArea.ownerCreated = created;
    StoreShared(SharedArea.readIndex, 0L);
    StoreShared(SharedArea.writeIndex, 0L);
    StoreShared(SharedArea.hookActive, 1L);
    return true;
}

void ClearOwnerHint() {
    StoreShared(SharedArea.hookActive, 0L);
    StoreShared(SharedArea.ownerProcess, DWORD{0});
    SharedArea.ownerCreated = FILETIME{0, 0};
}

} // namespace

int __cdecl SetHook(int subclassFlag, int classAddressFlag) {
    if (!ClaimHook()) return 0;
    StoreShared(SharedArea.subclassFlag, static_cast<LONG>(subclassFlag));
    StoreShared(SharedArea.classAddressFlag, static_cast<LONG>(classAddressFlag));
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, CallWndProcHook, DllInstance, 0);
    if (!hook) {
        // No hook of ours is in force, and the library is ready for the next attempt.
        StoreShared(SharedArea.hook, static_cast<HHOOK>(nullptr));
        ClearOwnerHint();
        ReleaseOwnerMutex();
        return 0;
    }
    TakeHook(hook);
    return 1;
}

int __cdecl FreeHook() {
    // Only the owner undoes anything: a program whose SetHook was refused ends
    // with FreeHook too and leaves the running one's hook alone. The hook of
    // one that ended without FreeHook went with it.
    if (!OwnerMutex) return 1;
    // Cleared first, so that no hook procedure subclasses the taskbar again.
    ClearOwnerHint();
    if (OwnHook && LoadShared(SharedArea.savedTabProc)) UndoSubclass();
    // A hook that cannot be removed stays ours, and so does the mutex (until
    // this process ends).
    if (OwnHook && !UnhookWindowsHookEx(OwnHook)) return 0;
    // Forgotten in the shared area too, unless a later program's hook is there.
    HHOOK removed = OwnHook;
    __atomic_compare_exchange_n(&SharedArea.hook, &removed, static_cast<HHOOK>(nullptr), false,
                                __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE);
    OwnHook = nullptr;
    ReleaseOwnerMutex();
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
    // Asked only of the shell's own tab control, whatever the area names.
    HWND tab = LoadShared(SharedArea.tabCtrl);
    if (!tab || tab != ShellTabControl()) return 0;
    // Bounded: a hung shell must not hang the caller.
    DWORD_PTR count = 0;
    if (!SendBounded(tab, TCM_GETITEMCOUNT, 0, 0, ShellReplyTimeoutMs, &count)) return 0;
    return static_cast<int>(count);
}
