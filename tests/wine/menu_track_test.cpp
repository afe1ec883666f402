// Opening, tracking and closing the group menu, and the right-click path.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include "core/globals.h"
#include "taskbar/group_menu.h"
#include "tests/support/group_fixture.h"
#include "tests/support/support.h"

using testing_support::WaitUntil;

namespace {

// Watches the proxy's messages: counts the menu loops and runs onIdle once the
// menu waits for input. Whatever onIdle leaves open is ended by the next idle,
// and counted as a menu that outlived its action.
struct MenuWatch {
    WNDPROC original = nullptr;
    int loops = 0;
    int idles = 0;
    std::function<void(HWND)> onIdle;
};
MenuWatch watch;

LRESULT CALLBACK WatchProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENTERMENULOOP) ++watch.loops;
    if (message == WM_ENTERIDLE && wParam == MSGF_MENU) {
        if (++watch.idles == 1 && watch.onIdle) {
            watch.onIdle(hwnd);
        } else {
            EndMenu();
        }
    }
    return CallWindowProcA(watch.original, hwnd, message, wParam, lParam);
}

RECT TaskbarRect() {
    APPBARDATA data = {};
    data.cbSize = sizeof data;
    RECT r = {0, 0, 0, 0};
    if (SHAppBarMessage(ABM_GETTASKBARPOS, &data)) r = data.rc;
    return r;
}

POINT OnTaskbar() {
    RECT r = TaskbarRect();
    return POINT{r.left + 10 <= r.right ? r.left + 10 : r.left, r.top};
}

POINT AwayFromTaskbar() {
    RECT r = TaskbarRect();
    // The middle of the screen, unless the taskbar covers it.
    POINT p = {GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2};
    if (p.y >= r.top && p.y <= r.bottom) p.y = r.top > 100 ? r.top - 100 : r.bottom + 100;
    return p;
}

class MenuTrack : public testing_support::GroupMenuTest {
  protected:
    void SetUp() override {
        GroupMenuTest::SetUp();
        savedReady = MenuReady;
        MenuReady = 1;
        std::vector<HWND> w = Open("count=2");
        ASSERT_EQ(w.size(), 2u);
        a = w[0];
        b = w[1];
        group = Group({b, a});
        ASSERT_TRUE(group && group->tab);
        proxy = group->tab->hwnd;
        watch = MenuWatch();
        watch.original = (WNDPROC)SetWindowLongPtrA(proxy, GWLP_WNDPROC, (LONG_PTR)WatchProc);
        taskbar->Clear();
    }
    void TearDown() override {
        // A system menu the test opened in the application would hold it in
        // its menu loop until it is ended.
        for (HWND w : app.Windows())
            PostMessageA(w, WM_CANCELMODE, 0, 0);
        GroupMenuTest::TearDown();
        MenuReady = savedReady;
    }

    // How often the window was asked to pop up its system menu.
    int SystemMenuRequests(HWND w) const {
        int n = 0;
        for (const std::string& e : app.Events(w))
            n += e.compare(0, 16, "popupsystemmenu ") == 0;
        return n;
    }

    HWND a = nullptr, b = nullptr;
    WndGroup* group = nullptr;
    HWND proxy = nullptr;
    int savedReady = 0;
};

} // namespace

TEST_F(MenuTrack, ClosingTheMenuOfAFlashingProxyReaddsItsButtonAndClearsTheFlash) {
    group->tab->flashPending = 1;
    ShowGroupMenu(proxy);
    EXPECT_EQ(watch.loops, 1);
    EXPECT_EQ(group->tab->flashPending, 0);
    EXPECT_EQ(taskbar->calls,
              (std::vector<testing_support::TaskbarCall>{testing_support::DeleteCall(proxy),
                                                         testing_support::AddCall(proxy)}));
}

TEST_F(MenuTrack, ClosingTheMenuOfAQuietProxyLeavesItsButtonAlone) {
    ShowGroupMenu(proxy);
    EXPECT_EQ(watch.loops, 1);
    EXPECT_TRUE(taskbar->calls.empty());
}

TEST_F(MenuTrack, ActivationOpensTheMenuOnlyByTheTaskbarButton) {
    struct Case {
        const char* what;
        WPARAM state;
        bool onTaskbar;
        int ready;
        int loops;
    } cases[] = {
        {"activated from the taskbar", WA_ACTIVE, true, 1, 1},
        {"activated with the cursor elsewhere", WA_ACTIVE, false, 1, 0},
        {"clicked itself", WA_CLICKACTIVE, true, 1, 0},
        {"deactivated", WA_INACTIVE, true, 1, 0},
        {"before start-up finished", WA_ACTIVE, true, 0, 0},
    };
    for (const Case& c : cases) {
        watch.loops = 0;
        watch.idles = 0;
        MenuReady = c.ready;
        POINT p = c.onTaskbar ? OnTaskbar() : AwayFromTaskbar();
        SetCursorPos(p.x, p.y);
        SendMessageA(proxy, WM_ACTIVATE, c.state, 0);
        EXPECT_EQ(watch.loops, c.loops) << c.what;
    }
}

TEST_F(MenuTrack, TheCursorCountsAsOnTheTaskbarOnItsEdgesToo) {
    RECT r = TaskbarRect();
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        POINT at;
        int result;
    } cases[] = {
        {{r.left, r.top}, 0},
        {{(r.left + r.right) / 2, r.top}, 0},
        {{r.right < width ? r.right : width - 1, r.bottom < height ? r.bottom : height - 1}, 0},
        {AwayFromTaskbar(), -1},
    };
    for (const Case& c : cases) {
        SetCursorPos(c.at.x, c.at.y);
        EXPECT_EQ(IsCursorOnTaskbar(), c.result) << c.at.x << "," << c.at.y;
    }
}

TEST_F(MenuTrack, TheSelectionFollowsTheCursorAndSurvivesTheClosingNotice) {
    MenuSelection = 55;
    SendMessageA(proxy, WM_ENTERMENULOOP, TRUE, 0);
    EXPECT_EQ(MenuSelection, 0u);
    SendMessageA(proxy, WM_MENUSELECT, MAKEWPARAM(0x1234, MF_OWNERDRAW), 0);
    EXPECT_EQ(MenuSelection, 0x1234u);
    SendMessageA(proxy, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(MenuSelection, 0x1234u);
}

TEST_F(MenuTrack, RightClickOnAWindowItemOpensThatWindowsSystemMenuAtTheCursor) {
    SetCursorPos(123, 456);
    MenuSelection = LOWORD(HandleToUlong(a));
    SendMessageA(proxy, WM_RBUTTONUP, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return SystemMenuRequests(a) == 1; }));
    EXPECT_TRUE(Received(a, "popupsystemmenu 123 456"));
    EXPECT_EQ(SystemMenuRequests(b), 0);
}

TEST_F(MenuTrack, RightClickWithoutAWindowUnderTheCursorDoesNothing) {
    HWND plain = Open()[0];
    struct Case {
        const char* what;
        HWND at;
        UINT selection;
    } cases[] = {
        {"nothing selected", proxy, 0},
        {"a batch item", proxy, 3},
        {"a window of no group", proxy, LOWORD(HandleToUlong(plain))},
        {"a proxy without group", plain, LOWORD(HandleToUlong(a))},
    };
    for (const Case& c : cases) {
        MenuSelection = c.selection;
        OnProxyRButtonUp(c.at);
    }
    // A request to a window that comes after every case has been handled
    // shows that none of them posted one.
    MenuSelection = LOWORD(HandleToUlong(b));
    SendMessageA(proxy, WM_RBUTTONUP, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return SystemMenuRequests(b) == 1; }));
    EXPECT_EQ(SystemMenuRequests(a), 0);
    EXPECT_EQ(SystemMenuRequests(plain), 0);
}

TEST_F(MenuTrack, RightButtonReleasedOnAnItemOfTheOpenMenuPicksTheItemByPosition) {
    HMENU menu = BuildGroupMenu(proxy); // Menu 0: six batch items, a separator, b, a
    ASSERT_NE(menu, nullptr);
    SendMessageA(proxy, WM_MENURBUTTONUP, 0, (LPARAM)menu); // a batch item
    SendMessageA(proxy, WM_MENURBUTTONUP, 6, (LPARAM)menu); // the separator
    SendMessageA(proxy, WM_MENURBUTTONUP, 8, (LPARAM)menu); // a
    DestroyMenu(menu);
    ASSERT_TRUE(WaitUntil([&] { return SystemMenuRequests(a) == 1; }));
    EXPECT_EQ(SystemMenuRequests(b), 0);
}

TEST_F(MenuTrack, RightClickInTheOpenMenuClosesItBeforeTheSystemMenuOpens) {
    SetCursorPos(200, 300);
    watch.onIdle = [&](HWND at) {
        MenuSelection = LOWORD(HandleToUlong(b));
        SendMessageA(at, WM_RBUTTONUP, 0, 0);
    };
    ShowGroupMenu(proxy);
    EXPECT_EQ(watch.loops, 1);
    EXPECT_EQ(watch.idles, 1) << "the menu stayed open after the right click";
    ASSERT_TRUE(WaitUntil([&] { return SystemMenuRequests(b) == 1; }));
    EXPECT_TRUE(Received(b, "popupsystemmenu 200 300"));
}
