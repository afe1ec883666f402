// The notification-area icon of the real program, as the stand-in taskbar shows
// it: the exit command, a second start, and the command that removes the icon.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/program.h"
#include "tests/support/standin.h"
#include "tests/support/support.h"
#include "tests/support/testapp.h"

using namespace testing_support;

namespace {

constexpr UINT TrayCallbackMessage = 0x8064;
constexpr char HideNotice[] = "再びタスクトレイにアイコンを表示するにはpelmora.exeを起動してください";

class TrayIcon : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(taskbar_.Start()); }

    // Starts a program copy with the given settings and waits for its main window.
    void StartProgram(const char* ini) {
        dir_ = MakeProgramCopy("tray", ini);
        ASSERT_FALSE(dir_.empty());
        ASSERT_TRUE(program_.Start(dir_));
        main_ = program_.WaitMainWindow();
        ASSERT_NE(main_, nullptr);
    }

    // The icons the stand-in shows for the program's main window.
    std::vector<TaskbarNotifyIcon> Icons() {
        std::vector<TaskbarNotifyIcon> mine;
        for (const TaskbarNotifyIcon& icon : taskbar_.NotifyIcons())
            if (icon.owner == main_) mine.push_back(icon);
        return mine;
    }
    bool ShowsOneIcon() {
        std::vector<TaskbarNotifyIcon> icons = Icons();
        return icons.size() == 1 && icons[0].id == 1 && icons[0].callbackMessage == TrayCallbackMessage;
    }

    // A second start of the same program: it must end at once with code 0.
    void StartAgain() {
        ProgramProcess second;
        ASSERT_TRUE(second.Start(dir_));
        DWORD code = 1;
        ASSERT_TRUE(second.WaitExit(20000, &code));
        EXPECT_EQ(code, 0u);
    }

    // Command 209: the notice comes first, the icon goes once it is answered.
    void RemoveIconThroughTheMenuCommand() {
        PostMessageA(main_, WM_COMMAND, 209, 0);
        HWND notice = WaitMessageBox(program_.Pid(), HideNotice);
        ASSERT_NE(notice, nullptr);
        char caption[64] = "";
        GetWindowTextA(notice, caption, sizeof caption);
        EXPECT_STREQ(caption, "注意");
        EXPECT_TRUE(ShowsOneIcon()) << "the icon went before the notice was answered";
        PressOk(notice);
        EXPECT_TRUE(WaitUntil([&] { return Icons().empty(); })) << taskbar_.Text();
    }

    StandinTaskbar taskbar_;
    std::string dir_;
    ProgramProcess program_;
    HWND main_ = nullptr;
};

TEST_F(TrayIcon, ExitCommandRestoresEveryButtonRemovesTheIconAndExitsWithZero) {
    TestApp editor;
    ASSERT_TRUE(editor.Launch("open count=3 title=\"draft%d.txt - editor\"", "editor.exe"));
    std::vector<HWND> edits = editor.Windows();
    StartProgram(nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ShowsOneIcon(); })) << taskbar_.Text();
    ASSERT_TRUE(WaitUntil([&] {
        std::vector<HWND> shown = taskbar_.ButtonWindows();
        for (HWND w : edits)
            for (HWND s : shown)
                if (s == w) return false;
        return true;
    }, 20000)) << taskbar_.Text();

    EXPECT_EQ(program_.ExitThroughTrayMenu(), 0u);
    EXPECT_TRUE(WaitUntil([&] { return ButtonsAreExactly(taskbar_, edits); })) << taskbar_.Text();
    EXPECT_TRUE(Icons().empty()) << taskbar_.Text();
}

TEST_F(TrayIcon, ASecondStartLeavesTheRunningIconInPlace) {
    StartProgram(nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ShowsOneIcon(); })) << taskbar_.Text();
    StartAgain();
    EXPECT_TRUE(ShowsOneIcon()) << taskbar_.Text();
    EXPECT_TRUE(program_.Running());
}

TEST_F(TrayIcon, RemovedIconComesBackWithASecondStartAndStillReachesTheProgram) {
    StartProgram(nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ShowsOneIcon(); })) << taskbar_.Text();
    RemoveIconThroughTheMenuCommand();
    StartAgain();
    ASSERT_TRUE(WaitUntil([&] { return ShowsOneIcon(); })) << taskbar_.Text();

    // The icon's right click, as the taskbar reports it, opens the program's menu.
    TaskbarNotifyIcon icon = Icons()[0];
    SendNotifyMessageA(icon.owner, icon.callbackMessage, icon.id, WM_RBUTTONUP);
    std::vector<HWND> menus;
    EXPECT_TRUE(WaitUntil([&] {
        menus = ProcessWindows(program_.Pid(), "#32768", nullptr);
        return !menus.empty();
    })) << "no menu";
    for (HWND menu : menus) PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitUntil([&] { return ProcessWindows(program_.Pid(), "#32768", nullptr).empty(); }));
}

TEST_F(TrayIcon, WithIconOffASecondStartAddsOneThatTheMenuCommandRemovesAgain) {
    StartProgram("[pelmora]\r\nIcon=0\r\n");
    // Nothing to wait for: the icon would have come with the main window.
    EXPECT_TRUE(Icons().empty()) << taskbar_.Text();
    StartAgain();
    ASSERT_TRUE(WaitUntil([&] { return ShowsOneIcon(); })) << taskbar_.Text();
    // The program never added an icon itself, yet it removes the one it has.
    RemoveIconThroughTheMenuCommand();
}

}  // namespace
