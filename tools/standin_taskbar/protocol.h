// What the stand-in taskbar shares with its hook library, the taskbar-list
// server and its clients (the tests and the demo): names, and the one lookup
// of the task-switch window that works on every layout.
#pragma once

#include <windows.h>

namespace standin {

// The stand-in's hidden control window (a message-only window): it answers
// requests (tools/common/ipc.h) and receives the hook library's window events.
constexpr char ControlClass[] = "PelmoraStandinControl";

// The window classes of the taskbar itself, as the Windows shells named them.
constexpr char TrayClass[] = "Shell_TrayWnd";
constexpr char RebarClass[] = "ReBarWindow32"; // between tray and task switch from XP on
constexpr char TaskSwitchClass[] = "MSTaskSwWClass";
constexpr char NotifyAreaClass[] = "TrayNotifyWnd";

// The task-switch window of a tray: its child on the Windows 2000 layout, its
// rebar's child on the later ones.
inline HWND FindTaskSwitchIn(HWND tray) {
    if (HWND tasks = FindWindowExA(tray, nullptr, TaskSwitchClass, nullptr)) return tasks;
    HWND rebar = nullptr;
    while ((rebar = FindWindowExA(tray, rebar, RebarClass, nullptr)))
        if (HWND tasks = FindWindowExA(rebar, nullptr, TaskSwitchClass, nullptr)) return tasks;
    return nullptr;
}

// Requests to the control window (text, one word, optional arguments):
//   "state"          -> the taskbar's state, one line per item (format below)
//   "clearlog"       -> empties the log of taskbar-list calls
//   "taskbarcreated" -> broadcasts "TaskbarCreated" as a restarted shell does
//   "hang MS"        -> "ok", then the taskbar stops answering any message for
//                       MS milliseconds (0: until the process is killed)
//   "quit"           -> ends the stand-in (reply "ok" first)
// State lines, UTF-8, fields separated by one blank, the title always last:
//   taskbar tray=0x.. tasks=0x.. tab=0x.. notify=0x.. rect=l,t,r,b layout=2000|xp|win7
//           rebar=0x.. buttons=0x..
//     (tab: the tab control, 0x0 on the later layouts; rebar: 0x0 on 2000;
//      buttons: the control that shows the buttons, on every layout)
//   button index=N hwnd=0x.. flashing=0|1 active=0|1 icon=0x.. rect=l,t,r,b title=TEXT
//   tray owner=0x.. id=N callback=0x.. flags=0x.. rect=l,t,r,b tip=TEXT
//   call seq=N op=AddTab|DeleteTab|ActivateTab|SetActiveAlt hwnd=0x..
// Rectangles are in screen coordinates; TEXT has "\\" for a backslash and
// "\n" for a line break.

// The taskbar-list server reaches the task-switch window with the registered
// message "SHELLHOOK" (wParam a code below, lParam the window), sent and
// waited for, as the shell's own taskbar-list object did.
constexpr char ShellHookMessageName[] = "SHELLHOOK";
constexpr WPARAM ShellAddTab = 1;            // HSHELL_WINDOWCREATED
constexpr WPARAM ShellDeleteTab = 2;         // HSHELL_WINDOWDESTROYED
constexpr WPARAM ShellActivateTab = 4;       // HSHELL_WINDOWACTIVATED
constexpr WPARAM ShellSetActiveAlt = 0x8004; // HSHELL_RUDEAPPACTIVATED

// Posted by the hook library to the control window: wParam the top-level
// window, lParam one of WindowEvent.
constexpr UINT WindowEventMessage = WM_APP + 1;
enum WindowEvent : LPARAM {
    EventShown = 1,     // became visible
    EventHidden = 2,    // became invisible
    EventDestroyed = 3, // is being destroyed
    EventTitle = 4,     // its title was set
    EventIcon = 5,      // its icon was set
    EventFlash = 6,     // FlashWindow turned its caption on while it is not active
    EventActivated = 7, // it was activated
};

// The hook library's exports (standin_hook.dll).
constexpr char HookLibraryName[] = "standin_hook.dll";
constexpr char HookProcName[] = "StandinWatchProc";

} // namespace standin
