// standin_hook.dll: tells the stand-in taskbar at once when a top-level window
// of any process is shown, hidden, destroyed, retitled, given an icon,
// activated, or flashed. Wine has no shell hook that would tell a taskbar
// these things, so the stand-in installs this global WH_CALLWNDPROCRET hook.
// The hook procedure only decides on the message and posts one message.
#include <windows.h>

#include "tools/standin_taskbar/protocol.h"

namespace {

// Shared by every process that maps the library: where to post, and which
// process is the stand-in (its own windows are not reported).
struct SharedTarget {
    unsigned long long control; // the stand-in's control window
    unsigned long processId;
};
__attribute__((section(".shared"), shared)) SharedTarget Shared = {0, 0};

LPARAM EventOf(const CWPRETSTRUCT& m) {
    switch (m.message) {
    case WM_WINDOWPOSCHANGED: {
        auto* pos = reinterpret_cast<const WINDOWPOS*>(m.lParam);
        if (!pos) return 0;
        if (pos->flags & SWP_SHOWWINDOW) return standin::EventShown;
        if (pos->flags & SWP_HIDEWINDOW) return standin::EventHidden;
        return 0;
    }
    case WM_SETTEXT:
        return standin::EventTitle;
    case WM_SETICON:
        return standin::EventIcon;
    case WM_DESTROY:
        return standin::EventDestroyed;
    case WM_NCACTIVATE:
        // FlashWindow sends WM_NCACTIVATE(TRUE, 0) to a window that is not
        // active; an activation sends it after the window became active.
        if (m.wParam && !m.lParam && GetActiveWindow() != m.hwnd) return standin::EventFlash;
        return 0;
    case WM_ACTIVATE:
        return LOWORD(m.wParam) != WA_INACTIVE ? LPARAM(standin::EventActivated) : 0;
    default:
        return 0;
    }
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    StandinWatchProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && Shared.control) {
        const auto& m = *reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        LPARAM event = EventOf(m);
        if (event && !(GetWindowLongPtrA(m.hwnd, GWL_STYLE) & WS_CHILD) &&
            GetCurrentProcessId() != Shared.processId) {
            PostMessageA(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(Shared.control)),
                         standin::WindowEventMessage, reinterpret_cast<WPARAM>(m.hwnd), event);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" __declspec(dllexport) void __cdecl StandinSetTarget(HWND control, DWORD processId) {
    Shared.processId = processId;
    Shared.control = reinterpret_cast<ULONG_PTR>(control);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
