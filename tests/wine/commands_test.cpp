// The group menu's commands on windows of the test application: a window
// item, ForceForeground, show all, minimise all, close all, cascade and the
// two tilings.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/state.h"
#include "config/state.h"
#include "core/state.h"
#include "taskbar/state.h"
#include "engine/scan.h"
#include "taskbar/commands.h"
#include "taskbar/group_menu.h"
#include "taskbar/pure/tiling.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/support.h"

using namespace testing_support;

namespace {

::testing::AssertionResult IsAt(HWND w, int x, int y, int width, int height) {
    RECT r = {0, 0, 0, 0};
    GetWindowRect(w, &r);
    if (r.left == x && r.top == y && r.right - r.left == width && r.bottom - r.top == height)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "window at (" << r.left << ", " << r.top << ", " << r.right - r.left << ", "
           << r.bottom - r.top << "), want (" << x << ", " << y << ", " << width << ", " << height
           << ")";
}

// Where the k-th of n windows of a tiling goes.
TilePlace Cell(int n, UINT command, int k) {
    RECT r = {0, 0, 0, 0};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    TileLayout layout = MakeTileLayout(n, (int)command);
    int column = 0, row = 0;
    EXPECT_EQ(TileCell(layout, k, &column, &row), 1);
    return TileCellPlace({r.left, r.top, r.right, r.bottom}, layout, column, row);
}

::testing::AssertionResult IsAt(HWND w, const TilePlace& p) {
    return IsAt(w, p.x, p.y, p.width, p.height);
}

class Commands : public GroupMenuTest {
  protected:
    void Command(HWND proxy, UINT id) { SendMessageA(proxy, WM_COMMAND, id, 0); }
    // One window of the test application at a place of its own, 300 x 200.
    HWND At(int x, int y, const std::string& more = "") {
        std::vector<HWND> w =
            Open("x=" + std::to_string(x) + " y=" + std::to_string(y) + " w=300 h=200 " + more);
        return w.empty() ? nullptr : w[0];
    }
    // Another application with one window, hung once the group is made.
    HWND HungWindow(const char* options = "") {
        if (!hungApp.Launch()) return nullptr;
        std::vector<HWND> w = hungApp.Open(options);
        return w.size() == 1 ? w[0] : nullptr;
    }
    void TearDown() override {
        hungApp.Send("unhang");
        GroupMenuTest::TearDown();
    }
    TestApp hungApp;
};

} // namespace

TEST_F(Commands, ChoosingAWindowRestoresItOrBringsItToTheForegroundAndClearsItsFlashing) {
    std::vector<HWND> w = Open("count=2");
    HWND a = w[0], b = w[1];
    WndGroup* group = Group({b, a});
    ASSERT_TRUE(Tell("minimize", a));
    MemberOf(group, a)->flashing = MemberOf(group, b)->flashing = 1;
    MenuSelection = 5;
    Command(group->tab->hwnd, HandleToUlong(a));
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(a); }));
    EXPECT_EQ(MemberOf(group, a)->flashing, 0);
    EXPECT_EQ(MemberOf(group, b)->flashing, 1);
    EXPECT_EQ(MenuSelection, 0u);
    for (HWND h : {b, a, b}) {
        Command(group->tab->hwnd, HandleToUlong(h));
        EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == h; })) << h;
    }
    EXPECT_EQ(MemberOf(group, b)->flashing, 0);
}

TEST_F(Commands, NothingIsDoneToAWindowOutsideTheProxysGroupOrAtAWindowWithoutProxy) {
    std::vector<HWND> w = Open("count=4 minimized");
    HWND stranger = w[0], plain = w[3];
    WndGroup* group = Group({w[1]});
    WndGroup* other = Group({w[2]});
    HWND proxy = group->tab->hwnd;
    MemberOf(other, w[2])->flashing = 1;
    MenuSelection = 77;
    Command(proxy, HandleToUlong(stranger));
    Command(proxy, HandleToUlong(w[2]));
    RunProxyCommand(plain, HandleToUlong(w[1]));
    for (UINT id = CmdShowAll; id <= CmdTileLeftRight; ++id)
        RunProxyCommand(plain, id);
    for (HWND h : w) {
        EXPECT_TRUE(SyncWithWindow(h));
        EXPECT_TRUE(IsIconic(h));
        EXPECT_FALSE(Received(h, "syscommand 0xf060"));
    }
    EXPECT_EQ(MemberOf(other, w[2])->flashing, 1);
    EXPECT_EQ(MenuSelection, 77u);
}

TEST_F(Commands, ForceForegroundPutsTheLockTimeOutBackAndComesBackFromAHungWindow) {
    std::vector<HWND> w = Open("count=2");
    DWORD original = 0;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &original, 0));
    for (DWORD before : {200000ul, 0ul, 12345ul}) {
        ASSERT_TRUE(
            SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, (PVOID)(UINT_PTR)before, 0));
        HWND target = GetForegroundWindow() == w[0] ? w[1] : w[0];
        EXPECT_TRUE(ForceForeground(target));
        EXPECT_EQ(GetForegroundWindow(), target);
        DWORD after = 0;
        ASSERT_TRUE(SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &after, 0));
        EXPECT_EQ(after, before);
    }
    SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, (PVOID)(UINT_PTR)original, 0);
    HWND hung = HungWindow();
    ASSERT_EQ(hungApp.Send("hang"), "ok");
    ForceForeground(hung); // bounded waits: returns although the window never answers
}

TEST_F(Commands, ShowAllRestoresMinimisedWindowsAndClearsFlashing) {
    std::vector<HWND> w = Open("count=3");
    WndGroup* g = Group(w);
    ASSERT_TRUE(Tell("minimize", w[0]) && Tell("minimize", w[2]));
    for (HWND h : w)
        MemberOf(g, h)->flashing = 1;
    MenuSelection = 9;
    Command(g->tab->hwnd, CmdShowAll);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(w[0]) && !IsIconic(w[2]); }));
    EXPECT_FALSE(IsIconic(w[1]));
    for (HWND h : w)
        EXPECT_EQ(MemberOf(g, h)->flashing, 0);
    EXPECT_EQ(MenuSelection, 0u);
}

TEST_F(Commands, MinimizeAllMinimisesVisibleWindowsPastAHungOneAndLeavesHiddenOnesHidden) {
    std::vector<HWND> w = Open("count=3");
    HWND hung = HungWindow();
    HWND proxy = Proxy({w[0], hung, w[1], w[2]});
    ASSERT_TRUE(Tell("hide", w[1]));
    ASSERT_EQ(hungApp.Send("hang"), "ok");
    Command(proxy, CmdMinimizeAll);
    // Each window has handled its request before the command went on.
    EXPECT_TRUE(IsIconic(w[0]) && IsIconic(w[2]));
    EXPECT_TRUE(Received(w[0], "syscommand 0xf020"));
    EXPECT_FALSE(Received(w[1], "syscommand 0xf020"));
    EXPECT_FALSE(IsWindowVisible(w[1]));
}

TEST_F(Commands, CloseAllAsksEachWindowAndOneThatStaysOpenStaysInItsGroup) {
    std::vector<HWND> w = Open("count=2");
    HWND unsaved = Open("askclose title=unsaved")[0];
    WndGroup* g = Group({w[0], unsaved, w[1]});
    // A title count the group no longer has: the refresh after the requests
    // brings it up to date (or takes the proxy away).
    g->tab->shownCount = 99;
    Command(g->tab->hwnd, CmdCloseAll);
    EXPECT_TRUE(g->tab == nullptr || g->tab->shownCount != 99);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(w[0]) && !IsWindow(w[1]); }));
    EXPECT_TRUE(WaitUntil([&] { return Received(unsaved, "question"); }));
    EXPECT_TRUE(Received(unsaved, "syscommand 0xf060"));
    ASSERT_EQ(app.Send("answer " + WindowRef(unsaved) + " cancel"), "ok");
    ASSERT_TRUE(WaitUntil([&] { return Received(unsaved, "answer cancel"); }));
    EXPECT_TRUE(IsWindow(unsaved));
    RefreshGroups(); // forgets the closed windows; the one left open stays
    ASSERT_EQ(LookupGroup(unsaved), g);
    EXPECT_EQ(g->members->hwnd, unsaved);
    EXPECT_EQ(g->members->next, nullptr);
}

TEST_F(Commands, CascadeStepsFromTheScreenOriginBySystemMetricsRestoringFirstAndKeepingSizes) {
    int step = GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYCAPTION);
    HWND a = At(500, 400, "minimized"), hidden = At(700, 500, "hidden"), b = At(20, 600),
         c = At(300, 10, "maximized");
    ASSERT_TRUE(IsIconic(a) && IsZoomed(c));
    Command(Proxy({a, hidden, b, c}), CmdCascade);
    EXPECT_FALSE(IsIconic(a) || IsZoomed(c));
    EXPECT_TRUE(IsAt(a, 0, 0, 300, 200));
    EXPECT_TRUE(IsAt(b, step, step, 300, 200));
    EXPECT_TRUE(IsAt(c, 2 * step, 2 * step, 300, 200)) << "restored to its normal size first";
    EXPECT_TRUE(IsAt(hidden, 700, 500, 300, 200));
    EXPECT_FALSE(IsWindowVisible(hidden));
}

TEST_F(Commands, TilingsPutEachWindowInItsCell) {
    std::vector<HWND> pool;
    for (int k = 0; k < 7; ++k)
        pool.push_back(At(50 + 10 * k, 60));
    for (UINT command : {CmdTileTopBottom, CmdTileLeftRight}) {
        for (int n : {1, 2, 3, 5, 7}) {
            std::vector<HWND> listed(pool.begin(), pool.begin() + n);
            Command(Proxy(listed), command);
            for (int k = 0; k < n; ++k)
                EXPECT_TRUE(IsAt(listed[k], Cell(n, command, k)))
                    << "command " << command << ", " << n << " windows, window " << k;
            ResetModel();
        }
    }
}

TEST_F(Commands, TilingRestoresWindowsFirstOnlyMovesFixedSizeOnesAndLeavesHiddenAndHungOnes) {
    HWND zoomed = At(100, 100, "maximized"), fixed = At(100, 100, "fixed"),
         minimised = At(100, 100, "minimized"), hidden = At(640, 480, "hidden");
    HWND hung = HungWindow("x=640 y=480 w=300 h=200");
    RECT fixedBefore;
    GetWindowRect(fixed, &fixedBefore);
    HWND proxy = Proxy({zoomed, hidden, fixed, hung, minimised});
    ASSERT_EQ(hungApp.Send("hang"), "ok");
    Command(proxy, CmdTileLeftRight);
    EXPECT_FALSE(IsZoomed(zoomed) || IsIconic(minimised));
    EXPECT_TRUE(IsAt(zoomed, Cell(4, CmdTileLeftRight, 0)));
    TilePlace p1 = Cell(4, CmdTileLeftRight, 1);
    EXPECT_TRUE(IsAt(fixed, p1.x, p1.y, fixedBefore.right - fixedBefore.left,
                     fixedBefore.bottom - fixedBefore.top));
    EXPECT_TRUE(IsAt(hung, 640, 480, 300, 200)) << "its cell stays empty";
    EXPECT_TRUE(IsAt(minimised, Cell(4, CmdTileLeftRight, 3)));
    EXPECT_TRUE(IsAt(hidden, 640, 480, 300, 200));
}
