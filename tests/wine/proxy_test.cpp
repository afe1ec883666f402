// Proxy windows: their title, icon, button and life, and the wrappers that
// add and delete ordinary windows' buttons.
#include <gtest/gtest.h>
#include <windows.h>

#include "core/errorlog.h"
#include "core/globals.h"
#include "core/scan.h"
#include "taskbar/proxy.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/support.h"

using testing_support::AddCall;
using testing_support::DeleteCall;
using testing_support::EngineClassA;
using testing_support::EngineClassNoIcon;
using testing_support::TaskbarCall;
using Calls = std::vector<TaskbarCall>;

namespace {

class ProxyTest : public testing_support::EngineTest {
  protected:
    // A group of the given windows, registered newest last (so the last one
    // heads the member list), without proxy.
    WndGroup* GroupOf(std::initializer_list<HWND> members) {
        Settings.WinNum = 100;
        for (HWND w : members)
            AddWindow(w);
        Settings.WinNum = 2;
        return LookupGroup(*members.begin());
    }
    std::string name = testing_support::OwnDisplayName();
};

TEST_F(ProxyTest, ProxyIsAHiddenWindowWithAnEmptySystemMenu) {
    WndGroup* group = GroupOf({MakeWindow(), MakeWindow()});
    CreateTabWnd(group);
    ASSERT_NE(group->tab, nullptr);
    HWND proxy = group->tab->hwnd;
    EXPECT_EQ(group->tab->group, group);
    EXPECT_EQ(TabWndList, group->tab);
    EXPECT_EQ(FindTabWnd(proxy), group->tab);
    EXPECT_FALSE(IsWindowVisible(proxy));
    EXPECT_EQ(GetWindowLongA(proxy, GWL_STYLE) & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    EXPECT_EQ(GetParent(proxy), nullptr);
    EXPECT_EQ(GetMenuItemCount(GetSystemMenu(proxy, FALSE)), 0);
    EXPECT_EQ(group->tab->shownCount, 2);
    EXPECT_EQ(group->tab->flashPending, 0);
}

TEST_F(ProxyTest, UpdateRewritesTheTitleOnlyWhenTheCountChanged) {
    GroupRule* rule = testing_support::AppendTestRule(EngineClassA, RuleTypeClass, 1, -1, "Memo");
    HWND a = MakeWindow();
    HWND b = MakeWindow();
    HWND c = MakeWindow(EngineClassA, false);
    WndGroup* group = GroupOf({a, b, c});
    CreateTabWnd(group);
    HWND proxy = group->tab->hwnd;
    EXPECT_EQ(TitleOf(proxy), "2 Memo");

    ObjFree(rule->title);
    rule->title = ObjStrDup("Notes");
    UpdateTabWnd(group->tab);
    EXPECT_EQ(TitleOf(proxy), "2 Memo");

    ShowWindow(c, SW_SHOWNOACTIVATE);
    UpdateTabWnd(group->tab);
    EXPECT_EQ(TitleOf(proxy), "3 Notes");
    EXPECT_EQ(group->tab->shownCount, 3);
    UpdateTabWnd(nullptr);
}

TEST_F(ProxyTest, OverlongRuleTitleIsCutAtACharacterBoundary) {
    // 600 two-byte characters: 1200 bytes, more than a title can hold.
    std::string longTitle;
    for (int i = 0; i < 600; ++i)
        longTitle += "\x83\x41";
    testing_support::AppendTestRule(EngineClassA, RuleTypeClass, 1, -1, longTitle.c_str());
    WndGroup* group = GroupOf({MakeWindow(), MakeWindow()});
    CreateTabWnd(group);
    std::string title = TitleOf(group->tab->hwnd);
    // "2 " and as many whole characters as fit into 1023 bytes.
    EXPECT_EQ(title.size(), 1022u);
    EXPECT_EQ(title.substr(0, 4), "2 \x83\x41");
    EXPECT_EQ(title.substr(title.size() - 2), "\x83\x41");
}

TEST_F(ProxyTest, GroupIconIsThatOfTheFirstVisibleMemberThatHasOne) {
    HICON older = testing_support::DistinctIcon();
    HICON hiddenIcon = testing_support::DistinctIcon();
    HWND withIcon = MakeWindow(EngineClassA, true, older);
    HWND bare = MakeWindow(EngineClassNoIcon);
    HWND hidden = MakeWindow(EngineClassA, false, hiddenIcon);
    Settings.Path = 1;
    WndGroup* group = GroupOf({withIcon});
    // The bare window has no icon, so it is joined by hand here.
    char* copy = ObjStrDup(EngineClassNoIcon);
    ASSERT_NE(AddMember(bare, group, copy), nullptr);
    ASSERT_NE(AddMember(hidden, group, ObjStrDup(EngineClassA)), nullptr);
    group->icon = nullptr;

    EXPECT_EQ(RefreshGroupIcon(group), 1);
    EXPECT_EQ(group->icon, older);
    EXPECT_EQ(RefreshGroupIcon(group), 0);

    // No visible member has an icon: the group keeps the one it had.
    ShowWindow(withIcon, SW_HIDE);
    EXPECT_EQ(RefreshGroupIcon(group), 0);
    EXPECT_EQ(group->icon, older);
}

TEST_F(ProxyTest, ProxyTakesTheGroupIconAndKeepsItWhenNoMemberAnswers) {
    HICON icon = testing_support::DistinctIcon();
    HWND a = MakeWindow(EngineClassA, true, icon);
    HWND b = MakeWindow(EngineClassA, true, icon);
    WndGroup* group = GroupOf({a, b});
    CreateTabWnd(group);
    HWND proxy = group->tab->hwnd;
    EXPECT_EQ(SmallIconOf(proxy), icon);
    ShowWindow(a, SW_HIDE);
    ShowWindow(b, SW_HIDE);
    UpdateTabWnd(group->tab);
    EXPECT_EQ(SmallIconOf(proxy), icon);
}

TEST_F(ProxyTest, ShowAndHideMembersSkipHiddenWindows) {
    HWND a = MakeWindow();
    HWND hidden = MakeWindow(EngineClassA, false);
    HWND b = MakeWindow();
    WndGroup* group = GroupOf({a, hidden, b});
    HideMembers(group->members);
    EXPECT_EQ(taskbar->calls, (Calls{DeleteCall(b), DeleteCall(a)}));
    taskbar->Clear();
    ShowMembers(group->members);
    EXPECT_EQ(taskbar->calls, (Calls{AddCall(b), AddCall(a)}));
    taskbar->Clear();
    ShowMembers(group->members->next); // from the given member on
    EXPECT_EQ(taskbar->calls, (Calls{AddCall(a)}));
}

TEST_F(ProxyTest, CloseRequestLeavesTheProxyAndItsButton) {
    WndGroup* group = GroupOf({MakeWindow(), MakeWindow()});
    CreateTabWnd(group);
    HWND proxy = group->tab->hwnd;
    taskbar->Clear();
    EXPECT_EQ(SendMessageA(proxy, WM_CLOSE, 0, 0), 0);
    PostMessageA(proxy, WM_SYSCOMMAND, SC_CLOSE, 0);
    testing_support::PumpMessages();
    EXPECT_TRUE(IsWindow(proxy));
    EXPECT_EQ(group->tab->hwnd, proxy);
    EXPECT_TRUE(taskbar->calls.empty());
}

TEST_F(ProxyTest, DestroyGivesButtonsBackOnlyToVisibleMembers) {
    HWND a = MakeWindow();
    HWND b = MakeWindow();
    HWND c = MakeWindow();
    WndGroup* group = GroupOf({a, b, c});
    CreateTabWnd(group);
    HWND proxy = group->tab->hwnd;
    ShowWindow(b, SW_HIDE);
    taskbar->Clear();
    DestroyTabWnd(group);
    EXPECT_EQ(group->tab, nullptr);
    EXPECT_EQ(TabWndList, nullptr);
    EXPECT_FALSE(IsWindow(proxy));
    EXPECT_EQ(taskbar->calls,
              (Calls{AddCall(c), AddCall(a), DeleteCall(proxy), DeleteCall(proxy)}));
    taskbar->Clear();
    DestroyTabWnd(group); // a group without proxy is left alone
    EXPECT_TRUE(taskbar->calls.empty());
}

TEST_F(ProxyTest, ProxyWindowThatCannotBeMadeLeavesNoRecordAndTheButtons) {
    WndGroup* group = GroupOf({MakeWindow(), MakeWindow()});
    int blocks = ObjLiveBlocks();
    ASSERT_TRUE(UnregisterClassA("tabtab", Instance));
    RefreshGroups();
    RegisterTabWndClass(nullptr, nullptr);
    EXPECT_EQ(group->tab, nullptr);
    EXPECT_EQ(TabWndList, nullptr);
    EXPECT_EQ(ObjLiveBlocks(), blocks);
    EXPECT_TRUE(taskbar->calls.empty());
    EXPECT_NE(ErrorLogText().find("ウィンドウの作成に失敗しました\n"), std::string::npos);

    RefreshGroups();
    EXPECT_NE(group->tab, nullptr);
}

TEST_F(ProxyTest, WithoutTaskbarListProxiesAreStillMaintained) {
    ITaskbarList* recorder = TaskbarListObject;
    TaskbarListObject = nullptr;
    HWND a = MakeWindow();
    HWND b = MakeWindow();
    AddWindow(a);
    AddWindow(b);
    WndGroup* group = LookupGroup(a);
    ASSERT_NE(group->tab, nullptr);
    HWND proxy = group->tab->hwnd;
    CloseWindow(b);
    RemoveWindow(b);
    EXPECT_FALSE(IsWindow(proxy));
    TaskbarListObject = recorder;
    EXPECT_TRUE(taskbar->calls.empty());
}

TEST_F(ProxyTest, MarkFlashingMarksMembersOfCollapsedGroupsOnly) {
    struct Case {
        const char* what;
        int flashSetting;
        bool collapsed;
        int flashing;
        int flashPending;
    };
    const Case cases[] = {
        {"no proxy", 1, false, 0, 0},
        {"Flash 0", 0, true, 1, 0},
        {"Flash 1", 1, true, 1, 1},
        {"Flash 2", 2, true, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing_support::ResetModel();
        Settings.Flash = c.flashSetting;
        HWND a = MakeWindow();
        HWND b = MakeWindow();
        WndGroup* group = GroupOf({a, b});
        if (c.collapsed) CreateTabWnd(group);
        MarkFlashing(a, TRUE);
        WndMember* member = LookupMember(a);
        EXPECT_EQ(member->flashing, c.flashing);
        EXPECT_EQ(LookupMember(b)->flashing, 0);
        if (group->tab) {
            EXPECT_EQ(group->tab->flashPending, c.flashPending);
        }
        CloseWindow(a);
        CloseWindow(b);
    }
}

TEST_F(ProxyTest, TabTabClassIsRegisteredWithTheProxyProcedure) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    ASSERT_TRUE(GetClassInfoExA(Instance, "tabtab", &wc));
    EXPECT_EQ(wc.lpfnWndProc, TabWndProc);
    EXPECT_EQ(wc.style, (UINT)(CS_HREDRAW | CS_VREDRAW));
}

} // namespace
