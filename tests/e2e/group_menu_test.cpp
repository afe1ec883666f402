// The group menu of the real program, opened the way a user opens it: a mouse
// click on the proxy's button in the stand-in taskbar. Its window items and
// batch items are clicked with the mouse too.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "taskbar/group_menu.h"
#include "taskbar/pure/tiling.h"
#include "tests/support/processes.h"
#include "tests/support/program.h"
#include "tests/support/standin.h"
#include "tests/support/support.h"
#include "tests/support/testapp.h"

using namespace testing_support;

namespace {

constexpr UINT GetMenuHandleMessage = 0x01E1; // MN_GETHMENU
constexpr int BatchItemCount = 6;

// The visible popup menus ("#32768") of a process.
std::vector<HWND> MenusOf(DWORD pid) {
    std::vector<HWND> menus;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        char cls[16] = "";
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && IsWindowVisible(w) && GetClassNameA(w, cls, sizeof cls) &&
            strcmp(cls, "#32768") == 0)
            menus.push_back(w);
    }
    return menus;
}

RECT ScreenClientRect(HWND w) {
    RECT rc = {};
    GetClientRect(w, &rc);
    MapWindowPoints(w, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

class GroupMenuE2E : public ::testing::Test {
  protected:
    // The stand-in, an editor with three windows (the last one opened is in
    // front), and the program with the given settings, showing "3 editor".
    void Start(const char* ini) {
        ASSERT_TRUE(taskbar_.Start());
        ASSERT_TRUE(editor_.Launch("open count=3 title=\"memo%d.txt - editor\"", "editor.exe"));
        edits_ = editor_.Windows();
        ASSERT_EQ(edits_.size(), 3u);
        dir_ = MakeProgramCopy("menu", ini);
        ASSERT_FALSE(dir_.empty());
        ASSERT_TRUE(program_.Start(dir_));
        // Settled: the members' buttons are gone, so the proxy's stays where it is.
        ASSERT_TRUE(WaitUntil(
            [&] {
                return Proxy(&proxy_) && proxy_.title == "3 editor" &&
                       ButtonsAreExactly(taskbar_, {proxy_.hwnd});
            },
            20000))
            << taskbar_.Text();
    }

    void TearDown() override {
        if (!program_.Running()) return;
        EXPECT_EQ(program_.ExitThroughTrayMenu(), 0u);
        EXPECT_EQ(ReadErrorLog(dir_), "");
    }

    bool Proxy(TaskbarButton* out) const {
        for (const TaskbarButton& b : taskbar_.Buttons()) {
            DWORD pid = 0;
            GetWindowThreadProcessId(b.hwnd, &pid);
            if (pid == program_.Pid()) {
                *out = b;
                return true;
            }
        }
        return false;
    }

    // A click on the proxy's button. Wine reports the taskbar as the screen's
    // bottom pixel row, and the stand-in maps clicks to buttons by x alone, so
    // the click goes to that row. The menu that opened, or null.
    HWND ClickProxyButton() {
        if (!Proxy(&proxy_)) return nullptr;
        click_.x = (proxy_.rect.left + proxy_.rect.right) / 2;
        click_.y = GetSystemMetrics(SM_CYSCREEN) - 1;
        if (!ClickAt(click_.x, click_.y)) return nullptr;
        HWND menu = nullptr;
        WaitUntil(
            [&] {
                std::vector<HWND> menus = MenusOf(program_.Pid());
                menu = menus.empty() ? nullptr : menus[0];
                return menu != nullptr;
            },
            10000);
        return menu;
    }

    // Where the menu's items are: the six batch items on top (Menu 0), a
    // separator, then one item of MenuItemHeight per window. The batch items'
    // height is the system's, taken from what is left of the client area.
    POINT WindowItemCenter(HWND menu, int index, int windowItems) const {
        RECT rc = ScreenClientRect(menu);
        int top = rc.bottom - windowItems * MenuItemHeight + index * MenuItemHeight;
        return POINT{(rc.left + rc.right) / 2, top + MenuItemHeight / 2};
    }
    POINT BatchItemCenter(HWND menu, int index, int windowItems) const {
        RECT rc = ScreenClientRect(menu);
        int batchHeight = rc.bottom - rc.top - windowItems * MenuItemHeight - SeparatorAllowance;
        int itemHeight = batchHeight / BatchItemCount;
        return POINT{(rc.left + rc.right) / 2, rc.top + index * itemHeight + itemHeight / 2};
    }

    static void ClickAway() {
        ClickAt(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 3);
    }

    bool MenuClosed() const { return MenusOf(program_.Pid()).empty(); }

    static constexpr int SeparatorAllowance = 6; // a separator row, give or take a pixel

    StandinTaskbar taskbar_;
    TestApp editor_;
    std::vector<HWND> edits_;
    std::string dir_;
    ProgramProcess program_;
    TaskbarButton proxy_ = {};
    POINT click_ = {};
};

TEST_F(GroupMenuE2E, AClickOnTheProxyButtonOpensTheMenuAtTheCursorAndAnItemBringsItsWindowForward) {
    Start(nullptr);
    HWND menu = ClickProxyButton();
    ASSERT_NE(menu, nullptr) << taskbar_.Text();
    RECT rc;
    GetWindowRect(menu, &rc);
    // Opened at the cursor: the menu touches the clicked point (it opens upwards
    // from the screen's last row).
    InflateRect(&rc, 2, 2);
    EXPECT_TRUE(PtInRect(&rc, click_)) << rc.left << "," << rc.top << " " << rc.right << ","
                                       << rc.bottom << " click " << click_.x << "," << click_.y;
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    EXPECT_TRUE(SaveScreenshot(screen, ArtifactsDir() + "group_menu.png"));

    // The window items follow the member list, newest member first; the scan
    // took the front window first, so the first item is the back window.
    POINT item = WindowItemCenter(menu, 0, 3);
    ASSERT_TRUE(ClickAt(item.x, item.y));
    EXPECT_TRUE(
        WaitUntil([&] { return MenuClosed() && GetForegroundWindow() == edits_[0]; }, 10000))
        << "foreground " << GetForegroundWindow();
}

TEST_F(GroupMenuE2E, TheTopBottomTilingItemTilesTheGroupsWindows) {
    Start(nullptr);
    HWND menu = ClickProxyButton();
    ASSERT_NE(menu, nullptr) << taskbar_.Text();
    POINT item = BatchItemCenter(menu, 4, 3); // 上下に並べて表示
    ASSERT_TRUE(ClickAt(item.x, item.y));

    // Three windows in one column, one above the other, filling the work area.
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    TileArea area = {work.left, work.top, work.right, work.bottom};
    TileLayout layout = MakeTileLayout(3, TileTopBottom);
    std::vector<std::vector<int>> expected;
    for (int k = 0; k < 3; ++k) {
        int column = 0, row = 0;
        ASSERT_TRUE(TileCell(layout, k, &column, &row));
        TilePlace p = TileCellPlace(area, layout, column, row);
        expected.push_back({p.x, p.y, p.x + p.width, p.y + p.height});
    }
    std::sort(expected.begin(), expected.end());
    std::vector<std::vector<int>> actual;
    EXPECT_TRUE(WaitUntil(
        [&] {
            actual.clear();
            for (HWND w : edits_) {
                RECT r;
                GetWindowRect(w, &r);
                actual.push_back({r.left, r.top, r.right, r.bottom});
            }
            std::sort(actual.begin(), actual.end());
            return MenuClosed() && actual == expected;
        },
        10000))
        << "first window at " << actual[0][0] << "," << actual[0][1] << " " << actual[0][2] << ","
        << actual[0][3];
}

TEST_F(GroupMenuE2E, AnActivationOfTheProxyAwayFromTheTaskbarOpensNothing) {
    Start(nullptr);
    ASSERT_TRUE(ClickAt(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2));
    // As when the user switches to it with Alt+Tab.
    ASSERT_TRUE(SetForegroundWindow(proxy_.hwnd));
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == proxy_.hwnd; }, 10000));
    // The activation was handled once the proxy's thread answers: a menu would
    // be running its loop by then.
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(proxy_.hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_TRUE(MenuClosed());
}

TEST_F(GroupMenuE2E, AfterAMemberFlashedClosingTheMenuGivesTheProxyAFreshButton) {
    // Hooks only: a flash shows as caption toggles and a title change, which
    // are sent messages, and with the taskbar subclass in place the library
    // records posted messages only.
    Start("[pelmora]\r\nFlash=1\r\nSubClass=0\r\n");
    for (const char* command : {"flash #1", "flash #1", "title #1 \"memo1.txt - editor\""})
        ASSERT_EQ(editor_.Send(command), "ok");
    ASSERT_TRUE(WaitUntil([&] { return Proxy(&proxy_) && proxy_.flashing; }, 10000))
        << taskbar_.Text();
    ASSERT_TRUE(taskbar_.ClearCalls());
    HWND menu = ClickProxyButton();
    ASSERT_NE(menu, nullptr) << taskbar_.Text();
    // A click away from the menu closes it without a choice.
    ClickAway();
    ASSERT_TRUE(WaitUntil([&] { return MenuClosed(); }, 10000));
    EXPECT_TRUE(WaitUntil(
        [&] {
            std::vector<TaskbarListCall> calls = taskbar_.Calls();
            bool deleted = false, addedAfter = false;
            for (const TaskbarListCall& c : calls) {
                if (c.hwnd != proxy_.hwnd) continue;
                if (c.op == "DeleteTab") deleted = true;
                if (c.op == "AddTab" && deleted) addedAfter = true;
            }
            TaskbarButton now;
            return addedAfter && Proxy(&now) && !now.flashing;
        },
        10000))
        << taskbar_.Text();
}

TEST_F(GroupMenuE2E, ARightClickOnAWindowItemClosesTheMenuAndOpensThatWindowsSystemMenu) {
    Start(nullptr);
    HWND menu = ClickProxyButton();
    ASSERT_NE(menu, nullptr) << taskbar_.Text();
    POINT item = WindowItemCenter(menu, 0, 3);
    // Wine's menu loop drops right-button releases instead of telling the
    // owner, so the pointer is moved there for real and the notice Windows
    // sends for the release (WM_MENURBUTTONUP: item position, menu) is sent
    // to the proxy as the loop would.
    ASSERT_TRUE(ClickAt(item.x, item.y, 3));
    HMENU hmenu = reinterpret_cast<HMENU>(SendMessageA(menu, GetMenuHandleMessage, 0, 0));
    ASSERT_NE(hmenu, nullptr);
    SendMessageA(proxy_.hwnd, WM_MENURBUTTONUP, BatchItemCount + 1,
                 reinterpret_cast<LPARAM>(hmenu));
    EXPECT_TRUE(
        WaitUntil([&] { return MenuClosed() && !MenusOf(editor_.processId()).empty(); }, 10000));
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    EXPECT_TRUE(SaveScreenshot(screen, ArtifactsDir() + "group_menu_system_menu.png"));
    ClickAway();
}

} // namespace
