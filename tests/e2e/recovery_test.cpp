// Draft against today's support (ported after the lean suite lands).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "taskbar/group_menu.h"
#include "tests/support/program.h"
#include "tests/support/standin.h"
#include "tests/support/support.h"
#include "tests/support/testapp.h"

using namespace testing_support;

namespace {

HWND ProxyOf(const StandinTaskbar& taskbar, DWORD pid, const char* title) {
    for (const TaskbarButton& b : taskbar.Buttons()) {
        DWORD owner = 0;
        GetWindowThreadProcessId(b.hwnd, &owner);
        if (owner == pid && (!title || b.title == title)) return b.hwnd;
    }
    return nullptr;
}

TEST(Recovery, AKilledRunIsFollowedByOneThatGroupsAgainAndGivesEveryButtonBack) {
    StandinTaskbar taskbar;
    ASSERT_TRUE(taskbar.Start());
    TestApp editor;
    ASSERT_TRUE(editor.Launch("open count=2 title=\"memo%d.txt - editor\"", "editor.exe"));
    std::string dir = MakeProgramCopy("killed", nullptr);
    ProgramProcess killed;
    ASSERT_TRUE(killed.Start(dir));
    HWND proxy = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        proxy = ProxyOf(taskbar, killed.Pid(), "2 editor");
        return proxy && ButtonsAreExactly(taskbar, {proxy});
    }, 20000)) << taskbar.Text();
    killed.Kill();
    ProgramProcess next;
    ASSERT_TRUE(next.Start(dir));
    ASSERT_NE(next.WaitMainWindow(), nullptr);
    ASSERT_EQ(editor.Open("title=\"memo3.txt - editor\"").size(), 1u);
    ASSERT_TRUE(WaitUntil([&] {
        proxy = ProxyOf(taskbar, next.Pid(), "3 editor");
        return proxy && ButtonsAreExactly(taskbar, {proxy});
    }, 20000)) << taskbar.Text();
    EXPECT_EQ(next.ExitThroughTrayMenu(), 0u);
    EXPECT_TRUE(WaitUntil([&] { return ButtonsAreExactly(taskbar, editor.Windows()); }))
        << taskbar.Text();
    EXPECT_EQ(ReadErrorLog(dir), "");
}

TEST(Recovery, AHungMemberCostsTheMenuAndEachBatchCommandLessThanThreeSeconds) {
    StandinTaskbar taskbar;
    ASSERT_TRUE(taskbar.Start());
    TestApp a, b;
    ASSERT_TRUE(a.Launch("open count=2"));
    ASSERT_TRUE(b.Launch("open count=1"));
    std::string dir = MakeProgramCopy("hung", nullptr);
    ProgramProcess program;
    ASSERT_TRUE(program.Start(dir));
    HWND proxy = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (proxy = ProxyOf(taskbar, program.Pid(), "3 testapp")); },
                          20000)) << taskbar.Text();
    ASSERT_EQ(b.Send("hang 20000"), "ok");
    for (UINT id : {CmdMinimizeAll, CmdShowAll, CmdCascade, CmdTileTopBottom, CmdTileLeftRight}) {
        DWORD start = GetTickCount();
        DWORD_PTR r = 0;
        EXPECT_TRUE(SendMessageTimeoutA(proxy, WM_COMMAND, id, 0, SMTO_NORMAL, 3000, &r)) << id;
        printf("command %u: %lu ms\n", id, GetTickCount() - start);
        if (id == CmdMinimizeAll) {
            for (HWND w : a.Windows()) EXPECT_TRUE(WaitUntil([&] { return IsIconic(w) != 0; })) << id;
        }
    }
    b.Send("unhang");
}

TEST(Recovery, WindowsShownWithoutActivationInABurstEndUpCounted) {
    StandinTaskbar taskbar;
    ASSERT_TRUE(taskbar.Start());
    TestApp editor;
    ASSERT_TRUE(editor.Launch("open count=2 title=\"memo%d.txt - editor\"", "editor.exe"));
    std::vector<HWND> hidden = editor.Open("count=4 hidden title=\"h%d - editor\"");
    ASSERT_EQ(hidden.size(), 4u);
    std::string dir = MakeProgramCopy("settle", "[pelmora]\r\nSubClass=0\r\n");
    ProgramProcess program;
    ASSERT_TRUE(program.Start(dir));
    HWND proxy = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (proxy = ProxyOf(taskbar, program.Pid(), "2 editor")); },
                          20000)) << taskbar.Text();
    for (HWND w : hidden) ShowWindowAsync(w, SW_SHOWNA);
    EXPECT_TRUE(WaitUntil([&] { return ProxyOf(taskbar, program.Pid(), "6 editor"); }, 10000))
        << taskbar.Text();
}

} // namespace
