// The command-line modes of the stand-in taskbar and the test application,
// which the demo script uses.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/processes.h"
#include "tests/support/standin.h"
#include "tests/support/support.h"
#include "tests/support/testapp.h"

using testing_support::BinDir;
using testing_support::RunProgram;
using testing_support::StandinTaskbar;
using testing_support::TestApp;
using testing_support::WaitUntil;
using testing_support::WindowRef;

namespace {

std::string Standin(const char* arguments) {
    return "\"" + BinDir() + "standin_taskbar.exe\" " + arguments;
}
std::string App(const std::string& arguments) {
    return "\"" + BinDir() + "testapp.exe\" " + arguments;
}

TEST(ToolsCommandLine, TheStandinPrintsItsButtonsInUtf8AndQuitsOnRequest) {
    StandinTaskbar taskbar;
    ASSERT_TRUE(taskbar.Start());
    TestApp app;
    // "文書" in Shift-JIS; printed in UTF-8 (e6 96 87 e6 9b b8).
    ASSERT_TRUE(app.Launch("open title=\"\x95\xb6\x8f\x91\""));
    HWND w = app.Windows()[0];
    ASSERT_TRUE(WaitUntil([&] { return taskbar.ButtonWindows() == std::vector<HWND>{w}; }));

    std::string out;
    EXPECT_EQ(RunProgram(Standin("/print"), &out), 0);
    EXPECT_NE(out.find("button index=0 hwnd=" + WindowRef(w)), std::string::npos) << out;
    EXPECT_NE(out.find("title=\xe6\x96\x87\xe6\x9b\xb8\n"), std::string::npos) << out;
    EXPECT_EQ(RunProgram(Standin("/wait 1000"), &out), 0);
    EXPECT_EQ(RunProgram(Standin("/clearlog"), &out), 0);
    EXPECT_EQ(RunProgram(Standin("/bogus"), &out), 2);

    EXPECT_EQ(RunProgram(Standin("/quit"), &out), 0);
    EXPECT_NE(RunProgram(Standin("/print"), &out), 0);
    EXPECT_NE(RunProgram(Standin("/wait 300"), &out), 0);
}

TEST(ToolsCommandLine, TestAppsAreReachedByLabelOrProcessId) {
    std::string out;
    TestApp byPid;
    ASSERT_TRUE(byPid.Launch("open"));
    HWND w = byPid.Windows()[0];
    // A title with a blank, in quotes on the command line as a shell passes it.
    EXPECT_EQ(
        RunProgram(App("/to " + std::to_string(byPid.processId()) + " title #0 \"two words\""),
                   &out),
        0);
    EXPECT_EQ(out, "ok\n");
    char title[64];
    GetWindowTextA(w, title, sizeof title);
    EXPECT_STREQ(title, "two words");

    EXPECT_NE(RunProgram(App("/to nobody list"), &out), 0);
    EXPECT_NE(RunProgram(App("/to " + std::to_string(byPid.processId()) + " fly"), &out), 0);
    EXPECT_EQ(out.compare(0, 6, "error:"), 0) << out;
}

UINT TaskbarCreated = 0;
int TaskbarCreatedCount = 0;

LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == TaskbarCreated && TaskbarCreated) ++TaskbarCreatedCount;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST(ToolsCommandLine, TheStandinAnnouncesItselfAsANewTaskbarAtStartAndOnRequest) {
    TaskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TaskbarCreatedCounter";
    RegisterClassA(&wc);
    // Hidden and top-level, like pelmora's main window: broadcasts reach it.
    HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, nullptr,
                                nullptr, wc.hInstance, nullptr);
    ASSERT_NE(hwnd, nullptr);
    StandinTaskbar taskbar;
    ASSERT_TRUE(taskbar.Start());
    EXPECT_TRUE(WaitUntil([] { return TaskbarCreatedCount == 1; }));
    std::string out;
    EXPECT_EQ(RunProgram(Standin("/taskbarcreated"), &out), 0);
    EXPECT_TRUE(WaitUntil([] { return TaskbarCreatedCount == 2; }));
    DestroyWindow(hwnd);
}

} // namespace
