// The mutable program-wide state of the core: the model's lists and locks,
// the settings and where the program lives. Each layer above keeps its own
// in its own state.h; everything else is local to one file.
#pragma once

#include <windows.h>

#include "core/model.h"
#include "core/settings.h"

extern SettingsRecord Settings; // settings as loaded, edited by the settings dialog
extern int SubClassInEffect;    // SubClass as read at start-up, fixed for the run
extern int LoadInEffect;        // Load as read at start-up, fixed for the run
extern char* ProgramDir;        // directory of the executable with its trailing backslash

extern WndGroup* GroupList; // head of the groups, most recently created first
extern TabWnd* TabWndList;  // head of the proxies, most recently created first
extern GroupRule* RuleList; // head of the rules, in file order

extern CRITICAL_SECTION AllocLock; // held inside ObjAlloc/ObjFree only
extern CRITICAL_SECTION EventLock; // held for one whole drain of the event ring
