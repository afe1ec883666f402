// Registering windows into groups and the passes that create, update and
// destroy proxies, with real windows of the test process and a recorder of
// the taskbar-list calls.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>

#include "core/classify.h"
#include "app/state.h"
#include "config/state.h"
#include "core/state.h"
#include "taskbar/state.h"
#include "engine/scan.h"
#include "taskbar/buttons.h"
#include "taskbar/proxy.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/model_check.h"

using namespace testing_support;
using Calls = std::vector<TaskbarCall>;

namespace {

class Scan : public EngineTest {
  protected:
    std::string Title(int count) { return std::to_string(count) + " " + OwnDisplayName(); }
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
        AddWindow(*a = MakeWindow());
        AddWindow(*b = MakeWindow());
        taskbar->Clear();
        return ProxyOf(*a);
    }
};

TEST_F(Scan, SecondVisibleWindowCollapsesTheGroupIntoANewProxy) {
    HWND a = MakeWindow(), b = MakeWindow();
    AddWindow(a);
    EXPECT_EQ(ProxyOf(a), nullptr);
    AddWindow(b);
    ASSERT_NE(LookupGroup(a), nullptr);
    EXPECT_EQ(LookupGroup(b), LookupGroup(a));
    HWND proxy = ProxyOf(a);
    ASSERT_NE(proxy, nullptr);
    char cls[64];
    GetClassNameA(proxy, cls, sizeof cls);
    EXPECT_STREQ(cls, "tabtab");
    EXPECT_EQ(TitleOf(proxy), Title(2));
    EXPECT_FALSE(IsWindowVisible(proxy));
    EXPECT_EQ(GetMenuItemCount(GetSystemMenu(proxy, FALSE)), 0);
    // The proxy's button comes first, then the members' buttons go, newest first.
    EXPECT_EQ(taskbar->calls, (Calls{AddCall(proxy), DeleteCall(b), DeleteCall(a)}));
}

TEST_F(Scan, RulesDecideTitleAndThreshold) {
    struct Case {
        const char* what;
        int enable, winNum;
        const char* title;
        std::string expectedTitle; // empty: no proxy
    } cases[] = {
        {"rule title", 1, -1, "Memo", "2 Memo"},
        {"empty rule title", 1, -1, "", Title(2)},
        {"never collapse", 0, -1, "Memo", ""},
        {"own threshold of 3", 1, 3, "Memo", ""},
        {"own threshold of 2 over a global 3", 1, 2, "Memo", "2 Memo"},
        {"switched off", 2, -1, "Memo", Title(2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetModel();
        taskbar->Clear();
        Settings.WinNum = c.winNum == 2 ? 3 : 2;
        AppendTestRule(EngineClassA, RuleTypeClass, c.enable, c.winNum, c.title);
        HWND a = MakeWindow(), b = MakeWindow();
        AddWindow(a);
        AddWindow(b);
        RefreshGroups();
        HWND proxy = ProxyOf(a);
        bool collapsed = !c.expectedTitle.empty();
        EXPECT_EQ(proxy != nullptr, collapsed);
        EXPECT_EQ(proxy ? TitleOf(proxy) : "", c.expectedTitle);
        EXPECT_EQ(taskbar->ButtonDeleted(a) && taskbar->ButtonDeleted(b), collapsed);
        EXPECT_EQ(ModelFault(), "");
        CloseWindow(a);
        CloseWindow(b);
    }
}

TEST_F(Scan, HiddenSecondWindowChangesNothingUntilARefreshSeesItShown) {
    HWND a = MakeWindow(), b = MakeWindow(EngineClassA, false);
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

TEST_F(Scan, ThirdWindowOnlyRetitlesTheProxyUntilARefreshHidesIt) {
    HWND a, b;
    HWND proxy = CollapsedPair(&a, &b);
    HWND c = MakeWindow();
    AddWindow(c);
    EXPECT_EQ(ProxyOf(c), proxy);
    EXPECT_EQ(TitleOf(proxy), Title(3));
    EXPECT_TRUE(taskbar->calls.empty());
    RefreshGroupOf(c);
    EXPECT_TRUE(taskbar->ButtonDeleted(c));
}

TEST_F(Scan, DownToOneVisibleWindowTheProxyGoesAndTheLastWindowGetsItsButtonBack) {
    for (bool closed : {true, false}) {
        SCOPED_TRACE(closed ? "closed" : "hidden");
        HWND a, b;
        HWND proxy = CollapsedPair(&a, &b);
        if (closed) {
            CloseWindow(b);
            RemoveWindow(b);
            EXPECT_EQ(LookupGroup(b), nullptr);
        } else {
            ShowWindow(b, SW_HIDE);
            RefreshGroupOf(b);
        }
        EXPECT_EQ(ProxyOf(a), nullptr);
        EXPECT_FALSE(IsWindow(proxy));
        EXPECT_EQ(TabWndList, nullptr);
        // Its own button back to the last window, then the proxy's button goes
        // (once as the window is destroyed, once more after).
        EXPECT_EQ(taskbar->calls, (Calls{AddCall(a), DeleteCall(proxy), DeleteCall(proxy)}));
        ResetModel();
    }
}

TEST_F(Scan, ClosingTheLastWindowFreesTheGroupAndAnUnknownWindowChangesNothing) {
    HWND a = MakeWindow();
    AddWindow(a);
    ASSERT_NE(LookupGroup(a), nullptr);
    int blocks = ObjLiveBlocks();
    RemoveWindow(MakeWindow());
    EXPECT_EQ(ObjLiveBlocks(), blocks);
    CloseWindow(a);
    RemoveWindow(a);
    EXPECT_EQ(GroupList, nullptr);
    EXPECT_EQ(ObjLiveBlocks(), 0);
}

TEST_F(Scan, ThresholdOfOneFromAHandEditedFileKeepsTheModelSound) {
    for (int winNum : {1, 0, -5}) {
        SCOPED_TRACE(winNum);
        ResetModel();
        taskbar->Clear();
        Settings.WinNum = winNum;
        GroupByClass();
        HWND hidden = MakeWindow(EngineClassB, false), a = MakeWindow();
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
        EXPECT_EQ(LookupGroup(a), nullptr);
        EXPECT_EQ(taskbar->calls, (Calls{DeleteCall(proxy), DeleteCall(proxy)}));
        EXPECT_EQ(ModelFault(), "");
        CloseWindow(hidden);
    }
}

TEST_F(Scan, WindowWithoutIconIsGroupedOnlyByTheStartUpScan) {
    HWND bare = MakeWindow(EngineClassNoIcon);
    ASSERT_EQ(GetWndIcon(bare), nullptr);
    AddWindow(bare);
    EXPECT_EQ(LookupGroup(bare), nullptr);
    RescanWindows();
    EXPECT_EQ(LookupGroup(bare), nullptr);
    ScanAllWindows();
    EXPECT_NE(LookupGroup(bare), nullptr);
}

TEST_F(Scan, ApplyThresholdsCreatesAndDestroysProxiesWithoutRetitlingExistingOnes) {
    GroupByClass();
    Settings.WinNum = 3;
    HWND a1 = MakeWindow(), a2 = MakeWindow(), a3 = MakeWindow();
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
    EXPECT_FALSE(IsWindow(proxyA) || IsWindow(proxyB));
}

TEST_F(Scan, DestroyAllGroupsThenAScanRebuildsTheSameGroups) {
    GroupByClass();
    HWND a1 = MakeWindow(), a2 = MakeWindow();
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
    HWND proxyA = ProxyOf(a1);
    ASSERT_NE(proxyA, nullptr);
    ASSERT_NE(ProxyOf(b1), nullptr);
    auto before = partition();
    EXPECT_EQ(before, (std::set<std::set<HWND>>{{a1, a2}, {b1, b2, b3}}));
    taskbar->Clear();
    DestroyAllGroups();
    EXPECT_EQ(GroupList, nullptr);
    EXPECT_EQ(TabWndList, nullptr);
    EXPECT_EQ(ObjLiveBlocks(), 0);
    EXPECT_FALSE(IsWindow(proxyA));
    EXPECT_TRUE(taskbar->ButtonDeleted(proxyA));
    for (HWND w : {a1, a2, b1, b2})
        EXPECT_TRUE(taskbar->ButtonAdded(w));
    EXPECT_FALSE(taskbar->ButtonAdded(b3) || taskbar->ButtonDeleted(b3));
    ScanAllWindows();
    CreateAllTabWnds();
    EXPECT_EQ(partition(), before);
    EXPECT_NE(ProxyOf(a1), nullptr);
    EXPECT_NE(ProxyOf(b1), nullptr);
}

TEST_F(Scan, RefreshForgetsWindowsThatAreGoneAndFreesGroupsLeftEmpty) {
    GroupByClass();
    HWND a = MakeWindow(), b = MakeWindow(), c = MakeWindow();
    HWND d = MakeWindow(EngineClassB), e = MakeWindow(EngineClassB);
    for (HWND w : {a, b, c, d, e})
        AddWindow(w);
    HWND proxy = ProxyOf(a);
    // No destruction is reported for these: the library does not see it.
    for (HWND w : {b, c, d, e})
        CloseWindow(w);
    taskbar->Clear();
    RefreshGroups();
    EXPECT_EQ(LookupGroup(a)->members->next, nullptr);
    EXPECT_EQ(GroupList->next, nullptr);
    EXPECT_FALSE(IsWindow(proxy));
    EXPECT_EQ(TabWndList, nullptr);
    EXPECT_TRUE(taskbar->ButtonAdded(a));
}

TEST_F(Scan, RemovingTheNewestWindowPutsTheNextIconOnTheProxy) {
    HICON icons[] = {DistinctIcon(), DistinctIcon(), DistinctIcon()};
    HWND w[3];
    for (int i = 0; i < 3; ++i)
        AddWindow(w[i] = MakeWindow(EngineClassA, true, icons[i]));
    HWND proxy = ProxyOf(w[0]);
    ASSERT_NE(proxy, nullptr);
    EXPECT_EQ(SmallIconOf(proxy), icons[2]); // the newest visible member's icon
    CloseWindow(w[2]);
    RemoveWindow(w[2]);
    EXPECT_EQ(ProxyOf(w[0]), proxy);
    EXPECT_EQ(TitleOf(proxy), Title(2));
    EXPECT_EQ(SmallIconOf(proxy), icons[1]);
}

TEST_F(Scan, RescanRegistersNewWindowsAndHidesButtonsOfCollapsedGroupsOnly) {
    HWND a, b;
    HWND proxy = CollapsedPair(&a, &b);
    HWND c = MakeWindow();
    RescanWindows();
    EXPECT_EQ(ProxyOf(c), proxy);
    EXPECT_EQ(TitleOf(proxy), Title(3));
    for (HWND w : {a, b, c})
        EXPECT_TRUE(taskbar->ButtonDeleted(w));
    for (const TaskbarCall& call : taskbar->calls)
        EXPECT_NE(call.kind, TaskbarCall::Add);
}

} // namespace
