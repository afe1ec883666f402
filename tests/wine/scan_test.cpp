// Registering windows into groups and the passes that create, update and
// destroy proxies, with real windows of the test process and a recorder of
// the taskbar-list calls.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>

#include "core/globals.h"
#include "core/classify.h"
#include "core/scan.h"
#include "taskbar/proxy.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/model_check.h"

using testing_support::AddCall;
using testing_support::DeleteCall;
using testing_support::EngineClassA;
using testing_support::EngineClassB;
using testing_support::EngineClassNoIcon;
using testing_support::TaskbarCall;
using Calls = std::vector<TaskbarCall>;

namespace {

class ScanTest : public testing_support::EngineTest {
  protected:
    std::string Title(int count) { return std::to_string(count) + " " + name; }
    // Groups windows by class: one process, several "applications".
    void GroupByClass() {
        Settings.Path = 0;
        Settings.Class = 1;
    }
    HWND ProxyOf(HWND member) {
        WndGroup* g = LookupGroup(member);
        return g && g->tab ? g->tab->hwnd : nullptr;
    }
    // Two visible windows collapsed by AddWindow; their proxy.
    HWND CollapsedPair(HWND* a, HWND* b) {
        *a = MakeWindow();
        *b = MakeWindow();
        AddWindow(*a);
        AddWindow(*b);
        return ProxyOf(*a);
    }
    bool InGroupList(const WndGroup* group) {
        for (WndGroup* g = GroupList; g; g = g->next)
            if (g == group) return true;
        return false;
    }
    std::string name = testing_support::OwnDisplayName();
};

TEST_F(ScanTest, SecondVisibleWindowCollapsesTheGroupIntoANewProxy) {
    HWND a = MakeWindow();
    HWND b = MakeWindow();
    AddWindow(a);
    EXPECT_EQ(ProxyOf(a), nullptr);
    AddWindow(b);

    WndGroup* group = LookupGroup(a);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(LookupGroup(b), group);
    HWND proxy = ProxyOf(a);
    ASSERT_NE(proxy, nullptr);
    char cls[64];
    GetClassNameA(proxy, cls, sizeof cls);
    EXPECT_STREQ(cls, "tabtab");
    EXPECT_EQ(TitleOf(proxy), Title(2));
    EXPECT_FALSE(IsWindowVisible(proxy));
    // The proxy's button comes first, then the members' buttons go, newest first.
    EXPECT_EQ(taskbar->calls, (Calls{AddCall(proxy), DeleteCall(b), DeleteCall(a)}));
}

TEST_F(ScanTest, RulesDecideTitleAndThreshold) {
    struct Case {
        const char* what;
        int enable;
        int winNum;
        const char* title;
        bool collapsed;
        std::string expectedTitle;
    };
    const Case cases[] = {
        {"rule title", 1, -1, "Memo", true, "2 Memo"},
        {"empty rule title", 1, -1, "", true, Title(2)},
        {"never collapse", 0, -1, "Memo", false, ""},
        {"own threshold of 3", 1, 3, "Memo", false, ""},
        {"own threshold of 2 over a global 3", 1, 2, "Memo", true, "2 Memo"},
        {"switched off", 2, -1, "Memo", true, Title(2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing_support::ResetModel();
        taskbar->Clear();
        Settings.WinNum = c.winNum == 2 ? 3 : 2;
        testing_support::AppendTestRule(EngineClassA, RuleTypeClass, c.enable, c.winNum, c.title);
        HWND a = MakeWindow();
        HWND b = MakeWindow();
        AddWindow(a);
        AddWindow(b);
        RefreshGroups();
        HWND proxy = ProxyOf(a);
        EXPECT_EQ(proxy != nullptr, c.collapsed);
        if (proxy) {
            EXPECT_EQ(TitleOf(proxy), c.expectedTitle);
            EXPECT_TRUE(taskbar->ButtonAdded(proxy));
        }
        EXPECT_EQ(taskbar->ButtonDeleted(a), c.collapsed);
        EXPECT_EQ(taskbar->ButtonDeleted(b), c.collapsed);
        EXPECT_EQ(testing_support::ModelFault(), "");
        CloseWindow(a);
        CloseWindow(b);
    }
}

TEST_F(ScanTest, HiddenSecondWindowChangesNothingUntilARefreshSeesItShown) {
    HWND a = MakeWindow();
    HWND b = MakeWindow(EngineClassA, false);
    AddWindow(a);
    AddWindow(b);
    EXPECT_EQ(LookupGroup(b), LookupGroup(a));
    EXPECT_EQ(ProxyOf(a), nullptr);
    EXPECT_TRUE(taskbar->calls.empty());

    ShowWindow(b, SW_SHOWNOACTIVATE);
    RefreshGroupOf(b);
    HWND proxy = ProxyOf(a);
    ASSERT_NE(proxy, nullptr);
    EXPECT_EQ(TitleOf(proxy), Title(2));
    EXPECT_EQ(taskbar->calls, (Calls{AddCall(proxy), DeleteCall(b), DeleteCall(a)}));
}

TEST_F(ScanTest, ThirdWindowOnlyRetitlesTheProxyUntilARefreshHidesIt) {
    HWND a, b;
    HWND proxy = CollapsedPair(&a, &b);
    taskbar->Clear();

    HWND c = MakeWindow();
    AddWindow(c);
    EXPECT_EQ(ProxyOf(c), proxy);
    EXPECT_EQ(TitleOf(proxy), Title(3));
    EXPECT_TRUE(taskbar->calls.empty());

    RefreshGroupOf(c);
    EXPECT_TRUE(taskbar->ButtonDeleted(c));
    EXPECT_EQ(ProxyOf(c), proxy);
}

TEST_F(ScanTest, ClosingDownToOneWindowDestroysTheProxyAndGivesTheButtonBack) {
    HWND a, b;
    HWND proxy = CollapsedPair(&a, &b);
    taskbar->Clear();

    CloseWindow(b);
    RemoveWindow(b);
    EXPECT_EQ(LookupGroup(b), nullptr);
    EXPECT_EQ(ProxyOf(a), nullptr);
    EXPECT_FALSE(IsWindow(proxy));
    EXPECT_EQ(TabWndList, nullptr);
    // Its own button back to the last window, then the proxy's button goes
    // (once as the window is destroyed, once more after).
    EXPECT_EQ(taskbar->calls, (Calls{AddCall(a), DeleteCall(proxy), DeleteCall(proxy)}));
}

TEST_F(ScanTest, ClosingTheLastWindowFreesTheGroup) {
    HWND a = MakeWindow();
    AddWindow(a);
    WndGroup* group = LookupGroup(a);
    ASSERT_NE(group, nullptr);
    CloseWindow(a);
    RemoveWindow(a);
    EXPECT_EQ(LookupGroup(a), nullptr);
    EXPECT_FALSE(InGroupList(group));
    EXPECT_EQ(ObjLiveBlocks(), 0);
}

TEST_F(ScanTest, RemovingAnUnknownWindowChangesNothing) {
    HWND a = MakeWindow();
    AddWindow(a);
    HWND stranger = MakeWindow();
    int blocks = ObjLiveBlocks();
    RemoveWindow(stranger);
    EXPECT_EQ(ObjLiveBlocks(), blocks);
    EXPECT_NE(LookupGroup(a), nullptr);
}

TEST_F(ScanTest, ThresholdOfOneFromAHandEditedFileKeepsTheModelSound) {
    for (int winNum : {1, 0, -5}) {
        SCOPED_TRACE(winNum);
        testing_support::ResetModel();
        taskbar->Clear();
        Settings.WinNum = winNum;
        HWND hidden = MakeWindow(EngineClassB, false);
        HWND a = MakeWindow();
        GroupByClass();
        AddWindow(hidden);
        AddWindow(a);
        RefreshGroups();
        // One visible window is enough; a group of hidden windows gets nothing.
        HWND proxy = ProxyOf(a);
        ASSERT_NE(proxy, nullptr);
        EXPECT_EQ(TitleOf(proxy), Title(1));
        EXPECT_EQ(ProxyOf(hidden), nullptr);
        EXPECT_EQ(taskbar->calls, (Calls{AddCall(proxy), DeleteCall(a)}));

        // The last window goes: its proxy first, then the group.
        taskbar->Clear();
        CloseWindow(a);
        RemoveWindow(a);
        EXPECT_FALSE(IsWindow(proxy));
        EXPECT_EQ(TabWndList, nullptr);
        EXPECT_EQ(LookupGroup(a), nullptr);
        EXPECT_EQ(taskbar->calls, (Calls{DeleteCall(proxy), DeleteCall(proxy)}));
        EXPECT_EQ(testing_support::ModelFault(), "");
        Settings.Path = 1;
        Settings.Class = 0;
        CloseWindow(hidden);
    }
}

TEST_F(ScanTest, WindowWithoutIconIsGroupedOnlyByTheStartUpScan) {
    HWND bare = MakeWindow(EngineClassNoIcon);
    ASSERT_EQ(GetWndIcon(bare), nullptr);
    AddWindow(bare);
    EXPECT_EQ(LookupGroup(bare), nullptr);
    RescanWindows();
    EXPECT_EQ(LookupGroup(bare), nullptr);
    ScanAllWindows();
    EXPECT_NE(LookupGroup(bare), nullptr);
}

TEST_F(ScanTest, ApplyThresholdsCreatesProxiesWithoutRetitlingExistingOnes) {
    GroupByClass();
    Settings.WinNum = 3;
    HWND a1 = MakeWindow(EngineClassA), a2 = MakeWindow(EngineClassA),
         a3 = MakeWindow(EngineClassA);
    HWND b1 = MakeWindow(EngineClassB), b2 = MakeWindow(EngineClassB);
    for (HWND w : {a1, a2, a3, b1, b2})
        AddWindow(w);
    RefreshGroups();
    HWND proxyA = ProxyOf(a1);
    ASSERT_NE(proxyA, nullptr);
    EXPECT_EQ(ProxyOf(b1), nullptr);
    ShowWindow(a3, SW_HIDE);
    taskbar->Clear();

    Settings.WinNum = 2;
    ApplyThresholds();
    HWND proxyB = ProxyOf(b1);
    ASSERT_NE(proxyB, nullptr);
    EXPECT_EQ(TitleOf(proxyB), Title(2));
    EXPECT_EQ(ProxyOf(a1), proxyA);
    EXPECT_EQ(TitleOf(proxyA), Title(3));
    // Here the members' buttons go before the proxy's comes.
    EXPECT_EQ(taskbar->calls, (Calls{DeleteCall(b2), DeleteCall(b1), AddCall(proxyB)}));

    Settings.WinNum = 4;
    ApplyThresholds();
    EXPECT_EQ(TabWndList, nullptr);
    EXPECT_FALSE(IsWindow(proxyA));
    EXPECT_FALSE(IsWindow(proxyB));
}

TEST_F(ScanTest, DestroyAllGroupsThenAScanRebuildsTheSameGroups) {
    GroupByClass();
    HWND a1 = MakeWindow(EngineClassA), a2 = MakeWindow(EngineClassA);
    HWND b1 = MakeWindow(EngineClassB), b2 = MakeWindow(EngineClassB),
         b3 = MakeWindow(EngineClassB, false);
    const HWND mine[] = {a1, a2, b1, b2, b3};
    auto partition = [&] {
        std::set<std::set<HWND>> groups;
        for (HWND w : mine) {
            std::set<HWND> together;
            for (HWND other : mine)
                if (LookupGroup(other) && LookupGroup(other) == LookupGroup(w))
                    together.insert(other);
            groups.insert(together);
        }
        return groups;
    };
    ScanAllWindows();
    CreateAllTabWnds();
    HWND proxyA = ProxyOf(a1), proxyB = ProxyOf(b1);
    ASSERT_NE(proxyA, nullptr);
    ASSERT_NE(proxyB, nullptr);
    auto before = partition();
    EXPECT_EQ(before, (std::set<std::set<HWND>>{{a1, a2}, {b1, b2, b3}}));
    taskbar->Clear();

    DestroyAllGroups();
    EXPECT_EQ(GroupList, nullptr);
    EXPECT_EQ(TabWndList, nullptr);
    EXPECT_EQ(ObjLiveBlocks(), 0);
    for (HWND w : mine)
        EXPECT_EQ(LookupGroup(w), nullptr);
    EXPECT_FALSE(IsWindow(proxyA));
    EXPECT_FALSE(IsWindow(proxyB));
    for (HWND w : {a1, a2, b1, b2})
        EXPECT_TRUE(taskbar->ButtonAdded(w));
    EXPECT_TRUE(taskbar->CallsFor(b3).empty());
    EXPECT_TRUE(taskbar->ButtonDeleted(proxyA));

    ScanAllWindows();
    CreateAllTabWnds();
    EXPECT_EQ(partition(), before);
    EXPECT_NE(ProxyOf(a1), nullptr);
    EXPECT_NE(ProxyOf(b1), nullptr);
}

TEST_F(ScanTest, RefreshForgetsWindowsThatAreGone) {
    HWND a = MakeWindow();
    HWND b = MakeWindow();
    HWND c = MakeWindow();
    for (HWND w : {a, b, c})
        AddWindow(w);
    HWND proxy = ProxyOf(a);
    // No destruction is reported for these two: the library does not see it.
    CloseWindow(b);
    CloseWindow(c);
    taskbar->Clear();
    RefreshGroups();
    EXPECT_EQ(LookupGroup(b), nullptr);
    EXPECT_EQ(LookupGroup(c), nullptr);
    EXPECT_EQ(LookupGroup(a)->members->next, nullptr);
    EXPECT_FALSE(IsWindow(proxy));
    EXPECT_TRUE(taskbar->ButtonAdded(a));
}

TEST_F(ScanTest, RefreshFreesAGroupWhoseWindowsAreAllGone) {
    HWND a = MakeWindow();
    HWND b = MakeWindow();
    AddWindow(a);
    AddWindow(b);
    WndGroup* group = LookupGroup(a);
    CloseWindow(a);
    CloseWindow(b);
    RefreshGroups();
    EXPECT_FALSE(InGroupList(group));
    EXPECT_EQ(TabWndList, nullptr);
    EXPECT_EQ(ObjLiveBlocks(), 0);
}

TEST_F(ScanTest, RemovingTheNewestWindowPutsTheNextIconOnTheProxy) {
    HICON iconA = testing_support::DistinctIcon();
    HICON iconB = testing_support::DistinctIcon();
    HICON iconC = testing_support::DistinctIcon();
    HWND a = MakeWindow(EngineClassA, true, iconA);
    HWND b = MakeWindow(EngineClassA, true, iconB);
    HWND c = MakeWindow(EngineClassA, true, iconC);
    for (HWND w : {a, b, c})
        AddWindow(w);
    HWND proxy = ProxyOf(a);
    ASSERT_NE(proxy, nullptr);
    // The newest visible member's icon is the group's.
    EXPECT_EQ(SmallIconOf(proxy), iconC);

    CloseWindow(c);
    RemoveWindow(c);
    EXPECT_EQ(ProxyOf(a), proxy);
    EXPECT_EQ(TitleOf(proxy), Title(2));
    EXPECT_EQ(LookupGroup(a)->icon, iconB);
    EXPECT_EQ(SmallIconOf(proxy), iconB);
}

TEST_F(ScanTest, RescanRegistersNewWindowsAndHidesButtonsOfCollapsedGroupsAgain) {
    HWND a, b;
    HWND proxy = CollapsedPair(&a, &b);
    HWND c = MakeWindow();
    taskbar->Clear();

    RescanWindows();
    EXPECT_EQ(ProxyOf(c), proxy);
    EXPECT_EQ(TitleOf(proxy), Title(3));
    for (HWND w : {a, b, c})
        EXPECT_TRUE(taskbar->ButtonDeleted(w));
    for (const TaskbarCall& call : taskbar->calls)
        EXPECT_NE(call.kind, TaskbarCall::Add);
}

TEST_F(ScanTest, RescanLeavesAGroupWithoutProxyToTheRefreshThatFollows) {
    GroupByClass();
    HWND a = MakeWindow();
    HWND b = MakeWindow();
    AddWindow(a);
    Settings.WinNum = 3;
    AddWindow(b);
    Settings.WinNum = 2;
    // Shown now, but without proxy: its buttons stay until the proxy comes.
    RescanWindows();
    EXPECT_EQ(ProxyOf(a), nullptr);
    EXPECT_TRUE(taskbar->calls.empty());
    RefreshGroups();
    HWND proxy = ProxyOf(a);
    ASSERT_NE(proxy, nullptr);
    EXPECT_EQ(taskbar->calls, (Calls{AddCall(proxy), DeleteCall(b), DeleteCall(a)}));
}

TEST_F(ScanTest, RefreshGroupOfAHiddenGroupDestroysItsProxy) {
    HWND a, b;
    HWND proxy = CollapsedPair(&a, &b);
    ShowWindow(b, SW_HIDE);
    taskbar->Clear();
    RefreshGroupOf(b);
    EXPECT_EQ(ProxyOf(a), nullptr);
    EXPECT_FALSE(IsWindow(proxy));
    EXPECT_EQ(taskbar->calls, (Calls{AddCall(a), DeleteCall(proxy), DeleteCall(proxy)}));
}

} // namespace
