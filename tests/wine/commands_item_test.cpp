// Choosing a window item of the group menu, and ForceForeground, on windows
// of the test application.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "core/globals.h"
#include "taskbar/commands.h"
#include "taskbar/group_menu.h"
#include "tests/support/group_fixture.h"
#include "tests/support/support.h"
#include "tests/support/testapp.h"

using testing_support::WaitUntil;

namespace {

class WindowItem : public testing_support::GroupMenuTest {
  protected:
    void SetUp() override {
        GroupMenuTest::SetUp();
        std::vector<HWND> w = Open("count=2");
        ASSERT_EQ(w.size(), 2u);
        a = w[0];
        b = w[1];
        group = Group({b, a});
        ASSERT_TRUE(group && group->tab);
        proxy = group->tab->hwnd;
    }
    void Choose(HWND w) { SendMessageA(proxy, WM_COMMAND, (WPARAM)HandleToUlong(w), 0); }

    HWND a = nullptr, b = nullptr, proxy = nullptr;
    WndGroup* group = nullptr;
};

} // namespace

TEST_F(WindowItem, ChoosingAMinimisedWindowRestoresItAndClearsItsFlashing) {
    ASSERT_TRUE(Tell("minimize", a));
    MemberOf(group, a)->flashing = 1;
    MemberOf(group, b)->flashing = 1;
    MenuSelection = 5;
    Choose(a);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(a); }));
    EXPECT_EQ(MemberOf(group, a)->flashing, 0);
    EXPECT_EQ(MemberOf(group, b)->flashing, 1);
    EXPECT_EQ(MenuSelection, 0u);
}

TEST_F(WindowItem, ChoosingAnotherWindowBringsItToTheForeground) {
    for (HWND w : {a, b, a}) {
        MemberOf(group, w)->flashing = 1;
        Choose(w);
        EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == w; })) << w;
        EXPECT_EQ(MemberOf(group, w)->flashing, 0);
    }
}

TEST_F(WindowItem, AWindowOutsideTheProxysGroupIsNeverActedOn) {
    std::vector<HWND> others = Open("count=3 minimized");
    ASSERT_EQ(others.size(), 3u);
    HWND stranger = others[0];
    // Windows of another group, too.
    WndGroup* otherGroup = Group({others[1], others[2]});
    ASSERT_NE(otherGroup, nullptr);
    MemberOf(otherGroup, others[1])->flashing = 1;
    MenuSelection = 5;
    Choose(stranger);
    Choose(others[1]);
    SyncWithWindow(stranger);
    EXPECT_TRUE(IsIconic(stranger));
    EXPECT_TRUE(IsIconic(others[1]));
    EXPECT_EQ(MemberOf(otherGroup, others[1])->flashing, 1);
    EXPECT_EQ(MenuSelection, 5u);
}

TEST_F(WindowItem, AWindowItemAtAWindowWithoutProxyDoesNothing) {
    ASSERT_TRUE(Tell("minimize", a));
    HWND plain = Open()[0];
    OnProxyCommand(plain, (WPARAM)HandleToUlong(a));
    SyncWithWindow(a);
    EXPECT_TRUE(IsIconic(a));
}

TEST_F(WindowItem, ForceForegroundPutsTheLockTimeOutBack) {
    DWORD original = 0;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &original, 0));
    for (DWORD before : {200000ul, 0ul, 12345ul}) {
        ASSERT_TRUE(
            SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, (PVOID)(UINT_PTR)before, 0));
        HWND target = GetForegroundWindow() == a ? b : a;
        EXPECT_TRUE(ForceForeground(target));
        EXPECT_EQ(GetForegroundWindow(), target);
        DWORD after = 0;
        ASSERT_TRUE(SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &after, 0));
        EXPECT_EQ(after, before);
    }
    SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, (PVOID)(UINT_PTR)original, 0);
}

TEST_F(WindowItem, ForceForegroundOfAHungWindowComesBack) {
    testing_support::TestApp hungApp;
    ASSERT_TRUE(hungApp.Launch());
    std::vector<HWND> hung = hungApp.Open();
    ASSERT_EQ(hung.size(), 1u);
    ASSERT_EQ(hungApp.Send("hang"), "ok");
    ForceForeground(hung[0]); // bounded waits: returns although the window never answers
    hungApp.Send("unhang");
    EXPECT_TRUE(IsWindow(hung[0]));
}
