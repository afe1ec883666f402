// Proxy taskbar buttons: the hidden "tabtab" windows that stand for collapsed
// groups, and the wrappers that add and delete ordinary windows' own buttons.
#include "taskbar/proxy.h"

#include <stdio.h>

#include "core/classify.h"
#include "core/errorlog.h"
#include "core/globals.h"
#include "hook/ravik.h"

namespace {

constexpr char TabWndClassName[] = "tabtab";

// A rule whose enable is neither 0 nor 1 is switched off and counts as no rule.
const GroupRule* RuleInForce(const WndGroup* group) {
    const GroupRule* rule = group->rule;
    if (rule && (rule->enable == 0 || rule->enable == 1)) return rule;
    return nullptr;
}

// The text after the count: the rule's title when there is one, else the
// display name (empty when the name could not be made).
const char* TitleText(const WndGroup* group) {
    const GroupRule* rule = RuleInForce(group);
    if (rule && rule->title && rule->title[0]) return rule->title;
    return group->name ? group->name : "";
}

// "%d %s" into a buffer of PathBufferSize bytes. A text too long for it is cut
// at a character boundary, so that no lone lead byte ends the title.
void FormatProxyTitle(char* buffer, int count, const char* text) {
    int n = snprintf(buffer, PathBufferSize, "%d %s", count, text);
    if (n < PathBufferSize) return;
    const size_t limit = PathBufferSize - 1;
    size_t i = 0;
    while (i < limit) {
        size_t step = IsDBCSLeadByte((BYTE)buffer[i]) ? 2 : 1;
        if (i + step > limit) break;
        i += step;
    }
    buffer[i] = '\0';
}

void SetProxyTitle(TabWnd* tab, int count) {
    char title[PathBufferSize];
    FormatProxyTitle(title, count, TitleText(tab->group));
    tab->shownCount = count;
    SetWindowTextA(tab->hwnd, title);
}

void SetProxyIcon(HWND proxy, HICON icon) {
    SendMessageA(proxy, WM_SETICON, ICON_SMALL, (LPARAM)icon);
}

// The proxy's own button goes straight to the taskbar list: the proxy is
// hidden and would fail the visibility test of AddTabIfVisible.
void AddProxyTab(HWND proxy) {
    if (TaskbarListObject) TaskbarListObject->AddTab(proxy);
}

void DeleteProxyTab(HWND proxy) {
    if (TaskbarListObject) TaskbarListObject->DeleteTab(proxy);
}

void UnlinkTabWnd(TabWnd* tab) {
    if (tab->prev)
        tab->prev->next = tab->next;
    else
        TabWndList = tab->next;
    if (tab->next) tab->next->prev = tab->prev;
    tab->next = tab->prev = nullptr;
}

// The proxy keeps an empty system menu of its own, so that its taskbar
// button offers no window commands.
void OnTabWndCreate(HWND hwnd) {
    HMENU menu = GetSystemMenu(hwnd, FALSE);
    if (menu) {
        while (DeleteMenu(menu, 0, MF_BYPOSITION)) {
        }
    }
    DrawMenuBar(hwnd);
}

} // namespace

ATOM RegisterTabWndClass(HICON icon, HICON smallIcon) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = TabWndProc;
    wc.hInstance = Instance;
    wc.hIcon = icon;
    wc.hIconSm = smallIcon;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = TabWndClassName;
    return RegisterClassExA(&wc);
}

void AddTabIfVisible(HWND hwnd) {
    if (TaskbarListObject && IsVisible(hwnd) == 1) TaskbarListObject->AddTab(hwnd);
}

void DeleteTabIfVisible(HWND hwnd) {
    if (TaskbarListObject && IsVisible(hwnd) == 1) TaskbarListObject->DeleteTab(hwnd);
}

void ShowMembers(WndMember* first) {
    for (WndMember* m = first; m; m = m->next)
        AddTabIfVisible(m->hwnd);
}

void HideMembers(WndMember* first) {
    for (WndMember* m = first; m; m = m->next)
        DeleteTabIfVisible(m->hwnd);
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
    if (group->tab) return;
    TabWnd* tab = (TabWnd*)ObjAlloc(sizeof(TabWnd));
    if (!tab) {
        LogAllocFailure();
        return;
    }
    tab->next = TabWndList;
    if (TabWndList) TabWndList->prev = tab;
    tab->prev = nullptr;
    TabWndList = tab;
    tab->flashPending = 0;

    tab->hwnd = CreateWindowExA(0, TabWndClassName, "", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                                CW_USEDEFAULT, 0, nullptr, nullptr, Instance, nullptr);
    if (!tab->hwnd) {
        // No window, no proxy: the group stays as it was and its members keep
        // their own buttons (the callers hide them only when a proxy came).
        ErrorLogWithLastError("ウィンドウの作成に失敗しました\n");
        UnlinkTabWnd(tab);
        ObjFree(tab);
        return;
    }
    tab->group = group;
    group->tab = tab;

    SetProxyTitle(tab, CountVisibleMembers(group));
    RefreshGroupIcon(group);
    SetProxyIcon(tab->hwnd, group->icon);
    ShowWindow(tab->hwnd, SW_HIDE);
    UpdateWindow(tab->hwnd);

    // A rule whose enable is 0 keeps its group from ever being shown, so in
    // practice every proxy gets its button.
    const GroupRule* rule = RuleInForce(group);
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

void DestroyTabWnd(WndGroup* group) {
    TabWnd* tab = group->tab;
    if (!tab) return;
    UnlinkTabWnd(tab);
    ShowMembers(group->members);
    RmWnd(tab->hwnd);
    if (!DestroyWindow(tab->hwnd)) {
        ErrorLogWithLastError("ウィンドウのクローズに失敗しました\n");
    }
    // Once more, whether or not the window went: the model forgets the proxy
    // either way, and its button must not outlive it.
    DeleteProxyTab(tab->hwnd);
    ObjFree(tab);
    group->tab = nullptr;
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

LRESULT CALLBACK TabWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        OnTabWndCreate(hwnd);
        return 1;
    case WM_DESTROY:
        DeleteProxyTab(hwnd);
        return 1;
    case WM_SETFOCUS:
        return 1;
    case WM_CLOSE:
        // A proxy is never closed by a close request (from its taskbar button,
        // for instance); it goes only when its group no longer needs it.
        return 0;
    case WM_NCACTIVATE:
        // No default processing: the hidden proxy has no caption to draw.
        return 1;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
