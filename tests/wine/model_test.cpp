// The block allocator, the threshold test and the window index, with real
// windows where visibility matters.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <vector>

#include "core/globals.h"
#include "core/model.h"
#include "tests/support/model_support.h"
#include "tests/support/support.h"

using testing_support::AddTestGroup;
using testing_support::AddTestMember;
using testing_support::AddTestTabWnd;
using testing_support::AppendTestRule;

namespace {

const char* const AllocFailureText = "メモリの確保に失敗しました\n";

HWND FakeHandle(ULONG_PTR value) {
    return reinterpret_cast<HWND>(value);
}

class ModelTest : public testing_support::ModelTest {
  protected:
    testing_support::TestWindows windows_;
};

} // namespace

TEST_F(ModelTest, ObjAllocGivesZeroFilledBlocksThatAreRegionsOfTheirOwn) {
    const size_t sizes[] = {1, 16, 4096, 5000};
    std::vector<void*> blocks;
    for (size_t size : sizes) {
        unsigned char* block = static_cast<unsigned char*>(ObjAlloc(size));
        ASSERT_NE(block, nullptr) << size;
        for (size_t i = 0; i < size; ++i)
            ASSERT_EQ(block[i], 0) << size;
        memset(block, 0xAB, size); // the whole size is writable
        MEMORY_BASIC_INFORMATION info;
        ASSERT_NE(VirtualQuery(block, &info, sizeof info), 0u);
        EXPECT_EQ(info.AllocationBase, block) << "a block shares no region";
        blocks.push_back(block);
    }
    for (void* block : blocks)
        EXPECT_NE(ObjFree(block), 0);
}

TEST_F(ModelTest, ObjAllocRefusesASizeOfZero) {
    EXPECT_EQ(ObjAlloc(0), nullptr);
}

TEST_F(ModelTest, ObjFreeReportsTheSystemsRefusal) {
    void* block = ObjAlloc(8);
    ASSERT_NE(block, nullptr);
    EXPECT_NE(ObjFree(block), 0);
    EXPECT_EQ(ObjFree(block), 0) << "a region released twice";
    EXPECT_EQ(ObjFree(nullptr), 0);
}

TEST_F(ModelTest, ObjStrDupCopiesTheTextWithItsTerminator) {
    const char* texts[] = {"", "abc", "C:\\\x83\x5C\x83\x74\x83\x67\\a.exe"};
    for (const char* text : texts) {
        char* copy = ObjStrDup(text);
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy, text);
        EXPECT_STREQ(copy, text);
        ObjFree(copy);
    }
    EXPECT_EQ(ObjStrDup(nullptr), nullptr);
}

TEST_F(ModelTest, TheFailureSwitchRefusesAfterTheGivenNumberOfCallsUntilReset) {
    ObjAllocFailAfter(2);
    void* a = ObjAlloc(8);
    void* b = ObjAlloc(8);
    EXPECT_NE(a, nullptr);
    EXPECT_NE(b, nullptr);
    EXPECT_EQ(ObjAlloc(8), nullptr);
    EXPECT_EQ(ObjStrDup("x"), nullptr);
    EXPECT_EQ(ObjAllocRefusals(), 2);
    ObjAllocFailAfter(-1);
    EXPECT_EQ(ObjAllocRefusals(), 0);
    void* c = ObjAlloc(8);
    EXPECT_NE(c, nullptr);
    ObjFree(a);
    ObjFree(b);
    ObjFree(c);
}

TEST_F(ModelTest, IsVisibleFollowsTheStyleBitAloneSoMinimisedWindowsCount) {
    struct Case {
        const char* what;
        int show; // 0: never shown
        int visible;
    } cases[] = {{"never shown", 0, 0},
                 {"shown", SW_SHOWNOACTIVATE, 1},
                 {"minimised", SW_SHOWMINNOACTIVE, 1}};
    for (const Case& c : cases) {
        HWND w = windows_.Hidden();
        if (c.show) ShowWindow(w, c.show);
        EXPECT_EQ(IsVisible(w), c.visible) << c.what;
    }
}

TEST_F(ModelTest, IsVisibleIgnoresAHiddenParent) {
    // The style bit of the window itself decides, not whether it can be seen.
    HWND host = windows_.Hidden();
    HWND child = windows_.Make(WS_CHILD | WS_VISIBLE, 0, host);
    EXPECT_EQ(IsWindowVisible(child), FALSE);
    EXPECT_EQ(IsVisible(child), 1);
}

TEST_F(ModelTest, CountVisibleMembersCountsOnlyVisibleWindows) {
    WndGroup* g = AddTestGroup("C:\\a.exe", "A");
    AddTestMember(g, windows_.Visible());
    AddTestMember(g, windows_.Hidden());
    AddTestMember(g, windows_.Visible());
    AddTestMember(g, windows_.Hidden());
    EXPECT_EQ(CountVisibleMembers(g), 2);
}

TEST_F(ModelTest, IsGroupShownComparesVisibleMembersWithTheRuleOrGlobalThreshold) {
    struct Case {
        const char* what;
        int settingsWinNum;
        bool hasRule;
        int enable;
        int ruleWinNum;
        int visible;
        int hidden;
        int shown;
    } cases[] = {
        {"no rule, at the global threshold", 2, false, 0, 0, 2, 0, 1},
        {"no rule, below it", 2, false, 0, 0, 1, 0, 0},
        {"hidden members count for nothing", 2, false, 0, 0, 1, 2, 0},
        {"all hidden", 2, false, 0, 0, 0, 3, 0},
        {"enable 0 never shows, even with ten", 2, true, 0, -1, 10, 0, 0},
        {"enable 0 ignores its own threshold", 2, true, 0, 2, 5, 0, 0},
        {"rule winNum 3 with two visible", 2, true, 1, 3, 2, 0, 0},
        {"rule winNum 3 with three visible", 2, true, 1, 3, 3, 0, 1},
        {"rule winNum 3 below a global 4", 4, true, 1, 3, 3, 0, 1},
        {"rule winNum -1: the global value decides", 2, true, 1, -1, 2, 0, 1},
        {"rule winNum -1 below the global value", 3, true, 1, -1, 2, 0, 0},
        {"rule winNum 1 behaves like -1", 3, true, 1, 1, 2, 0, 0},
        {"rule winNum 0 behaves like -1", 2, true, 1, 0, 2, 0, 1},
        {"enable 2 is no rule at all", 2, true, 2, 5, 2, 0, 1},
        {"enable 2 with winNum 2 and global 3", 3, true, 2, 2, 2, 0, 0},
        {"enable 3 is no rule either", 2, true, 3, -1, 2, 0, 1},
        {"global 1 shows a single visible window", 1, false, 0, 0, 1, 0, 1},
        {"global 1 and only hidden windows", 1, false, 0, 0, 0, 2, 0},
        {"global 0 still needs a visible window", 0, false, 0, 0, 0, 2, 0},
        {"global -5 with one visible window", -5, false, 0, 0, 1, 0, 1},
    };
    for (const Case& c : cases) {
        testing_support::FreeModel();
        Settings.WinNum = c.settingsWinNum;
        GroupRule* rule =
            c.hasRule ? AppendTestRule("C:\\a.exe", RuleTypePath, c.enable, c.ruleWinNum) : nullptr;
        WndGroup* g = AddTestGroup("C:\\a.exe", "A", rule);
        for (int i = 0; i < c.visible; ++i)
            AddTestMember(g, windows_.Visible());
        for (int i = 0; i < c.hidden; ++i)
            AddTestMember(g, windows_.Hidden());
        EXPECT_EQ(IsGroupShown(g), c.shown) << c.what;
    }
}

TEST_F(ModelTest, IsGroupShownCountsAfreshWhenWindowsAreShownAndHidden) {
    WndGroup* g = AddTestGroup("C:\\a.exe", "A");
    HWND a = windows_.Visible();
    HWND b = windows_.Hidden();
    AddTestMember(g, a);
    AddTestMember(g, b);
    EXPECT_EQ(IsGroupShown(g), 0);
    ShowWindow(b, SW_SHOWNOACTIVATE);
    EXPECT_EQ(IsGroupShown(g), 1);
    ShowWindow(a, SW_HIDE);
    EXPECT_EQ(IsGroupShown(g), 0);
}

TEST_F(ModelTest, HandlesThatShareABucketEachFindTheirOwnEntry) {
    WndGroup* g1 = AddTestGroup("C:\\a.exe", "A");
    WndGroup* g2 = AddTestGroup("C:\\b.exe", "B");
    const ULONG_PTR base = 0x10234;
    HWND h[] = {FakeHandle(base), FakeHandle(base + WndIndexBuckets),
                FakeHandle(base + 2 * WndIndexBuckets), FakeHandle(base + 3 * WndIndexBuckets)};
    WndMember* m[4];
    for (int i = 0; i < 4; ++i)
        m[i] = AddTestMember(i % 2 ? g2 : g1, h[i]);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(LookupMember(h[i]), m[i]) << i;
        EXPECT_EQ(LookupGroup(h[i]), i % 2 ? g2 : g1) << i;
    }
    // Remove from the middle of the chain, then its head (the newest), then its tail.
    const int order[] = {1, 3, 0};
    bool gone[4] = {};
    for (int r : order) {
        IndexRemove(h[r]);
        gone[r] = true;
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(LookupMember(h[i]), gone[i] ? nullptr : m[i]) << "after " << r << ": " << i;
            EXPECT_EQ(LookupGroup(h[i]), gone[i] ? nullptr : (i % 2 ? g2 : g1));
        }
    }
}

TEST_F(ModelTest, HandlesWithTheHighBitSetAreIndexedAsUnsigned) {
    WndGroup* g = AddTestGroup("C:\\a.exe", "A");
    // 0xFFFFFFF0 and the same value less 10039 share a bucket when the value
    // is taken as an unsigned 32-bit number.
    HWND high = FakeHandle(0xFFFFFFF0u);
    HWND sibling = FakeHandle(0xFFFFFFF0u - WndIndexBuckets);
    WndMember* a = AddTestMember(g, high);
    WndMember* b = AddTestMember(g, sibling);
    EXPECT_EQ(LookupMember(high), a);
    EXPECT_EQ(LookupMember(sibling), b);
    IndexRemove(sibling);
    EXPECT_EQ(LookupMember(high), a);
    EXPECT_EQ(LookupMember(sibling), nullptr);
}

TEST_F(ModelTest, LookupsOfHandlesNeverRegisteredFindNothing) {
    WndGroup* g = AddTestGroup("C:\\a.exe", "A");
    AddTestMember(g, FakeHandle(100));
    const ULONG_PTR unknown[] = {0, 101, 100 + WndIndexBuckets, 0xFFFFFFFFu};
    for (ULONG_PTR h : unknown) {
        EXPECT_EQ(LookupMember(FakeHandle(h)), nullptr) << h;
        EXPECT_EQ(LookupGroup(FakeHandle(h)), nullptr) << h;
    }
}

TEST_F(ModelTest, RemovingAnUnknownHandleChangesNothing) {
    WndGroup* g = AddTestGroup("C:\\a.exe", "A");
    WndMember* m = AddTestMember(g, FakeHandle(7));
    int blocks = ObjLiveBlocks();
    IndexRemove(FakeHandle(7 + WndIndexBuckets));
    IndexRemove(FakeHandle(8));
    EXPECT_EQ(ObjLiveBlocks(), blocks);
    EXPECT_EQ(LookupMember(FakeHandle(7)), m);
}

TEST_F(ModelTest, AFailedInsertionIsLoggedAndLeavesTheWindowUnindexed) {
    WndGroup* g = AddTestGroup("C:\\a.exe", "A");
    WndMember* neighbour = AddTestMember(g, FakeHandle(42 + WndIndexBuckets));
    WndMember* m = AddTestMember(g, FakeHandle(42), false);
    ObjAllocFailAfter(0);
    IndexInsert(FakeHandle(42), g, m);
    ObjAllocFailAfter(-1);
    EXPECT_EQ(ErrorLogText(), AllocFailureText);
    EXPECT_EQ(LookupMember(FakeHandle(42)), nullptr);
    EXPECT_EQ(LookupGroup(FakeHandle(42)), nullptr);
    int blocks = ObjLiveBlocks();
    IndexRemove(FakeHandle(42)); // nothing to remove
    EXPECT_EQ(ObjLiveBlocks(), blocks);
    EXPECT_EQ(LookupMember(FakeHandle(42 + WndIndexBuckets)), neighbour);
}

TEST_F(ModelTest, ClearIndexEmptiesEveryBucketAndGivesTheEntriesBack) {
    WndGroup* g = AddTestGroup("C:\\a.exe", "A");
    int blocks = ObjLiveBlocks();
    for (ULONG_PTR h = 1; h <= 30; ++h)
        IndexInsert(FakeHandle(h * 997), g, nullptr);
    EXPECT_EQ(LookupGroup(FakeHandle(997)), g);
    ClearIndex();
    EXPECT_EQ(ObjLiveBlocks(), blocks);
    for (ULONG_PTR h = 1; h <= 30; ++h)
        EXPECT_EQ(LookupGroup(FakeHandle(h * 997)), nullptr);
}

TEST_F(ModelTest, FindTabWndFindsTheProxyRecordOfItsWindow) {
    WndGroup* a = AddTestGroup("C:\\a.exe", "A");
    WndGroup* b = AddTestGroup("C:\\b.exe", "B");
    TabWnd* ta = AddTestTabWnd(a, FakeHandle(500));
    TabWnd* tb = AddTestTabWnd(b, FakeHandle(600));
    EXPECT_EQ(FindTabWnd(FakeHandle(500)), ta);
    EXPECT_EQ(FindTabWnd(FakeHandle(600)), tb);
    EXPECT_EQ(FindTabWnd(FakeHandle(700)), nullptr);
    EXPECT_EQ(FindTabWnd(nullptr), nullptr);
}

TEST_F(ModelTest, FindShownMemberSearchesOnlyGroupsThatHaveAProxy) {
    WndGroup* collapsed = AddTestGroup("C:\\a.exe", "A");
    WndGroup* open = AddTestGroup("C:\\b.exe", "B");
    WndMember* a1 = AddTestMember(collapsed, FakeHandle(11));
    WndMember* a2 = AddTestMember(collapsed, FakeHandle(12));
    WndMember* b1 = AddTestMember(open, FakeHandle(21));
    AddTestTabWnd(collapsed, FakeHandle(900));
    EXPECT_EQ(FindShownMember(FakeHandle(11)), a1);
    EXPECT_EQ(FindShownMember(FakeHandle(12)), a2);
    EXPECT_EQ(FindShownMember(FakeHandle(21)), nullptr) << "its group has no proxy";
    EXPECT_EQ(LookupMember(FakeHandle(21)), b1) << "though the index knows it";
    EXPECT_EQ(FindShownMember(FakeHandle(900)), nullptr) << "a proxy is no member";
}
