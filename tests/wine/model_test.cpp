// The block allocator, the threshold test and the window index, with real
// windows where visibility matters.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include "app/state.h"
#include "config/state.h"
#include "core/state.h"
#include "taskbar/state.h"
#include "core/model.h"
#include "tests/support/model_support.h"

using namespace testing_support;

namespace {

HWND Fake(ULONG_PTR value) {
    return reinterpret_cast<HWND>(value);
}

class Model : public ModelTest {
  protected:
    TestWindows windows_;
};

} // namespace

TEST_F(Model, ObjAllocGivesZeroFilledRegionsOfTheirOwnAndRefusesSizeZero) {
    for (size_t size : {1, 4096, 5000}) {
        unsigned char* block = static_cast<unsigned char*>(ObjAlloc(size));
        ASSERT_NE(block, nullptr) << size;
        for (size_t i = 0; i < size; ++i)
            ASSERT_EQ(block[i], 0) << size;
        memset(block, 0xAB, size); // the whole size is writable
        MEMORY_BASIC_INFORMATION info;
        ASSERT_NE(VirtualQuery(block, &info, sizeof info), 0u);
        EXPECT_EQ(info.AllocationBase, block) << "a block shares no region";
        EXPECT_NE(ObjFree(block), 0);
        EXPECT_EQ(ObjFree(block), 0) << "a region released twice";
    }
    EXPECT_EQ(ObjAlloc(0), nullptr);
    EXPECT_EQ(ObjFree(nullptr), 0);
}

TEST_F(Model, IsVisibleFollowsTheWindowsOwnStyleBitSoMinimisedWindowsCount) {
    HWND minimised = windows_.Hidden();
    ShowWindow(minimised, SW_SHOWMINNOACTIVE);
    HWND childOfHidden = windows_.Make(WS_CHILD | WS_VISIBLE, 0, windows_.Hidden());
    EXPECT_EQ(IsVisible(windows_.Hidden()), 0);
    EXPECT_EQ(IsVisible(windows_.Visible()), 1);
    EXPECT_EQ(IsVisible(minimised), 1);
    EXPECT_EQ(IsVisible(childOfHidden), 1);
}

TEST_F(Model, IsGroupShownComparesVisibleMembersWithTheRuleOrGlobalThreshold) {
    struct Case {
        const char* what;
        int settingsWinNum;
        bool hasRule;
        int enable, ruleWinNum, visible, hidden, shown;
    } cases[] = {
        {"no rule, at the global threshold", 2, false, 0, 0, 2, 0, 1},
        {"hidden members count for nothing", 2, false, 0, 0, 1, 2, 0},
        {"enable 0 never shows, even with ten", 2, true, 0, -1, 10, 0, 0},
        {"rule winNum 3 with two visible", 2, true, 1, 3, 2, 0, 0},
        {"rule winNum 3 below a global 4", 4, true, 1, 3, 3, 0, 1},
        {"rule winNum -1: the global value decides", 3, true, 1, -1, 2, 0, 0},
        {"rule winNum 1 behaves like -1", 3, true, 1, 1, 2, 0, 0},
        {"enable 2 is no rule at all", 2, true, 2, 5, 2, 0, 1},
        {"enable 3 is no rule either", 3, true, 3, 2, 2, 0, 0},
        {"global 1 shows a single visible window", 1, false, 0, 0, 1, 0, 1},
        {"global 0 still needs a visible window", 0, false, 0, 0, 0, 2, 0},
        {"global -5 with one visible window", -5, false, 0, 0, 1, 0, 1},
    };
    for (const Case& c : cases) {
        FreeModel();
        Settings.WinNum = c.settingsWinNum;
        GroupRule* rule =
            c.hasRule ? AppendTestRule("C:\\a.exe", RuleTypePath, c.enable, c.ruleWinNum) : nullptr;
        WndGroup* g = AddTestGroup("C:\\a.exe", "A", rule);
        for (int i = 0; i < c.visible + c.hidden; ++i)
            AddTestMember(g, i < c.visible ? windows_.Visible() : windows_.Hidden());
        EXPECT_EQ(IsGroupShown(g), c.shown) << c.what;
    }
}

TEST_F(Model, HandlesThatShareABucketEachFindTheirOwnEntry) {
    WndGroup* g[2] = {AddTestGroup("C:\\a.exe", "A"), AddTestGroup("C:\\b.exe", "B")};
    // The last pair share a bucket when taken as unsigned 32-bit numbers.
    const ULONG_PTR base = 0x10234;
    HWND h[] = {Fake(base),
                Fake(base + WndIndexBuckets),
                Fake(base + 2 * WndIndexBuckets),
                Fake(base + 3 * WndIndexBuckets),
                Fake(0xFFFFFFF0u),
                Fake(0xFFFFFFF0u - WndIndexBuckets)};
    WndMember* m[6];
    for (int i = 0; i < 6; ++i)
        m[i] = AddTestMember(g[i % 2], h[i]);
    int blocks = ObjLiveBlocks();
    const ULONG_PTR unknown[] = {0, base + 1, base + 4 * WndIndexBuckets};
    for (ULONG_PTR u : unknown)
        IndexRemove(Fake(u)); // changes nothing
    EXPECT_EQ(ObjLiveBlocks(), blocks);
    // Remove from the middle of a chain, then its head (the newest), then its tail.
    bool gone[6] = {};
    for (int r : {-1, 1, 3, 0, 5}) {
        if (r >= 0) IndexRemove(h[r]), gone[r] = true;
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(LookupMember(h[i]), gone[i] ? nullptr : m[i]) << "after " << r << ": " << i;
            EXPECT_EQ(LookupGroup(h[i]), gone[i] ? nullptr : g[i % 2]) << r << ": " << i;
        }
    }
}

TEST_F(Model, AFailedInsertionIsLoggedAndLeavesTheWindowUnindexed) {
    WndGroup* g = AddTestGroup("C:\\a.exe", "A");
    WndMember* neighbour = AddTestMember(g, Fake(42 + WndIndexBuckets));
    WndMember* m = AddTestMember(g, Fake(42), false);
    ObjAllocFailAfter(0);
    IndexInsert(Fake(42), g, m);
    ObjAllocFailAfter(-1);
    EXPECT_EQ(ErrorLogText(), AllocFailureText);
    EXPECT_EQ(LookupMember(Fake(42)), nullptr);
    EXPECT_EQ(LookupGroup(Fake(42)), nullptr);
    EXPECT_EQ(LookupMember(Fake(42 + WndIndexBuckets)), neighbour);
}

TEST_F(Model, FindTabWndAndFindShownMemberLookOnlyAtProxiesAndTheirGroups) {
    WndGroup* collapsed = AddTestGroup("C:\\a.exe", "A");
    WndGroup* open = AddTestGroup("C:\\b.exe", "B");
    WndMember* a = AddTestMember(collapsed, Fake(11));
    AddTestMember(open, Fake(21));
    TabWnd* tab = AddTestTabWnd(collapsed, Fake(900));
    EXPECT_EQ(FindTabWnd(Fake(900)), tab);
    EXPECT_EQ(FindTabWnd(Fake(11)), nullptr);
    EXPECT_EQ(FindShownMember(Fake(11)), a);
    EXPECT_EQ(FindShownMember(Fake(21)), nullptr) << "its group has no proxy";
    EXPECT_EQ(FindShownMember(Fake(900)), nullptr) << "a proxy is no member";
}
