// standin_hook.dll: tells the stand-in taskbar at once when a top-level window
// of any process is shown, hidden, destroyed, retitled, given an icon,
// activated, or flashed. Wine has no shell hook that would tell a taskbar
// these things, so the stand-in installs this global WH_CALLWNDPROCRET hook.
// The hook procedure only decides on the message and posts one message.
#include <windows.h>

#include "tools/standin_taskbar/protocol.h"

namespace {

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

// The stand-in of this desktop (global hooks and message-only windows belong
// to a desktop), unless this process is the stand-in: its own windows are not
// reported. Looked up at each event, so that a restarted stand-in is found.
HWND StandinControl() {
    HWND control = FindWindowExA(HWND_MESSAGE, nullptr, standin::ControlClass, nullptr);
    DWORD pid = 0;
    if (control) GetWindowThreadProcessId(control, &pid);
    return pid == GetCurrentProcessId() ? nullptr : control;
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    StandinWatchProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto& m = *reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        LPARAM event = EventOf(m);
        if (event && !(GetWindowLongPtrA(m.hwnd, GWL_STYLE) & WS_CHILD)) {
            if (HWND control = StandinControl())
                PostMessageA(control, standin::WindowEventMessage, reinterpret_cast<WPARAM>(m.hwnd),
                             event);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
