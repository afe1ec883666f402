// The life of the real program: one instance, the exit command, the restart when
// the shell announces a new taskbar.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/program.h"
#include "tests/support/standin.h"
#include "tests/support/support.h"
#include "tests/support/testapp.h"

using namespace testing_support;

namespace {

TEST(Lifecycle, ExitCommandEndsTheProgramWithCodeZero) {
    std::string dir = MakeProgramCopy("exit", "[pelmora]\r\nSubClass=0\r\n");
    ASSERT_FALSE(dir.empty());
    ProgramProcess program;
    ASSERT_TRUE(program.Start(dir));
    ASSERT_NE(program.WaitMainWindow(), nullptr);
    EXPECT_EQ(program.ExitThroughTrayMenu(), 0u);
    EXPECT_EQ(ReadErrorLog(dir), "");
}

TEST(Lifecycle, ASecondStartEndsAtOnceWithCodeZeroAndLeavesTheFirstRunning) {
    std::string dir = MakeProgramCopy("second", "[pelmora]\r\nSubClass=0\r\n");
    ASSERT_FALSE(dir.empty());
    ProgramProcess first;
    ASSERT_TRUE(first.Start(dir));
    HWND main = first.WaitMainWindow();
    ASSERT_NE(main, nullptr);
    ProgramProcess second;
    ASSERT_TRUE(second.Start(dir));
    DWORD code = 1;
    ASSERT_TRUE(second.WaitExit(20000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(FindWindowA("pelmora", nullptr), main);
    EXPECT_EQ(ReadErrorLog(dir), "");
}

class Restart : public ::testing::TestWithParam<const char*> {};

TEST_P(Restart, TaskbarCreatedRestoresButtonsEndsAndStartsAgainFromTheSamePath) {
    StandinTaskbar taskbar;
    ASSERT_TRUE(taskbar.Start());
    TestApp editor;
    ASSERT_TRUE(editor.Launch("open count=2 title=\"memo%d.txt - editor\"", "editor.exe"));
    std::vector<HWND> edits = editor.Windows();
    std::string dir = MakeProgramCopy("restart", GetParam());
    ASSERT_FALSE(dir.empty());
    ProgramProcess old;
    ASSERT_TRUE(old.Start(dir));
    auto proxyOf = [&](DWORD pid) {
        for (const TaskbarButton& b : taskbar.Buttons()) {
            DWORD owner = 0;
            GetWindowThreadProcessId(b.hwnd, &owner);
            if (owner == pid && b.title == "2 editor") return true;
        }
        return false;
    };
    ASSERT_TRUE(WaitUntil([&] { return proxyOf(old.Pid()); }, 20000)) << taskbar.Text();

    // The shell announces a new taskbar, as a restarted explorer does.
    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(old.WaitExit(20000, &code));
    EXPECT_EQ(code, 0u);

    DWORD pid = WaitProgramFrom(dir + "pelmora.exe", old.Pid());
    ASSERT_NE(pid, 0u);
    ProgramProcess restarted;
    ASSERT_TRUE(restarted.Attach(pid));
    // The new instance got its hook (the old one gave it back first) and groups again.
    EXPECT_TRUE(WaitUntil([&] { return proxyOf(pid); }, 20000)) << taskbar.Text();
    EXPECT_FALSE(proxyOf(old.Pid())) << taskbar.Text();
    ASSERT_NE(restarted.WaitMainWindow(), nullptr);
    EXPECT_EQ(restarted.ExitThroughTrayMenu(), 0u);
    EXPECT_TRUE(WaitUntil([&] { return ButtonsAreExactly(taskbar, edits); })) << taskbar.Text();
    EXPECT_EQ(ReadErrorLog(dir), "");
}

// Default settings (SubClass 1, Load 1), and hooks only (SubClass 0).
INSTANTIATE_TEST_SUITE_P(Settings, Restart, ::testing::Values(nullptr, "[pelmora]\r\nSubClass=0\r\n"));

}  // namespace
