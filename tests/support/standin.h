// The stand-in Windows 2000 taskbar (tools/standin_taskbar) as tests see it:
// start and stop it, and read its buttons, notification icons and the log of
// the ITaskbarList calls it received.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

struct TaskbarButton {
    HWND hwnd;
    std::string title; // in the ANSI code page, as GetWindowTextA gives it
    bool flashing;
    bool active; // its window is the foreground window
    HICON icon;  // the small icon its window reports (a handle of the window's process)
    RECT rect;   // on the screen
};

struct TaskbarNotifyIcon {
    HWND owner;
    UINT id;
    UINT callbackMessage;
    std::string tip; // in the ANSI code page
    RECT rect;       // on the screen
};

struct TaskbarListCall {
    unsigned seq;
    std::string op; // "AddTab", "DeleteTab", "ActivateTab" or "SetActiveAlt"
    HWND hwnd;
};

struct TaskbarState {
    HWND tray = nullptr;                // "Shell_TrayWnd"
    HWND taskSwitch = nullptr;          // "MSTaskSwWClass"
    HWND tabCtrl = nullptr;             // the tab control with the buttons
    RECT rect = {};                     // the taskbar on the screen
    std::vector<TaskbarButton> buttons; // in order, left to right
    std::vector<TaskbarNotifyIcon> icons;
    std::vector<TaskbarListCall> calls; // oldest first
    std::string text;                   // the state as the stand-in printed it (UTF-8)
};

class StandinTaskbar {
  public:
    StandinTaskbar() = default;
    StandinTaskbar(const StandinTaskbar&) = delete;
    StandinTaskbar& operator=(const StandinTaskbar&) = delete;
    ~StandinTaskbar() { Stop(); }

    // Ends a stand-in left over by an earlier test, makes sure the taskbar-list
    // server is registered, starts the stand-in and waits until it answers.
    // `layout` is the shell whose class tree it copies: "2000", "xp" or "win7".
    bool Start(const char* layout = "2000");
    // Asks it to quit and waits until it has ended.
    bool Stop();

    bool Read(TaskbarState* state) const; // 0 when it does not answer
    std::vector<TaskbarButton> Buttons() const;
    std::vector<HWND> ButtonWindows() const;
    std::vector<TaskbarNotifyIcon> NotifyIcons() const;
    std::vector<TaskbarListCall> Calls() const;
    // Waits until the buttons are exactly these windows, in this order.
    bool WaitForButtons(const std::vector<HWND>& expected, DWORD timeoutMs = 10000) const;
    // The window's button; false when it has none.
    bool FindButton(HWND hwnd, TaskbarButton* button = nullptr) const;
    bool ClearCalls() const;
    std::string Text() const; // the whole state as UTF-8 text, for failure messages

  private:
    HANDLE process_ = nullptr;
};

// Registers tools' tasklist_server.dll for CLSID_TaskbarList in the prefix
// (HKLM, where Wine's COM looks), as tools/wine-env.sh does.
bool RegisterTaskbarListServer();

} // namespace testing_support
