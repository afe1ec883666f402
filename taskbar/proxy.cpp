// Proxy taskbar buttons: creating, updating and taking down the hidden
// "tabtab" windows that stand for collapsed groups.
#include "taskbar/proxy.h"

#include <stdio.h>

#include "core/classify.h"
#include "core/errorlog.h"
#include "core/pure/list.h"
#include "core/state.h"
#include "hook/ravik.h"
#include "taskbar/app_id.h"
#include "taskbar/buttons.h"
#include "taskbar/state.h"
#include "taskbar/visibility.h"

namespace {

// The text after the count: the rule's title when there is one, else the
// display name (empty when the name could not be made).
const char* TitleText(const WndGroup* group) {
    const GroupRule* rule = RuleInForce(group->rule);
    if (rule && rule->title && rule->title[0]) return rule->title;
    return group->name ? group->name : "";
}

// "%d %s" into a text buffer. A text too long for it is cut at a character
// boundary, so that no lone lead byte ends the title.
void FormatProxyTitle(char* buffer, int count, const char* text) {
    int n = snprintf(buffer, TextBufferSize, "%d %s", count, text);
    if (n >= TextBufferSize) CutAtCharBoundary(buffer, TextBufferSize - 1, IsSystemLeadByte);
}

void SetProxyTitle(TabWnd* tab, int count) {
    char title[TextBufferSize];
    FormatProxyTitle(title, count, TitleText(tab->group));
    tab->shownCount = count;
    SetWindowTextA(tab->hwnd, title);
}

void SetProxyIcon(HWND proxy, HICON icon) {
    SendMessageA(proxy, WM_SETICON, ICON_SMALL, (LPARAM)icon);
}

} // namespace

void ClearProxySystemMenu(HWND proxy) {
    HMENU menu = GetSystemMenu(proxy, FALSE);
    if (menu) {
        while (DeleteMenu(menu, 0, MF_BYPOSITION)) {
        }
    }
    DrawMenuBar(proxy);
}

// The group's icon is that of the first visible member (most recently added
// first) that answers with one; later members are not asked.
int RefreshGroupIcon(WndGroup* group) {
    for (WndMember* m = group->members; m; m = m->next) {
        if (IsVisible(m->hwnd) != 1) continue;
        HICON icon = GetWndIcon(m->hwnd);
        if (!icon) continue;
        if (icon == group->icon) return 0;
        group->icon = icon;
        return 1;
    }
    return 0;
}

void CreateTabWnd(WndGroup* group) {
    // While the shell does not answer, the proxy's button could not be added
    // and the members must keep theirs: a later pass collapses the group.
    if (group->tab || !ShellAnswers()) return;
    TabWnd* tab = (TabWnd*)ObjAlloc(sizeof(TabWnd));
    if (!tab) {
        LogAllocFailure();
        return;
    }
    // The record is in the list before its window exists.
    ListPushFront(TabWndList, tab);
    tab->flashPending = 0;

    tab->hwnd = CreateWindowExA(0, TabWndClassName, "", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                                CW_USEDEFAULT, 0, nullptr, nullptr, Instance, nullptr);
    if (!tab->hwnd) {
        // No window, no proxy: the group stays as it was and its members keep
        // their own buttons (the callers hide them only when a proxy came).
        ErrorLogWithLastError("ウィンドウの作成に失敗しました\n");
        ListUnlink(TabWndList, tab);
        ObjFree(tab);
        return;
    }
    tab->group = group;
    group->tab = tab;
    // Before the button comes: the taskbar files it under the id it finds then.
    SetProxyAppId(tab->hwnd, group);

    SetProxyTitle(tab, CountVisibleMembers(group));
    RefreshGroupIcon(group);
    SetProxyIcon(tab->hwnd, group->icon);
    ShowWindow(tab->hwnd, SW_HIDE);
    UpdateWindow(tab->hwnd);

    // A rule whose enable is 0 keeps its group from ever being shown, so in
    // practice every proxy gets its button.
    const GroupRule* rule = RuleInForce(group->rule);
    if (!rule || rule->enable == 1) AddProxyTab(tab->hwnd);
    SetWnd(tab->hwnd);
}

void UpdateTabWnd(TabWnd* tab) {
    if (!tab) return;
    WndGroup* group = tab->group;
    if (group->name) {
        int count = CountVisibleMembers(group);
        // An unchanged count rewrites nothing, not even an edited rule title.
        if (count != tab->shownCount) SetProxyTitle(tab, count);
    }
    if (RefreshGroupIcon(group) && group->icon) SetProxyIcon(tab->hwnd, group->icon);
}

namespace {

// Takes down a proxy that the model no longer holds: the library's list, its
// application id, its window, its button and its record.
void TakeDown(TabWnd* tab) {
    RmWnd(tab->hwnd);
    ClearProxyAppId(tab->hwnd);
    if (!DestroyWindow(tab->hwnd)) {
        ErrorLogWithLastError("ウィンドウのクローズに失敗しました\n");
    }
    // Once more, whether or not the window went: the model forgets the proxy
    // either way, and its button must not outlive it.
    DeleteProxyTab(tab->hwnd);
    ObjFree(tab);
}

} // namespace

void DestroyTabWnd(WndGroup* group) {
    TabWnd* tab = group->tab;
    if (!tab) return;
    ListUnlink(TabWndList, tab);
    ShowMembers(group->members);
    group->tab = nullptr;
    TakeDown(tab);
}

// A new window belongs to the virtual desktop that is current when it is made,
// and the taskbar shows the buttons of that desktop's windows: a new proxy is
// where the user is now. It comes first, so that the members' buttons need not
// come back in between.
void RenewTabWnd(WndGroup* group) {
    TabWnd* old = group->tab;
    if (!old) return;
    group->tab = nullptr;
    CreateTabWnd(group);
    if (!group->tab) { // no new one: the old one stays
        group->tab = old;
        UpdateTabWnd(old);
        return;
    }
    ListUnlink(TabWndList, old);
    TakeDown(old);
}

void DestroyAllProxies() {
    TaskbarBurst burst;
    while (TabWnd* tab = TabWndList) {
        if (tab->group) {
            DestroyTabWnd(tab->group);
        } else { // a record without group has no window either
            ListUnlink(TabWndList, tab);
            ObjFree(tab);
        }
    }
}

void MarkFlashing(HWND hwnd, BOOL invert) {
    for (TabWnd* tab = TabWndList; tab; tab = tab->next) {
        for (WndMember* m = tab->group->members; m; m = m->next) {
            if (m->hwnd != hwnd) continue;
            m->flashing = 1;
            if (Settings.Flash == 1) {
                FlashWindow(tab->hwnd, invert);
                tab->flashPending = 1;
            }
            return;
        }
    }
}
