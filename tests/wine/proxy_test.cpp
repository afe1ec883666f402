// Proxy windows: their title, icon, button and life, and the wrappers that
// add and delete ordinary windows' buttons.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/app.h"
#include "app/state.h"
#include "config/state.h"
#include "core/state.h"
#include "taskbar/state.h"
#include "engine/scan.h"
#include "taskbar/buttons.h"
#include "taskbar/proxy.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/support.h"

using namespace testing_support;
using Calls = std::vector<TaskbarCall>;

namespace {

class Proxy : public EngineTest {
  protected:
    // A group of the given windows, registered in order (so the last one
    // heads the member list), without proxy.
    WndGroup* GroupOf(std::initializer_list<HWND> members) {
        Settings.WinNum = 100;
        for (HWND w : members)
            AddWindow(w);
        Settings.WinNum = 2;
        return LookupGroup(*members.begin());
    }
};

TEST_F(Proxy, UpdateRewritesTheTitleOnlyWhenTheCountChanged) {
    GroupRule* rule = AppendTestRule(EngineClassA, RuleTypeClass, 1, -1, "Memo");
    HWND c = MakeWindow(EngineClassA, false);
    WndGroup* group = GroupOf({MakeWindow(), MakeWindow(), c});
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
    UpdateTabWnd(nullptr);
}

TEST_F(Proxy, OverlongRuleTitleIsCutAtACharacterBoundary) {
    std::string longTitle;
    for (int i = 0; i < 600; ++i) // 1200 bytes, more than a title can hold
        longTitle += "\x83\x41";
    AppendTestRule(EngineClassA, RuleTypeClass, 1, -1, longTitle.c_str());
    WndGroup* group = GroupOf({MakeWindow(), MakeWindow()});
    CreateTabWnd(group);
    // "2 " and as many whole characters as fit into 1023 bytes.
    EXPECT_EQ(TitleOf(group->tab->hwnd), "2 " + longTitle.substr(0, 1020));
}

TEST_F(Proxy, GroupIconIsThatOfTheFirstVisibleMemberThatHasOneAndStaysWhenNoneHas) {
    HICON older = DistinctIcon();
    HWND withIcon = MakeWindow(EngineClassA, true, older);
    HWND bare = MakeWindow(EngineClassNoIcon);
    HWND hidden = MakeWindow(EngineClassA, false, DistinctIcon());
    HWND other = MakeWindow(EngineClassA, true, older);
    WndGroup* group = GroupOf({withIcon, other});
    // The bare window has no icon, so it is joined by hand here.
    ASSERT_NE(AddMember(bare, group, ObjStrDup(EngineClassNoIcon)), nullptr);
    ASSERT_NE(AddMember(hidden, group, ObjStrDup(EngineClassA)), nullptr);
    group->icon = nullptr;
    EXPECT_EQ(RefreshGroupIcon(group), 1);
    EXPECT_EQ(group->icon, older);
    EXPECT_EQ(RefreshGroupIcon(group), 0);
    CreateTabWnd(group);
    EXPECT_EQ(SmallIconOf(group->tab->hwnd), older);
    ShowWindow(withIcon, SW_HIDE);
    ShowWindow(other, SW_HIDE);
    EXPECT_EQ(RefreshGroupIcon(group), 0);
    UpdateTabWnd(group->tab);
    EXPECT_EQ(group->icon, older);
    EXPECT_EQ(SmallIconOf(group->tab->hwnd), older);
}

TEST_F(Proxy, ShowAndHideMembersSkipHiddenWindows) {
    HWND a = MakeWindow(), hidden = MakeWindow(EngineClassA, false), b = MakeWindow();
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

TEST_F(Proxy, CloseRequestLeavesTheProxyAndItsButton) {
    WndGroup* group = GroupOf({MakeWindow(), MakeWindow()});
    CreateTabWnd(group);
    HWND proxy = group->tab->hwnd;
    taskbar->Clear();
    EXPECT_EQ(SendMessageA(proxy, WM_CLOSE, 0, 0), 0);
    PostMessageA(proxy, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpMessages();
    EXPECT_TRUE(IsWindow(proxy));
    EXPECT_EQ(group->tab->hwnd, proxy);
    EXPECT_TRUE(taskbar->calls.empty());
}

TEST_F(Proxy, DestroyGivesButtonsBackOnlyToVisibleMembers) {
    HWND a = MakeWindow(), b = MakeWindow(), c = MakeWindow();
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

TEST_F(Proxy, ProxyWindowThatCannotBeMadeLeavesNoRecordAndTheButtons) {
    WndGroup* group = GroupOf({MakeWindow(), MakeWindow()});
    int blocks = ObjLiveBlocks();
    ASSERT_TRUE(UnregisterClassA("tabtab", Instance));
    RefreshGroups();
    RegisterWindowClasses();
    EXPECT_EQ(group->tab, nullptr);
    EXPECT_EQ(TabWndList, nullptr);
    EXPECT_EQ(ObjLiveBlocks(), blocks);
    EXPECT_TRUE(taskbar->calls.empty());
    EXPECT_NE(ErrorLogText().find("ウィンドウの作成に失敗しました\n"), std::string::npos);
    RefreshGroups();
    EXPECT_NE(group->tab, nullptr);
}

} // namespace
