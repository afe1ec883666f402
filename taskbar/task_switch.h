// What the shell's task-switch window holds: the tab control of Windows 2000
// and earlier, which the hook library can subclass, or the toolbar or task list
// of later shells, which it cannot use.
#pragma once

enum class TaskSwitchContent {
    None,       // no tray window, or no task-switch window under it
    TabControl, // its first child is a "SysTabControl32"
    Other,      // its first child is anything else, or it has none
};

// Looks at the windows of "Shell_TrayWnd" (the task switcher sits directly
// under it up to Windows 2000, under a rebar from XP on). Reads class names
// only; sends nothing to the shell.
TaskSwitchContent InspectTaskSwitch();
