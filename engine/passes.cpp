// The passes that create, update and take down proxies as groups cross their
// thresholds, and forgetting windows that are gone.
#include "engine/passes.h"

#include "core/pure/list.h"
#include "core/state.h"
#include "core/store_apps.h"
#include "engine/scan.h"
#include "taskbar/buttons.h"
#include "taskbar/proxy.h"
#include "taskbar/taken_buttons.h"
#include "taskbar/visibility.h"

// When no proxy could be made the members keep their buttons: a window must
// never lose its button without a proxy standing for it.
void CollapseGroup(WndGroup* group) {
    CreateTabWnd(group);
    if (group->tab) HideMembers(group->members);
}

void ForgetMember(WndGroup* group, WndMember* member, bool refresh) {
    HWND hwnd = member->hwnd;
    ListUnlink(group->members, member);
    FreeMember(member);
    IndexRemove(hwnd);
    ForgetStoreFrame(hwnd);
    if (group->members) {
        if (!refresh) return;
        if (IsGroupShown(group)) {
            // UpdateTabWnd refreshes the icon itself and puts a changed one on
            // the proxy; refreshing it before would hide the change from it.
            if (group->tab)
                UpdateTabWnd(group->tab);
            else
                RefreshGroupIcon(group);
        } else {
            DestroyTabWnd(group);
        }
        return;
    }
    DestroyTabWnd(group);
    ListUnlink(GroupList, group);
    FreeGroup(group);
}

// Creates the proxies of the groups that pass their thresholds. Meant for a
// model without proxies; a group that already has one is left as it is.
void CreateAllTabWnds() {
    for (WndGroup* g = GroupList; g; g = g->next) {
        if (!g->tab && IsGroupShown(g)) CollapseGroup(g);
    }
}

// A walk of one group's members, for callers that hold the group already
// (the index knows a window's member too, but asking it again is the lookup
// those callers save).
WndMember* MemberOf(WndGroup* group, HWND hwnd) {
    for (WndMember* m = group->members; m; m = m->next)
        if (m->hwnd == hwnd) return m;
    return nullptr;
}

void RemoveWindow(WndGroup* group, HWND hwnd) {
    if (WndMember* member = MemberOf(group, hwnd)) ForgetMember(group, member, true);
}

void RefreshGroupOf(WndGroup* group, bool renewProxy) {
    if (!IsGroupShown(group)) {
        // Members of a group without proxy get back what was taken (a member
        // that was hidden when its proxy went, shown again).
        if (group->tab)
            DestroyTabWnd(group);
        else
            ShowMembers(group->members);
        return;
    }
    if (!group->tab)
        CreateTabWnd(group);
    else if (renewProxy)
        RenewTabWnd(group);
    else
        UpdateTabWnd(group->tab);
    Sleep(1);
    if (group->tab) HideMembers(group->members);
}

// Forgets the members whose windows are gone, then brings every group's proxy
// in line with its threshold. Without the first step a closed window would
// stay a member for ever when the library sees no WM_DESTROY, and a new window
// that got its recycled handle would inherit the old membership.
void RefreshGroups(bool renewProxies) {
    TaskbarBurst burst;
    for (WndGroup* g = GroupList; g;) {
        WndGroup* nextGroup = g->next;
        for (WndMember* m = g->members; m;) {
            WndMember* nextMember = m->next;
            if (!IsWindow(m->hwnd)) {
                bool last = g->members == m && !nextMember;
                ForgetMember(g, m, false);
                if (last) break; // the group itself is gone
            }
            m = nextMember;
        }
        g = nextGroup;
    }

    for (WndGroup* g = GroupList; g; g = g->next) {
        if (g->tab) {
            if (!IsGroupShown(g))
                DestroyTabWnd(g);
            else if (renewProxies)
                RenewTabWnd(g);
            else
                UpdateTabWnd(g->tab);
        } else if (IsGroupShown(g)) {
            CollapseGroup(g);
        }
    }
    GiveBackStrayButtons();
}

// Here the members' buttons go before the proxy comes (the reverse of the
// refresh pass); they come back when no proxy could be made. A shown group
// that has a proxy keeps its title.
void ApplyThresholds() {
    TaskbarBurst burst;
    for (WndGroup* g = GroupList; g; g = g->next) {
        if (!g->tab) {
            if (!IsGroupShown(g)) continue;
            HideMembers(g->members);
            CreateTabWnd(g);
            if (!g->tab) ShowMembers(g->members);
        } else if (!IsGroupShown(g)) {
            DestroyTabWnd(g);
        }
    }
}

void DestroyAllGroups() {
    DestroyAllProxies();
    while (WndGroup* g = GroupList) {
        ListUnlink(GroupList, g);
        while (WndMember* m = g->members) {
            ListUnlink(g->members, m);
            IndexRemove(m->hwnd);
            FreeMember(m);
        }
        FreeGroup(g);
    }
    // Every entry belonged to a member and went with it; the heads are
    // emptied all the same.
    ClearIndex();
}

void RebuildGroups() {
    TaskbarBurst burst;
    DestroyAllGroups();
    ScanAllWindows();
    CreateAllTabWnds();
}
