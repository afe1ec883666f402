// The program-wide globals, all in one place. Nothing else in the program is global.
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include "core/model.h"

// One signed integer per key of pelmora.ini.
struct SettingsRecord {
    int WinNum;        // least number of visible windows for a group to collapse
    int Flash;         // 1: a member's title-bar flashing flashes its proxy
    int Icon;          // 1: show the notification-area icon
    int And;           // 1: every grouping criterion in force must match; 0: any one
    int Path;          // 1: the executable path is a grouping criterion
    int Class;         // 1: the window class name is a grouping criterion
    int Menu;          // batch items of the group menu: 0 top, 1 bottom, 2 none
    int SubClass;      // 1: subclass the taskbar's tab control (saved value)
    int Load;          // 1: swap to the message-queue hook after subclassing (saved value)
    int ClassAddress;  // 1: the subclass passes messages to the class procedure
};

extern SettingsRecord Settings;  // settings as loaded, edited by the settings dialog
extern int SubClassInEffect;     // SubClass as read at start-up, fixed for the run
extern int LoadInEffect;         // Load as read at start-up, fixed for the run

extern char* ProgramDir;  // directory of the executable with its trailing backslash
extern ITaskbarList* TaskbarListObject;  // the one taskbar-list object; null when creation failed
extern HWND MainWnd;               // the hidden main window of class "pelmora"
extern HINSTANCE Instance;         // the program's module handle
extern HICON ProgramIcon;          // icon resource 203, for the notification-area icon
extern UINT TaskbarCreatedMessage; // code of the registered message "TaskbarCreated"
extern int MenuReady;              // 0 during the initial scan, then 1
extern int RestartRequested;       // 1: start the program again after shutdown
extern HWND SettingsDlgWnd;        // the open settings dialog, or null
extern int RulesDirty;             // 1: rules edited in the dialog since the last commit
extern HWND AboutDlgWnd;           // the open about box, or null
extern UINT MenuSelection;         // low 16 bits of the menu item last under the cursor

extern WndGroup* GroupList;    // head of the groups, most recently created first
extern TabWnd* TabWndList;     // head of the proxies, most recently created first
extern GroupRule* RuleList;    // head of the rules, in file order

extern CRITICAL_SECTION AllocLock;  // held inside ObjAlloc/ObjFree only
extern CRITICAL_SECTION EventLock;  // held for one whole drain of the event ring
