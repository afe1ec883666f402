// The mutable program-wide state of the taskbar layer.
#pragma once

#include <windows.h>
#include <shobjidl.h>

extern HINSTANCE Instance;              // the program's module, owner of its windows and resources
extern ITaskbarList* TaskbarListObject; // the one taskbar-list object; null when creation failed
extern int MenuReady;                   // 0 during the initial scan, then 1: no group menu before
extern UINT MenuSelection;              // low 16 bits of the menu item last under the cursor
extern int GroupMenuOpen;               // 1 while a group menu is open: its model stays as it is
