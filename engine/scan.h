// Registering windows: the walks of the desktop's top-level windows and the
// single window the hook library reports. The passes that follow them are in
// engine/passes.h.
#pragma once

#include <windows.h>

#include "core/model.h"

// A new group founded by the window, linked at the head of GroupList; it owns
// both copies from then on. Null when it could not be made (copies released).
WndGroup* NewGroup(HWND hwnd, HICON icon, char* pathCopy, char* classCopy);
// The window as a new member of the group, which owns the copy from then on.
// Null when it could not be made (copy released, nothing logged).
WndMember* AddMember(HWND hwnd, WndGroup* group, char* classCopy);
// Every candidate window into groups, on an empty model; no proxies are made.
void ScanAllWindows();
// Registers the windows not yet known, and takes away again the buttons of
// members whose group has a proxy.
void RescanWindows();
// Registers a window the index does not know: its group afterwards, or null
// when it was not registered (it takes no part, its app is not known, no
// icon, or no memory).
WndGroup* AddNewWindow(HWND hwnd);
void AddWindow(HWND hwnd); // AddNewWindow for a window that is not known yet
