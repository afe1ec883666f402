// Taskbar buttons through the taskbar-list object: ordinary windows' own
// buttons (only while the window is visible) and the proxies' buttons.
#pragma once

#include <windows.h>

#include "core/model.h"

void AddTabIfVisible(HWND hwnd);
void DeleteTabIfVisible(HWND hwnd);
void ShowMembers(WndMember* first); // AddTabIfVisible from first along the list
void HideMembers(WndMember* first); // DeleteTabIfVisible from first along the list

// A proxy's own button, added and deleted whatever its visibility: the proxy is
// hidden and would fail the test of the wrappers above.
void AddProxyTab(HWND proxy);
void DeleteProxyTab(HWND proxy);
