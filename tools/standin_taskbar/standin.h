// The stand-in Windows 2000 taskbar: its windows and the operations its files
// offer each other. Everything runs on the program's one UI thread.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// ---- the windows (main.cpp) ----
struct StandinWindows {
    HINSTANCE instance = nullptr;
    HWND tray = nullptr;        // "Shell_TrayWnd", topmost along the bottom edge
    HWND startButton = nullptr; // the start button, a child of the tray
    HWND taskSwitch = nullptr;  // "MSTaskSwWClass", a child of the tray
    HWND tabCtrl = nullptr;     // the task switch's first child, a button-style tab control
    HWND notifyArea = nullptr;  // "TrayNotifyWnd": notification icons and clock
    HWND control = nullptr;     // message-only window for requests and hook events
    HFONT font = nullptr;       // the taskbar's text
    HFONT boldFont = nullptr;   // the start button and the active button
};
extern StandinWindows Standin;

constexpr int TaskbarHeight = 28;

// Registers a Unicode window class of the stand-in (its procedure calls DefWindowProcW).
bool RegisterStandinClass(const char* name, WNDPROC proc, UINT style, HBRUSH background);

// ---- tray window (tray_window.cpp) ----
bool RegisterTrayClass();
HWND CreateTrayWindow();
void LayoutTray(); // places the tray along the bottom edge and its children inside it

// ---- task-switch window and its buttons (task_switch.cpp) ----
struct TaskButton {
    HWND hwnd;
    std::wstring title;
    HICON icon;     // the icon the window reports (it may belong to another process)
    HICON drawIcon; // the icon drawn: the window's own when usable here, else its program's
    bool flashing;
    bool iconAsked; // a question for its icon is on its way
};
bool RegisterTaskSwitchClass();
const std::vector<TaskButton>& Buttons();
bool HasButton(HWND hwnd);
void FlushButtonPaint();       // paints the buttons now when a burst of changes put it off
void AddButton(HWND hwnd);    // appends a button for the window
void RemoveButton(HWND hwnd); // removes its button, if any
void RefreshButtonTitles();   // follows the windows' titles
void RefreshButtonTitle(HWND hwnd);
void RequestButtonIcon(HWND hwnd); // asks the window for its icon without waiting
void RequestAllButtonIcons();      // skips windows that have not answered the last question yet
void MarkFlashing(HWND hwnd);      // highlights its button until the window is activated
void ClearFlashing(HWND hwnd);
void SetActiveButton(HWND hwnd); // shows this window's button pressed (none when it has none)
RECT ButtonScreenRect(size_t index);

struct TaskbarListCall {
    unsigned seq;
    const char* op;
    HWND hwnd;
};
const std::vector<TaskbarListCall>& TaskbarListLog();
void ClearTaskbarListLog();

// ---- which windows get a button (window_tracker.cpp) ----
void ScanWindowsAtStart();
void PollWindows(); // the safety net behind the hook's events
void OnWindowEvent(HWND hwnd, LPARAM event);
void OnAddTab(HWND hwnd);
void OnDeleteTab(HWND hwnd);
void OnForegroundMaybeChanged();

// ---- notification area (notify_area.cpp) ----
struct NotifyIcon {
    HWND owner;
    UINT id;
    UINT flags;
    UINT callbackMessage;
    UINT state;
    std::wstring tip;
    HICON icon; // made here from the bitmap the request carried
};
bool RegisterNotifyAreaClass();
const std::vector<NotifyIcon>& NotifyIcons();
LRESULT HandleNotifyIconRequest(const COPYDATASTRUCT* cds); // Shell_NotifyIcon as Wine sends it
int NotifyAreaWidth();
RECT NotifyIconScreenRect(size_t index);
void RemoveDeadNotifyIcons();

// ---- control window (control_window.cpp) ----
bool RegisterControlClass();
HWND CreateControlWindow();
