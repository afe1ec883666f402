#define TABPROBE_BUILDING
#include "tools/tabprobe/tabprobe.h"

#include <commctrl.h>

#include "tools/standin_taskbar/protocol.h"

namespace {

constexpr int MaxRecords = 512;
constexpr WPARAM DoSubclass = 1, DoRestore = 2, DoRestoreClass = 3;

// Window procedures and handles here are valid in the stand-in's process only.
struct ProbeShared {
    LONG count;
    TabProbeRecord records[MaxRecords];
    unsigned long long savedProc;
    unsigned long long tab;
    int result;
};
__attribute__((section(".probe"), shared)) ProbeShared Shared = {};

HINSTANCE Module = nullptr;
HHOOK Hook = nullptr;

UINT ProbeMessage() {
    static const UINT message = RegisterWindowMessageA("PelmoraTabProbe");
    return message;
}

void Record(UINT message, WPARAM wParam, LPARAM itemParam) {
    LONG i = Shared.count;
    if (i >= MaxRecords) return;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    Shared.records[i] = {message, wParam, static_cast<unsigned long long>(itemParam), now.QuadPart};
    Shared.count = i + 1;
}

LRESULT CALLBACK ProbeTabProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case TCM_INSERTITEMA:
    case TCM_INSERTITEMW:
        // Both item layouts keep lParam at the same place.
        Record(message, wParam, reinterpret_cast<const TCITEMA*>(lParam)->lParam);
        break;
    case TCM_DELETEITEM:
    case TCM_GETITEMCOUNT:
    case TCM_SETITEMA:
    case TCM_SETITEMW:
        Record(message, wParam, 0);
        break;
    default:
        break;
    }
    return CallWindowProcA(reinterpret_cast<WNDPROC>(Shared.savedProc), hwnd, message, wParam,
                           lParam);
}

// The task switch's first child, as pelmora's library finds it.
HWND TabOf(HWND tray) {
    HWND tasks = standin::FindTaskSwitchIn(tray);
    return tasks ? GetWindow(tasks, GW_CHILD) : nullptr;
}

// Runs in the stand-in's process, on its taskbar thread.
void Act(HWND tray, WPARAM what) {
    HWND tab = TabOf(tray);
    Shared.result = 0;
    if (!tab) return;
    if (what == DoSubclass && !Shared.savedProc) {
        Shared.tab = reinterpret_cast<ULONG_PTR>(tab);
        Shared.savedProc = GetWindowLongPtrA(tab, GWLP_WNDPROC);
        if (SetWindowLongPtrA(tab, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ProbeTabProc)))
            Shared.result = 1;
        else
            Shared.savedProc = 0;
    } else if ((what == DoRestore || what == DoRestoreClass) && Shared.savedProc) {
        LONG_PTR proc = what == DoRestoreClass ? GetClassLongPtrA(tab, GCLP_WNDPROC)
                                               : static_cast<LONG_PTR>(Shared.savedProc);
        if (SetWindowLongPtrA(tab, GWLP_WNDPROC, proc)) {
            Shared.savedProc = 0;
            Shared.result = 1;
        }
    }
}

LRESULT CALLBACK ProbeHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (m->message == ProbeMessage()) Act(m->hwnd, m->wParam);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

int Ask(HWND tray, WPARAM what) {
    Shared.result = 0;
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutA(tray, ProbeMessage(), what, 0, SMTO_ABORTIFHUNG, 5000, &ignored))
        return 0;
    return Shared.result;
}

} // namespace

TABPROBE_API int __cdecl ProbeInstall(HWND tray) {
    DWORD thread = GetWindowThreadProcessId(tray, nullptr);
    if (!thread) return 0;
    Hook = SetWindowsHookExA(WH_CALLWNDPROC, ProbeHook, Module, thread);
    return Hook != nullptr;
}

TABPROBE_API void __cdecl ProbeUninstall() {
    if (Hook) UnhookWindowsHookEx(Hook);
    Hook = nullptr;
}

TABPROBE_API int __cdecl ProbeSubclass(HWND tray) {
    return Ask(tray, DoSubclass);
}

TABPROBE_API int __cdecl ProbeRestore(HWND tray, int toClassProc) {
    return Ask(tray, toClassProc ? DoRestoreClass : DoRestore);
}

TABPROBE_API int __cdecl ProbeCount() {
    return Shared.count;
}

TABPROBE_API TabProbeRecord __cdecl ProbeRecordAt(int index) {
    if (index < 0 || index >= Shared.count) return TabProbeRecord{};
    return Shared.records[index];
}

TABPROBE_API void __cdecl ProbeClear() {
    Shared.count = 0;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) Module = instance;
    return TRUE;
}
