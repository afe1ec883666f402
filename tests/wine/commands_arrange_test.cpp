// Cascade and the two tilings on windows of the test application.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/globals.h"
#include "taskbar/commands.h"
#include "taskbar/group_menu.h"
#include "taskbar/pure/tiling.h"
#include "tests/support/group_fixture.h"
#include "tests/support/support.h"
#include "tests/support/window_thread.h"

using testing_support::TestWindowOptions;
using testing_support::WaitUntil;
using testing_support::WindowThread;

namespace {

RECT Rect(HWND w) {
    RECT r = {0, 0, 0, 0};
    GetWindowRect(w, &r);
    return r;
}

::testing::AssertionResult IsAt(HWND w, int x, int y, int width, int height) {
    RECT r = Rect(w);
    if (r.left == x && r.top == y && r.right - r.left == width && r.bottom - r.top == height) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "window at (" << r.left << ", " << r.top << ", " << r.right - r.left << ", "
           << r.bottom - r.top << "), want (" << x << ", " << y << ", " << width << ", " << height
           << ")";
}

::testing::AssertionResult IsAt(HWND w, const TilePlace& p) {
    return IsAt(w, p.x, p.y, p.width, p.height);
}

TileArea WorkArea() {
    RECT r = {0, 0, 0, 0};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    return TileArea{r.left, r.top, r.right, r.bottom};
}

// Where the k-th of n windows goes.
TilePlace Cell(int n, UINT command, int k) {
    TileLayout layout = MakeTileLayout(n, (int)command);
    int column = 0, row = 0;
    EXPECT_EQ(TileCell(layout, k, &column, &row), 1);
    return TileCellPlace(WorkArea(), layout, column, row);
}

class Arrange : public testing_support::GroupMenuTest {
  protected:
    // One window of the test application at a place of its own, 300 x 200.
    HWND At(int x, int y, const std::string& more = "") {
        std::vector<HWND> w =
            Open("x=" + std::to_string(x) + " y=" + std::to_string(y) + " w=300 h=200 " + more);
        return w.empty() ? nullptr : w[0];
    }
    void Command(HWND proxy, UINT id) { SendMessageA(proxy, WM_COMMAND, id, 0); }
    int Step() { return GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYCAPTION); }
};

} // namespace

TEST_F(Arrange, CascadeStacksFromTheScreenOriginBySystemMetricsAndKeepsSizes) {
    HWND a = At(500, 400), b = At(20, 600), c = At(300, 10, "maximized");
    ASSERT_TRUE(IsZoomed(c));
    Command(Proxy({a, b, c}), CmdCascade);
    EXPECT_TRUE(IsAt(a, 0, 0, 300, 200));
    EXPECT_TRUE(IsAt(b, Step(), Step(), 300, 200));
    EXPECT_FALSE(IsZoomed(c));
    EXPECT_TRUE(IsAt(c, 2 * Step(), 2 * Step(), 300, 200)) << "restored to its normal size first";
}

TEST_F(Arrange, CascadeRestoresMinimisedWindowsAndSkipsHiddenOnes) {
    HWND a = At(100, 100, "minimized"), hidden = At(700, 500, "hidden"), c = At(100, 100);
    ASSERT_TRUE(IsIconic(a));
    Command(Proxy({a, hidden, c}), CmdCascade);
    EXPECT_FALSE(IsIconic(a));
    EXPECT_TRUE(IsAt(a, 0, 0, 300, 200));
    EXPECT_TRUE(IsAt(c, Step(), Step(), 300, 200));
    EXPECT_TRUE(IsAt(hidden, 700, 500, 300, 200));
    EXPECT_FALSE(IsWindowVisible(hidden));
}

TEST_F(Arrange, TilingsPutEachWindowInItsCell) {
    std::vector<HWND> pool;
    for (int k = 0; k < 7; ++k)
        pool.push_back(At(50 + 10 * k, 60));
    for (UINT command : {CmdTileTopBottom, CmdTileLeftRight}) {
        for (int n : {1, 2, 3, 5, 7}) {
            std::vector<HWND> listed(pool.begin(), pool.begin() + n);
            Command(Proxy(listed), command);
            for (int k = 0; k < n; ++k) {
                EXPECT_TRUE(IsAt(listed[k], Cell(n, command, k)))
                    << "command " << command << ", " << n << " windows, window " << k;
            }
            testing_support::ResetModel();
        }
    }
}

TEST_F(Arrange, ASingleWindowFillsTheWorkArea) {
    HWND a = At(100, 100);
    Command(Proxy({a}), CmdTileLeftRight);
    TileArea area = WorkArea();
    EXPECT_TRUE(IsAt(a, area.left, area.top, area.right - area.left, area.bottom - area.top));
}

TEST_F(Arrange, TilingRestoresMaximisedWindowsAndOnlyMovesFixedSizeOnes) {
    HWND zoomed = At(100, 100, "maximized"), fixed = At(100, 100, "fixed"),
         minimised = At(100, 100, "minimized");
    ASSERT_TRUE(IsZoomed(zoomed));
    ASSERT_TRUE(IsIconic(minimised));
    RECT fixedBefore = Rect(fixed);
    Command(Proxy({zoomed, fixed, minimised}), CmdTileLeftRight);
    EXPECT_FALSE(IsZoomed(zoomed));
    EXPECT_FALSE(IsIconic(minimised));
    TilePlace p1 = Cell(3, CmdTileLeftRight, 1);
    EXPECT_TRUE(IsAt(zoomed, Cell(3, CmdTileLeftRight, 0)));
    EXPECT_TRUE(IsAt(fixed, p1.x, p1.y, fixedBefore.right - fixedBefore.left,
                     fixedBefore.bottom - fixedBefore.top));
    EXPECT_TRUE(IsAt(minimised, Cell(3, CmdTileLeftRight, 2)));
}

TEST_F(Arrange, HiddenMembersAreNeitherCountedNorMoved) {
    HWND a = At(100, 100), hidden = At(640, 480, "hidden"), b = At(100, 100);
    Command(Proxy({a, hidden, b}), CmdTileTopBottom);
    EXPECT_TRUE(IsAt(a, Cell(2, CmdTileTopBottom, 0)));
    EXPECT_TRUE(IsAt(b, Cell(2, CmdTileTopBottom, 1)));
    EXPECT_TRUE(IsAt(hidden, 640, 480, 300, 200));
}

TEST_F(Arrange, AHungWindowKeepsItsPlaceAndItsCellStaysEmpty) {
    testing_support::TestApp hungApp;
    ASSERT_TRUE(hungApp.Launch());
    std::vector<HWND> hung = hungApp.Open("x=640 y=480 w=300 h=200");
    ASSERT_EQ(hung.size(), 1u);
    HWND a = At(100, 100), b = At(100, 100);
    HWND proxy = Proxy({a, hung[0], b});
    ASSERT_EQ(hungApp.Send("hang"), "ok");
    Command(proxy, CmdTileLeftRight);
    EXPECT_TRUE(IsAt(a, Cell(3, CmdTileLeftRight, 0)));
    EXPECT_TRUE(IsAt(hung[0], 640, 480, 300, 200));
    EXPECT_TRUE(IsAt(b, Cell(3, CmdTileLeftRight, 2)));
    hungApp.Send("unhang");
}

TEST_F(Arrange, AWindowShownDuringTheTilingIsLeftWhereItIs) {
    // Windows of a thread of this test: the first one shows the hidden one
    // when it is moved, in the middle of the pass.
    WindowThread thread;
    TestWindowOptions late;
    late.title = "late";
    late.x = 640;
    late.y = 480;
    late.style = WS_OVERLAPPEDWINDOW; // hidden for now
    HWND lateWindow = thread.Create(late);
    TestWindowOptions first;
    first.title = "first";
    first.showOnMove = lateWindow;
    HWND firstWindow = thread.Create(first);
    HWND second = thread.Create("second");
    Command(Proxy({firstWindow, second, lateWindow}), CmdTileLeftRight);
    EXPECT_TRUE(IsWindowVisible(lateWindow)) << "the window was not shown during the pass";
    EXPECT_TRUE(IsAt(firstWindow, Cell(2, CmdTileLeftRight, 0)));
    EXPECT_TRUE(IsAt(second, Cell(2, CmdTileLeftRight, 1)));
    EXPECT_TRUE(IsAt(lateWindow, 640, 480, 300, 200));
}

TEST_F(Arrange, NoVisibleMemberMeansNothingMoves) {
    HWND a = At(640, 480, "hidden"), b = At(10, 20, "hidden");
    HWND proxy = Proxy({a, b});
    for (UINT command : {CmdTileTopBottom, CmdTileLeftRight, CmdCascade})
        Command(proxy, command);
    EXPECT_TRUE(IsAt(a, 640, 480, 300, 200));
    EXPECT_TRUE(IsAt(b, 10, 20, 300, 200));
}
