// The passes that create, update and take down proxies as groups cross their
// thresholds, and forgetting windows. A pass that works on one group takes the
// group from its caller, which has looked the window up already.
#pragma once

#include <windows.h>

#include "core/model.h"

// Makes the group's proxy, then takes the members' own buttons away.
void CollapseGroup(WndGroup* group);
// Forgets one member (the group too when it was the last). With refresh, the
// group's proxy is brought up to date at once; without, the caller runs a pass.
void ForgetMember(WndGroup* group, WndMember* member, bool refresh);
// The member of the group whose window is hwnd, or null.
WndMember* MemberOf(WndGroup* group, HWND hwnd);
// Forgets the window, a member of the group, and brings the group's proxy up to date.
void RemoveWindow(WndGroup* group, HWND hwnd);
// Makes the proxies of the groups that pass their thresholds; for a model without proxies.
void CreateAllTabWnds();
// Brings the proxy of one window's group in line with its threshold, and takes
// the members' own buttons away while it stands; with renewProxy a proxy that
// stays is made anew where the user is (after a switch of virtual desktops).
void RefreshGroupOf(WndGroup* group, bool renewProxy = false);
// Forgets the members whose windows are gone, then brings every proxy in line
// (with renewProxies, a proxy that stays is made anew where the user is).
void RefreshGroups(bool renewProxies = false);
// Every group against its threshold again; a proxy that stays keeps its title.
void ApplyThresholds();
// Takes down every proxy and gives back every group, member and index entry.
void DestroyAllGroups();
void RebuildGroups(); // DestroyAllGroups, ScanAllWindows, CreateAllTabWnds
