// Proxy taskbar buttons: the hidden windows of class "tabtab" that stand for
// collapsed groups on the taskbar. Their window procedure, which routes the
// group menu and its commands, is the application's (app/proxy_window.cpp).
#pragma once

#include <windows.h>

#include "core/model.h"

constexpr char TabWndClassName[] = "tabtab";

int RefreshGroupIcon(WndGroup* group); // 1 when the group's icon changed
void CreateTabWnd(WndGroup* group);    // no proxy when its window cannot be made
void UpdateTabWnd(TabWnd* tab);        // title (when the count changed) and icon; null: nothing
// Takes the group's proxy down: members' buttons back, the library's list, the
// window, its button and the record. A group without proxy is left alone.
void DestroyTabWnd(WndGroup* group);
void DestroyAllProxies(); // DestroyTabWnd for every proxy
// Makes the group's proxy anew where the user is (the current virtual desktop)
// and takes the old one down; the members' buttons stay as they are.
void RenewTabWnd(WndGroup* group);
void MarkFlashing(HWND hwnd, BOOL invert);

// Empties a new proxy's own copy of its system menu, so that its taskbar
// button offers no window commands.
void ClearProxySystemMenu(HWND proxy);
