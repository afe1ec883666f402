// The hidden main window of class "pelmora": owner of the notification-area icon,
// receiver of its menu's commands and of the shell's "TaskbarCreated".
#include <windows.h>

#include "app/app.h"
#include "app/state.h"
#include "config/settings_dialog.h"
#include "core/screen_text.h"
#include "core/state.h"
#include "engine/modal_drain.h"
#include "engine/win_events.h"
#include "res/resource.h"
#include "taskbar/buttons.h"

namespace {

constexpr char HideIconNotice[] =
    "再びタスクトレイにアイコンを表示するにはpelmora.exeを起動してください";
constexpr char HideIconCaption[] = "注意";

// Ends the program, which then starts again (its shutdown sees the request).
void Restart(HWND hwnd) {
    RestartRequested = 1;
    DestroyWindow(hwnd);
}

void OnCreate(HWND hwnd) {
    if (Settings.Icon == 1) AddTrayIcon(hwnd, ProgramIcon);
}

void OnDestroy() {
    RemoveTrayIcon();
    PostQuitMessage(0);
}

void OnPaint(HWND hwnd) {
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    EndPaint(hwnd, &ps);
}

// The icon goes for this run only; the notice comes first. Anyone may post the
// command: grouping goes on while the notice is open, and the command does
// nothing while it is open (a stream of them would stack boxes without end).
void OnHideIcon() {
    static bool noticeOpen = false;
    if (noticeOpen) return;
    noticeOpen = true;
    {
        ModalDrain drain;
        ShowMessageBox(nullptr, HideIconNotice, HideIconCaption, MB_OK);
    }
    noticeOpen = false;
    RemoveTrayIcon();
}

// Returns 1 when the command was one of the tray menu's.
int OnCommand(HWND hwnd, UINT id) {
    switch (id) {
    case IDC_TRAY_SETTINGS:
        OpenSettingsDialog(hwnd);
        return 1;
    case IDC_TRAY_EXIT:
        DestroyWindow(hwnd);
        return 1;
    case IDC_TRAY_ABOUT:
        OpenAboutBox();
        return 1;
    case IDC_TRAY_HIDE:
        OnHideIcon();
        return 1;
    default:
        return 0;
    }
}

// What the settings dialog asks of the application.
void OnSettingsApplied(HWND hwnd, WPARAM what) {
    if (what == SettingsIconOff) RemoveTrayIcon();
    if (what == SettingsRestart) Restart(hwnd);
}

} // namespace

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // A registered message has no fixed code and cannot be a case label. The
    // message still goes on to the default handling.
    if (TaskbarCreatedMessage != 0 && message == TaskbarCreatedMessage)
        Restart(hwnd); // a new shell knows none of our buttons or our icon
    // The shell's report of a window flashing its caption, for the drain.
    if (TakeShellHookMessage(message, wParam, lParam)) return 0;
    // Commands and clicks on the icon open boxes, menus and the dialog.
    if ((message == WM_COMMAND || message == TrayCallbackMessage) &&
        PostedPastBurst(hwnd, message, wParam, lParam))
        return 0;

    switch (message) {
    case WM_CREATE:
        OnCreate(hwnd);
        return 1;
    case WM_DESTROY:
        OnDestroy();
        return 1;
    case WM_PAINT:
        OnPaint(hwnd);
        return 1;
    case WM_TIMER:
        return 1;
    case WM_COMMAND:
        if (OnCommand(hwnd, LOWORD(wParam))) return 1;
        break;
    case TrayCallbackMessage:
        TrayCallback(hwnd, wParam, lParam);
        return 1;
    case SettingsAppliedMessage:
        OnSettingsApplied(hwnd, wParam);
        return 1;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
