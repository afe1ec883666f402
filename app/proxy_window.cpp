// The proxy window's procedure (class "tabtab"). The proxies themselves, their
// group menu and its commands belong to the taskbar layer; this procedure routes
// the window's messages to them and runs the refresh pass a command asks for.
#include "app/app.h"
#include "engine/passes.h"
#include "taskbar/buttons.h"
#include "taskbar/commands.h"
#include "taskbar/group_menu.h"
#include "taskbar/proxy.h"

namespace {

// A command of the group menu is one burst: what another thread sends while
// it waits for a window waits for its end.
void RunCommand(HWND proxy, WPARAM wParam) {
    TaskbarBurst burst;
    // Windows asked to close leave their groups: the pass runs at once.
    if (RunProxyCommand(proxy, wParam)) RefreshGroups();
}

} // namespace

LRESULT CALLBACK TabWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        ClearProxySystemMenu(hwnd);
        return 1;
    case WM_DESTROY:
        DeleteProxyTab(hwnd);
        return 1;
    case WM_SETFOCUS:
        return 1;
    case WM_CLOSE:
        // A proxy is never closed by a close request (from its taskbar button,
        // for instance); it goes only when its group no longer needs it.
        return 0;
    case WM_NCACTIVATE:
        // No default processing: the hidden proxy has no caption to draw.
        return 1;
    case WM_ACTIVATE: // opens the group menu
        if (PostedPastBurst(hwnd, message, wParam, lParam)) return 1;
        return OnProxyActivate(hwnd, wParam);
    case WM_MEASUREITEM:
        return OnProxyMeasureItem(hwnd, lParam);
    case WM_DRAWITEM:
        return OnProxyDrawItem(hwnd, lParam);
    case WM_ENTERMENULOOP:
        return OnProxyEnterMenuLoop(hwnd);
    case WM_MENUSELECT:
        return OnProxyMenuSelect(hwnd, wParam);
    case WM_RBUTTONUP:
        return OnProxyRButtonUp(hwnd);
    case WM_MENURBUTTONUP:
        return OnProxyMenuRButtonUp(hwnd, wParam, lParam);
    case DpiChangedMessage:
        return OnProxyDpiChanged(hwnd);
    case WM_COMMAND:
        if (!PostedPastBurst(hwnd, message, wParam, lParam)) RunCommand(hwnd, wParam);
        return 1;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
