// Proxy taskbar buttons: the hidden "tabtab" windows that stand for groups.
#pragma once

#include <windows.h>

#include "core/model.h"

// Registers the class "tabtab" with TabWndProc for the program's instance.
ATOM RegisterTabWndClass(HICON icon, HICON smallIcon);

void AddTabIfVisible(HWND hwnd);
void DeleteTabIfVisible(HWND hwnd);
void ShowMembers(WndMember* first);
void HideMembers(WndMember* first);
int RefreshGroupIcon(WndGroup* group);
void CreateTabWnd(WndGroup* group);
void UpdateTabWnd(TabWnd* tab);
void DestroyTabWnd(WndGroup* group);
void MarkFlashing(HWND hwnd, BOOL invert);
LRESULT CALLBACK TabWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
