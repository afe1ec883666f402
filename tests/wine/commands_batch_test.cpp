// Show all, minimise all and close all on windows of the test application.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "core/globals.h"
#include "core/scan.h"
#include "taskbar/commands.h"
#include "taskbar/group_menu.h"
#include "tests/support/group_fixture.h"
#include "tests/support/support.h"
#include "tests/support/testapp.h"

using testing_support::TestApp;
using testing_support::WaitUntil;

namespace {

class BatchCommands : public testing_support::GroupMenuTest {
  protected:
    WndGroup* GroupWithProxy(const std::vector<HWND>& listed) {
        WndGroup* g = Group(listed);
        proxy = g && g->tab ? g->tab->hwnd : nullptr;
        return g;
    }
    void Command(UINT id) { SendMessageA(proxy, WM_COMMAND, id, 0); }

    HWND proxy = nullptr;
};

} // namespace

TEST_F(BatchCommands, ShowAllRestoresMinimisedWindowsAndClearsFlashing) {
    std::vector<HWND> w = Open("count=3");
    ASSERT_EQ(w.size(), 3u);
    WndGroup* g = GroupWithProxy(w);
    ASSERT_TRUE(Tell("minimize", w[0]));
    ASSERT_TRUE(Tell("minimize", w[2]));
    for (HWND h : w)
        MemberOf(g, h)->flashing = 1;
    MenuSelection = 9;
    Command(CmdShowAll);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(w[0]) && !IsIconic(w[2]); }));
    EXPECT_FALSE(IsIconic(w[1]));
    for (HWND h : w)
        EXPECT_EQ(MemberOf(g, h)->flashing, 0);
    EXPECT_EQ(MenuSelection, 0u);
}

TEST_F(BatchCommands, MinimizeAllMinimisesEveryVisibleWindowAndLeavesHiddenOnesHidden) {
    std::vector<HWND> w = Open("count=3");
    ASSERT_EQ(w.size(), 3u);
    GroupWithProxy(w);
    ASSERT_TRUE(Tell("hide", w[1]));
    MenuSelection = 9;
    Command(CmdMinimizeAll);
    // Each window has handled its request before the command went on.
    EXPECT_TRUE(IsIconic(w[0]));
    EXPECT_TRUE(IsIconic(w[2]));
    EXPECT_TRUE(Received(w[0], "syscommand 0xf020"));
    EXPECT_FALSE(Received(w[1], "syscommand 0xf020"));
    EXPECT_FALSE(IsWindowVisible(w[1]));
    EXPECT_EQ(MenuSelection, 0u);
}

TEST_F(BatchCommands, AHungApplicationDoesNotStopMinimizeAll) {
    TestApp hungApp;
    ASSERT_TRUE(hungApp.Launch());
    std::vector<HWND> hung = hungApp.Open();
    ASSERT_EQ(hung.size(), 1u);
    std::vector<HWND> w = Open("count=2");
    ASSERT_EQ(w.size(), 2u);
    GroupWithProxy({w[0], hung[0], w[1]});
    ASSERT_EQ(hungApp.Send("hang"), "ok");
    Command(CmdMinimizeAll);
    EXPECT_TRUE(IsIconic(w[0]));
    EXPECT_TRUE(IsIconic(w[1]));
    hungApp.Send("unhang");
}

TEST_F(BatchCommands, CloseAllAsksEachWindowAndOneThatStaysOpenStaysInItsGroup) {
    std::vector<HWND> w = Open("count=2");
    std::vector<HWND> unsaved = Open("askclose title=unsaved");
    ASSERT_EQ(w.size(), 2u);
    ASSERT_EQ(unsaved.size(), 1u);
    WndGroup* g = GroupWithProxy({w[0], unsaved[0], w[1]});
    // A title count the group no longer has: the refresh after the requests
    // brings it up to date (or takes the proxy away).
    g->tab->shownCount = 99;
    Command(CmdCloseAll);
    EXPECT_TRUE(g->tab == nullptr || g->tab->shownCount != 99);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(w[0]) && !IsWindow(w[1]); }));
    EXPECT_TRUE(WaitUntil([&] { return Received(unsaved[0], "question"); }));
    EXPECT_TRUE(Received(unsaved[0], "syscommand 0xf060"));
    ASSERT_EQ(app.Send("answer " + testing_support::WindowRef(unsaved[0]) + " cancel"), "ok");
    ASSERT_TRUE(WaitUntil([&] { return Received(unsaved[0], "answer cancel"); }));
    EXPECT_TRUE(IsWindow(unsaved[0]));
    // The next refresh forgets the closed windows; the one left open stays.
    RefreshGroups();
    ASSERT_EQ(LookupGroup(unsaved[0]), g);
    EXPECT_EQ(g->members->hwnd, unsaved[0]);
    EXPECT_EQ(g->members->next, nullptr);
}

TEST_F(BatchCommands, ABatchCommandAtAWindowWithoutProxyDoesNothing) {
    std::vector<HWND> w = Open("count=2");
    ASSERT_EQ(w.size(), 2u);
    GroupWithProxy(w);
    HWND plain = Open()[0];
    for (UINT id = CmdShowAll; id <= CmdTileLeftRight; ++id) {
        MenuSelection = 77;
        OnProxyCommand(plain, id);
        EXPECT_EQ(MenuSelection, 77u) << id;
    }
    SyncWithWindow(w[0]);
    for (HWND h : {w[0], w[1], plain}) {
        EXPECT_TRUE(IsWindow(h));
        EXPECT_FALSE(IsIconic(h));
        EXPECT_FALSE(Received(h, "syscommand 0xf060"));
    }
}
