// Scanning the desktop into groups and the passes that keep proxies in step.
#pragma once

#include <windows.h>

#include "core/model.h"

WndGroup* NewGroup(HWND hwnd, HICON icon, char* pathCopy, char* classCopy);
WndMember* AddMember(HWND hwnd, WndGroup* group, char* classCopy);
void ScanAllWindows();
void CreateAllTabWnds();
void RescanWindows();
void AddWindow(HWND hwnd);
void RemoveWindow(HWND hwnd);
void RefreshGroupOf(HWND hwnd);
void RefreshGroups();
void ApplyThresholds();
void DestroyAllGroups();
