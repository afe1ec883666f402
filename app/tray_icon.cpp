// The notification-area icon and its menu.
#include <windows.h>
#include <shellapi.h>

#include "app/app.h"
#include "app/state.h"
#include "config/settings_dialog.h"
#include "core/scoped.h"
#include "engine/modal_drain.h"
#include "res/resource.h"
#include "taskbar/buttons.h"
#include "taskbar/state.h"

namespace {

constexpr UINT TrayIconId = 1;

// The program's one icon record: filled by AddTrayIcon, used again to remove it.
// Wide, so that its tip reads right on any code page.
NOTIFYICONDATAW TrayIconData;

// Names this program's own icon (its main window, id 1) when this process never
// added it itself: with Icon 0 in the settings a second start may have added it,
// and the record would otherwise name no icon at all.
void NameOwnIconIfEmpty() {
    if (TrayIconData.cbSize != 0) return;
    TrayIconData.cbSize = NOTIFYICONDATAW_V2_SIZE;
    TrayIconData.hWnd = MainWnd;
    TrayIconData.uID = TrayIconId;
}

void ShowTrayMenu(HWND hwnd) {
    NameOwnIconIfEmpty();
    HWND owner = TrayIconData.hWnd ? TrayIconData.hWnd : hwnd;
    // Foreground first, WM_NULL after: otherwise the menu does not close when
    // the user clicks elsewhere.
    SetForegroundWindow(owner);
    ScopedMenu menu(LoadMenuA(Instance, MAKEINTRESOURCEA(IDM_TRAY)));
    HMENU popup = menu.get() ? GetSubMenu(menu.get(), 0) : nullptr;
    if (popup) {
        POINT cursor;
        GetCursorPos(&cursor);
        ModalDrain drain; // grouping goes on while the menu is open
        TrackPopupMenu(popup, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, hwnd, nullptr);
    }
    PostMessageA(owner, WM_NULL, 0, 0);
}

} // namespace

void AddTrayIcon(HWND hwnd, HICON icon) {
    ZeroMemory(&TrayIconData, sizeof TrayIconData);
    TrayIconData.cbSize = NOTIFYICONDATAW_V2_SIZE;
    TrayIconData.hWnd = hwnd;
    TrayIconData.uID = TrayIconId;
    TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayIconData.uCallbackMessage = TrayCallbackMessage;
    TrayIconData.hIcon = icon;
    GetWindowTextW(hwnd, TrayIconData.szTip, ARRAYSIZE(TrayIconData.szTip));
    // The request is a message to the shell, which may wait for it without a
    // bound: it goes only to a shell that answers.
    if (ShellAnswers()) Shell_NotifyIconW(NIM_ADD, &TrayIconData);
}

BOOL RemoveTrayIcon() {
    NameOwnIconIfEmpty();
    return ShellAnswers() && Shell_NotifyIconW(NIM_DELETE, &TrayIconData);
}

void TrayCallback(HWND hwnd, WPARAM, LPARAM lParam) {
    switch (LOWORD(lParam)) {
    case WM_LBUTTONDBLCLK:
        OpenSettingsDialog(hwnd);
        break;
    case WM_RBUTTONUP:
        ShowTrayMenu(hwnd);
        break;
    default:
        break;
    }
}
