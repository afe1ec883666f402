// The settings dialog in the real program: opened from the notification-area
// icon and the tray menu, worked from the keyboard through the program's loop,
// and the restart it offers after a start-up setting changed.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "tests/support/model_support.h"
#include "tests/support/program.h"
#include "tests/support/support.h"

using namespace testing_support;

namespace {

constexpr UINT TrayCallbackMessage = WM_APP + 100;
constexpr int OpenSettingsCommand = 205;
constexpr int ExitCommand = 206;
constexpr int ClassAddressBox = 527;
constexpr int WinNumBox = 501;
constexpr int IconBox = 507;

// The first visible top-level window of a process with this class and title,
// waiting for it; null on time-out.
HWND WaitWindowOf(DWORD pid, const char* className, const char* title) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            std::vector<HWND> windows = ProcessWindows(pid, className, title);
            found = windows.empty() ? nullptr : windows[0];
            return found != nullptr;
        },
        20000);
    return found;
}

HWND WaitSettingsDialog(DWORD pid) {
    return WaitWindowOf(pid, "#32770", "設定");
}

// Chooses 設定 in the tray menu and waits for the dialog.
HWND OpenSettingsOf(HWND main, DWORD pid) {
    PostMessageA(main, WM_COMMAND, OpenSettingsCommand, 0);
    return WaitSettingsDialog(pid);
}

size_t SettingsDialogCount(DWORD pid) {
    return ProcessWindows(pid, "#32770", "設定").size();
}

// Starts a private copy without taskbar subclassing (Wine has no taskbar to subclass).
class SettingsDialogProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = MakeProgramCopy("settings", "[pelmora]\r\nSubClass=0\r\n");
        ASSERT_FALSE(dir_.empty());
        ASSERT_TRUE(program_.Start(dir_));
        main_ = program_.WaitMainWindow();
        ASSERT_NE(main_, nullptr);
    }

    void Exit(ProgramProcess& program, HWND main) {
        PostMessageA(main, WM_COMMAND, ExitCommand, 0);
        DWORD code = 1;
        EXPECT_TRUE(program.WaitExit(20000, &code));
        EXPECT_EQ(code, 0u);
    }

    std::string dir_;
    ProgramProcess program_;
    HWND main_ = nullptr;
};

TEST_F(SettingsDialogProgram, DoubleClickOnTheIconOpensOneDialog) {
    PostMessageA(main_, TrayCallbackMessage, 1, WM_LBUTTONDBLCLK);
    HWND dialog = WaitSettingsDialog(program_.Pid());
    ASSERT_NE(dialog, nullptr);
    PostMessageA(main_, TrayCallbackMessage, 1, WM_LBUTTONDBLCLK);
    PostMessageA(main_, WM_COMMAND, OpenSettingsCommand, 0);
    // Both requests have been handled once the main window answers again.
    SendMessageA(main_, WM_NULL, 0, 0);
    EXPECT_EQ(SettingsDialogCount(program_.Pid()), 1u);
    Exit(program_, main_);
    EXPECT_EQ(ReadErrorLog(dir_), "");
}

TEST_F(SettingsDialogProgram, EscapeAndEnterWorkThroughTheProgramsLoop) {
    HWND dialog = OpenSettingsOf(main_, program_.Pid());
    ASSERT_NE(dialog, nullptr);
    HWND winNum = GetDlgItem(dialog, WinNumBox);
    SendMessageA(winNum, WM_SETTEXT, 0, (LPARAM) "5");
    PostMessageA(winNum, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    EXPECT_TRUE(WaitUntil(
        [&] { return ReadFileText(dir_ + "pelmora.ini").find("WinNum=5") != std::string::npos; },
        20000));
    EXPECT_TRUE(IsWindow(dialog));
    PostMessageA(winNum, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 20000));
    Exit(program_, main_);
}

TEST_F(SettingsDialogProgram, YesToTheRestartQuestionRestartsWithTheNewSettings) {
    HWND dialog = OpenSettingsOf(main_, program_.Pid());
    ASSERT_NE(dialog, nullptr);
    SendMessageA(GetDlgItem(dialog, ClassAddressBox), BM_CLICK, 0, 0);
    // Posted, since the question is a modal box inside the program's handler.
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 (LPARAM)GetDlgItem(dialog, IDOK));
    HWND question = WaitWindowOf(program_.Pid(), "#32770", "pelmoraの再起動");
    ASSERT_NE(question, nullptr);
    PostMessageA(question, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);

    DWORD code = 1;
    ASSERT_TRUE(program_.WaitExit(20000, &code));
    EXPECT_EQ(code, 0u);
    DWORD pid = WaitProgramFrom(dir_ + "pelmora.exe", program_.Pid());
    ASSERT_NE(pid, 0u);
    ProgramProcess restarted;
    ASSERT_TRUE(restarted.Attach(pid));
    HWND main = restarted.WaitMainWindow();
    ASSERT_NE(main, nullptr);
    HWND again = OpenSettingsOf(main, pid);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(SendMessageA(GetDlgItem(again, ClassAddressBox), BM_GETCHECK, 0, 0), BST_CHECKED);
    Exit(restarted, main);
    EXPECT_EQ(ReadErrorLog(dir_), "");
}

// Whether the shell still holds the program's icon (its main window, id 1).
bool TrayIconExists(HWND main) {
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = main;
    data.uID = 1;
    data.uFlags = NIF_TIP;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

TEST_F(SettingsDialogProgram, TurningTheIconOffRemovesItAtOnce) {
    ASSERT_TRUE(WaitUntil([&] { return TrayIconExists(main_); }, 20000));
    HWND dialog = OpenSettingsOf(main_, program_.Pid());
    ASSERT_NE(dialog, nullptr);
    SendMessageA(GetDlgItem(dialog, IconBox), BM_CLICK, 0, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 (LPARAM)GetDlgItem(dialog, IDOK));
    EXPECT_FALSE(TrayIconExists(main_));
    EXPECT_NE(ReadFileText(dir_ + "pelmora.ini").find("Icon=0"), std::string::npos);
    Exit(program_, main_);
}

} // namespace
