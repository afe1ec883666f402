// The engine: keeping the model in step with the desktop. Windows are
// registered (one by one or by walking all top-level windows) and forgotten,
// and the passes create, update and take down proxies as groups cross their
// thresholds.
#pragma once

#include <windows.h>

#include "core/model.h"

// Registering (scan.cpp).
WndGroup* NewGroup(HWND hwnd, HICON icon, char* pathCopy, char* classCopy);
WndMember* AddMember(HWND hwnd, WndGroup* group, char* classCopy);
void ScanAllWindows(); // every candidate window into groups, on an empty model
void RescanWindows();  // windows not yet known, and buttons of collapsed groups
void AddWindow(HWND hwnd);

// Passes (passes.cpp).
void CollapseGroup(WndGroup* group); // proxy first, then the members' buttons go
// Forgets one member (the group too when it was the last). With refresh, the
// group's proxy is brought up to date at once; without, the caller runs a pass.
void ForgetMember(WndGroup* group, WndMember* member, bool refresh);
void RemoveWindow(HWND hwnd);
void CreateAllTabWnds();
void RefreshGroupOf(HWND hwnd);
void RefreshGroups();
void ApplyThresholds();
void DestroyAllGroups();
void RebuildGroups(); // DestroyAllGroups, ScanAllWindows, CreateAllTabWnds
