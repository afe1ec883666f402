// The stand-in taskbar: its windows and the operations its files offer each
// other. Everything runs on the program's one UI thread.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The class tree of the taskbar, after the shells that had it:
//   Win2000  "Shell_TrayWnd" > "MSTaskSwWClass" > "SysTabControl32"
//   Xp       "Shell_TrayWnd" > "ReBarWindow32" > "MSTaskSwWClass" > "ToolbarWindow32"
//   Win7     "Shell_TrayWnd" > "ReBarWindow32" > "MSTaskSwWClass" > "MSTaskListWClass"
enum class TaskbarLayout { Win2000, Xp, Win7 };

// ---- the windows (main.cpp) ----
struct StandinWindows {
    HINSTANCE instance = nullptr;
    TaskbarLayout layout = TaskbarLayout::Win2000;
    HWND tray = nullptr;        // "Shell_TrayWnd", topmost along the bottom edge
    HWND startButton = nullptr; // the start button, a child of the tray
    HWND rebar = nullptr;       // "ReBarWindow32" holding the task switch (not on Win2000)
    HWND taskSwitch = nullptr;  // "MSTaskSwWClass", a child of the tray or of the rebar
    HWND buttonStrip = nullptr; // the task switch's only child, which shows the buttons
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

// ---- the buttons (task_buttons.cpp) ----
struct TaskButton {
    HWND hwnd;
    std::wstring title;
    HICON icon;     // the icon the window reports (it may belong to another process)
    HICON drawIcon; // the icon drawn: the window's own when usable here, else its program's
    bool flashing;
    bool iconAsked; // a question for its icon is on its way
};
bool CreateButtonStrip(HWND taskSwitch); // the strip of Standin.layout
const std::vector<TaskButton>& Buttons();
bool HasButton(HWND hwnd);
void FlushButtonPaint();      // paints the buttons now when a burst of changes put it off
void AddButton(HWND hwnd);    // appends a button for the window
void RemoveButton(HWND hwnd); // removes its button, if any
void RefreshButtonTitles();   // follows the windows' titles
void RefreshButtonTitle(HWND hwnd);
void RequestButtonIcon(HWND hwnd); // asks the window for its icon without waiting
void RequestAllButtonIcons();      // skips windows that have not answered the last question yet
void MarkFlashing(HWND hwnd);      // highlights its button until the window is activated
void ClearFlashing(HWND hwnd);
void SetActiveButton(HWND hwnd); // shows this window's button pressed (none when it has none)
void LayoutButtons();            // sizes the buttons to the strip
RECT ButtonScreenRect(size_t index);
// Draws the button of the window into rc (the strip's item rectangle); frame:
// the strip draws no button edge of its own, the edge is drawn here too.
void DrawTaskButton(HDC dc, RECT rc, HWND hwnd, bool frame);
LRESULT OnStripNotify(const NMHDR* nm); // WM_NOTIFY from the strip to the task switch

// ---- task-switch window (task_switch.cpp) ----
bool RegisterTaskSwitchClass();
void OnButtonClick(); // a click on the strip: activates the window of the button under it

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
void NoteTaskbarActivity(); // a window event or a taskbar-list call: the safety nets wait
