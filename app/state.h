// The mutable program-wide state of the application shell.
#pragma once

#include <windows.h>

extern HWND MainWnd;               // the hidden main window of class "pelmora"
extern HICON ProgramIcon;          // icon resource 203, for the notification-area icon
extern UINT TaskbarCreatedMessage; // code of the registered message "TaskbarCreated"
extern int RestartRequested;       // 1: start the program again after shutdown
