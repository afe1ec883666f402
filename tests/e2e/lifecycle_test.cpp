// The life of the real program: one instance, the exit command, the restart when
// the shell announces a new taskbar.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/program.h"
#include "tests/support/support.h"

using namespace testing_support;

namespace {

TEST(Lifecycle, ExitCommandEndsTheProgramWithCodeZero) {
    std::string dir = MakeProgramCopy("exit", "[pelmora]\r\nSubClass=0\r\n");
    ASSERT_FALSE(dir.empty());
    ProgramProcess program;
    ASSERT_TRUE(program.Start(dir));
    HWND main = program.WaitMainWindow();
    ASSERT_NE(main, nullptr);
    PostMessageA(main, WM_COMMAND, 206, 0);
    DWORD code = 1;
    ASSERT_TRUE(program.WaitExit(20000, &code));
    EXPECT_EQ(code, 0u);
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

TEST(Lifecycle, TaskbarCreatedEndsTheProgramAndStartsItAgainFromTheSamePath) {
    std::string dir = MakeProgramCopy("restart", "[pelmora]\r\nSubClass=0\r\n");
    ASSERT_FALSE(dir.empty());
    ProgramProcess old;
    ASSERT_TRUE(old.Start(dir));
    ASSERT_NE(old.WaitMainWindow(), nullptr);

    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(old.WaitExit(20000, &code));
    EXPECT_EQ(code, 0u);

    DWORD pid = WaitProgramFrom(dir + "pelmora.exe", old.Pid());
    ASSERT_NE(pid, 0u);
    ProgramProcess restarted;
    ASSERT_TRUE(restarted.Attach(pid));
    // The new instance got its hook: the old one gave it back before starting it.
    EXPECT_EQ(WaitMessageBox(pid, "グローバルフックの設定に失敗しました", 1000), nullptr);
    PostMessageA(restarted.WaitMainWindow(), WM_COMMAND, 206, 0);
    ASSERT_TRUE(restarted.WaitExit(20000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(ReadErrorLog(dir), "");
}

}  // namespace
