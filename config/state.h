// The mutable program-wide state of the settings dialog.
#pragma once

#include <windows.h>

extern HWND SettingsDlgWnd; // the open settings dialog, or null: at most one at a time
extern int RulesDirty;      // 1: rules edited in the dialog since the last commit
