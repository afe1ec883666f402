// The real program where things go wrong: a run that was killed or crashed, a
// member that hangs, a shell that stops answering, a window that retitles
// itself without pause, windows shown without activation in a burst, hostile
// processes that write the hook library's shared section, a damaged list of
// taken buttons. No window loses its button for good and the program keeps
// answering.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string.h>

#include "taskbar/group_menu.h" // the batch commands' identifiers
#include "tests/support/support.h"

using namespace testing_support;

namespace {

constexpr char HooksOnly[] = "[pelmora]\r\nSubClass=0\r\n";

class Recovery : public testing::Test {
  protected:
    // The stand-in, the application (`open`, copied as `exe` unless empty) and
    // the program with this pelmora.ini, once its proxy is titled `title`.
    void Start(const char* open, const char* ini, const char* title,
               const char* exe = "editor.exe") {
        ASSERT_TRUE(taskbar.Start() && app.Launch(open, exe));
        dir = MakeProgramCopy("recovery", ini);
        ASSERT_TRUE(program.Start(dir) && WaitProxy(program, title)) << taskbar.Text();
    }
    // The program's button titled `title` into `proxy`, waiting for it.
    bool WaitProxy(const ProgramProcess& p, const char* title) {
        return WaitUntil(
            [&] {
                for (const TaskbarButton& b : taskbar.Buttons()) {
                    DWORD pid = 0;
                    GetWindowThreadProcessId(b.hwnd, &pid);
                    if (pid == p.Pid() && b.title == title) return proxy = b, true;
                }
                return false;
            },
            20000);
    }
    bool ButtonsAre(std::vector<HWND> windows) { // exactly these have buttons
        std::sort(windows.begin(), windows.end());
        return WaitUntil([&] {
            std::vector<HWND> shown;
            for (const TaskbarButton& b : taskbar.Buttons())
                shown.push_back(b.hwnd);
            std::sort(shown.begin(), shown.end());
            return shown == windows;
        });
    }
    DWORD Hostile(const std::string& arguments) { // tools/hostile_peer on the copy's library
        HANDLE p = StartProcess("\"" + BinDir() + "hostile_peer.exe\" \"" + dir + "ravik.dll\" " +
                                arguments);
        DWORD code = 99;
        if (p && WaitForSingleObject(p, 20000) == WAIT_OBJECT_0) GetExitCodeProcess(p, &code);
        return p && CloseHandle(p), code;
    }
    static bool Answers(HWND w, UINT message, WPARAM wParam, DWORD boundMs) {
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(w, message, wParam, 0, SMTO_NORMAL, boundMs, &result) != 0;
    }

    StandinTaskbar taskbar;
    TestApp app;
    std::string dir;
    ProgramProcess program;
    TaskbarButton proxy = {};
};

class Ended : public Recovery, public testing::WithParamInterface<bool> {};

TEST_P(Ended, TheNextStartGroupsAgainAndEveryButtonComesBack) {
    Start("open count=2", nullptr, "2 editor");
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, program.Pid());
    if (GetParam()) // a crash: a thread of the program that jumps to address 0
        CloseHandle(CreateRemoteThread(process, nullptr, 0, nullptr, nullptr, 0, nullptr));
    else
        TerminateProcess(process, 9);
    ASSERT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
    CloseHandle(process);
    // A crash gives the buttons back at once, a kill with the next start.
    if (GetParam()) {
        EXPECT_TRUE(ButtonsAre(app.Windows())) << taskbar.Text();
    }
    ProgramProcess next;
    ASSERT_TRUE(next.Start(dir));
    app.Open(); // as soon as it runs: it is grouped too
    EXPECT_TRUE(WaitProxy(next, "3 editor") && ButtonsAre({proxy.hwnd})) << taskbar.Text();
    EXPECT_EQ(next.ExitThroughTrayMenu(), 0u);
    EXPECT_TRUE(ButtonsAre(app.Windows())) << taskbar.Text();
    EXPECT_EQ(ReadFileText(dir + "errorlog.txt"), "");
}

INSTANTIATE_TEST_SUITE_P(KilledOrCrashed, Ended, testing::Bool());

TEST_F(Recovery, AHungMemberCostsTheMenuAndEachBatchCommandLessThanThreeSeconds) {
    TestApp hung; // the same executable as the application's: one group
    ASSERT_TRUE(hung.Launch("open"));
    Start("open", nullptr, "2 testapp", "");
    HWND other = app.Windows().at(0);
    // Where the proxy's button is once it is the only one.
    ASSERT_TRUE(ButtonsAre({proxy.hwnd}) && WaitProxy(program, "2 testapp")) << taskbar.Text();
    ASSERT_EQ(hung.Send("hang 20000"), "ok");
    int x = (proxy.rect.left + proxy.rect.right) / 2, bottom = GetSystemMetrics(SM_CYSCREEN) - 1;
    ASSERT_TRUE(ClickAt(x, bottom)); // the row Wine reports as the taskbar
    EXPECT_TRUE(WaitUntil([&] { return FindWindowOf(program.Pid(), "#32768"); }, 3000));
    ASSERT_TRUE(ClickAt(x, bottom / 3)); // away: the menu closes
    ASSERT_TRUE(WaitUntil([&] { return !FindWindowOf(program.Pid(), "#32768"); }));
    const struct {
        UINT command;
        bool (*done)(HWND other); // what the window that answers shows of it
    } cases[] = {
        {CmdMinimizeAll, [](HWND w) { return IsIconic(w) != 0; }},
        {CmdShowAll, [](HWND w) { return !IsIconic(w); }},
        {CmdCascade, nullptr},
        {CmdTileTopBottom, nullptr},
        {CmdTileLeftRight, nullptr},
        {CmdCloseAll, [](HWND w) { return !IsWindow(w); }},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(Answers(proxy.hwnd, WM_COMMAND, c.command, 3000)) << c.command;
        EXPECT_TRUE(!c.done || WaitUntil([&] { return c.done(other); })) << c.command;
    }
    hung.Send("unhang");
}

TEST_F(Recovery, AStartAndAnExitAgainstAShellThatStopsAnsweringEndWithinFiveSecondsEach) {
    for (const char* ini : {(const char*)nullptr, HooksOnly}) {
        SCOPED_TRACE(ini ? "hooks only" : "subclass");
        ASSERT_TRUE(taskbar.Start());
        HANDLE hang = StartProcess("\"" + BinDir() + "standin_taskbar.exe\" /hang 20000");
        ASSERT_TRUE(hang && WaitForSingleObject(hang, 10000) == WAIT_OBJECT_0);
        CloseHandle(hang);
        ProgramProcess p;
        ASSERT_TRUE(p.Start(MakeProgramCopy("hungshell", ini)));
        DWORD code = 1;
        if (!ini) { // no subclass in a shell that does not answer: its box, then the end
            HWND box = nullptr;
            EXPECT_TRUE(WaitUntil([&] { return (box = FindWindowOf(p.Pid(), "#32770")); }, 5000));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            EXPECT_TRUE(p.WaitExit(&code, 5000) && code == (DWORD)-1) << code;
        } else { // its loop, which answers, then the end
            EXPECT_TRUE(WaitUntil(
                [&] {
                    HWND main = FindWindowOf(p.Pid(), "pelmora", nullptr, true);
                    return main && Answers(main, WM_NULL, 0, 100);
                },
                5000));
            EXPECT_EQ(p.ExitThroughTrayMenu(5000), 0u);
        }
        taskbar.Stop();
    }
}

TEST_F(Recovery, TheProgramKeepsAnsweringWhileAMemberRetitlesItselfWithoutPause) {
    Start("open count=2", HooksOnly, "2 editor"); // every title is an entry in the ring
    HWND main = program.WaitMainWindow(), spinning = app.Windows().at(0);
    ASSERT_EQ(app.Send("spin #0 on"), "ok");
    int late = 0;
    EXPECT_TRUE(WaitUntil( // until the window has taken 3,000 titles
        [&] {
            late += !Answers(main, WM_NULL, 0, 2000);
            char title[256] = "";
            GetWindowTextA(spinning, title, sizeof title);
            const char* number = strrchr(title, ' ');
            return number && atoi(number) >= 3000;
        },
        60000));
    EXPECT_EQ(late, 0);
    app.Send("spin #0 off");
}

TEST_F(Recovery, WindowsShownWithoutActivationInABurstEndUpCounted) {
    Start("open count=2", HooksOnly, "2 editor");
    for (HWND w : app.Open("count=4 hidden"))
        ShowWindowAsync(w, SW_SHOWNA); // done by their own thread, one after another
    EXPECT_TRUE(WaitProxy(program, "6 editor")) << taskbar.Text();
}

// The bait: a window of the class "pelmora" in another process than the program's.
UINT Unsubclassed = 0; // UnsubclassMessage that reached it
LRESULT CALLBACK BaitProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Unsubclassed += message == 0x12FF;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST_F(Recovery, WhatOtherProcessesWriteIntoTheSharedSectionCostsNoStartNoButtonNoMessage) {
    ASSERT_TRUE(taskbar.Start() && app.Launch("open count=2", "editor.exe"));
    dir = MakeProgramCopy("hostile", HooksOnly);
    ASSERT_EQ(Hostile("owner " + WindowRef(app.Windows().at(0))), 0u); // a live owner
    WNDCLASSA wc = {0, BaitProc, 0, 0, GetModuleHandleA(nullptr), 0, 0, 0, 0, "pelmora"};
    HWND bait = CreateWindowA((LPCSTR)(ULONG_PTR)RegisterClassA(&wc), "", 0, 0, 0, 0, 0, nullptr,
                              nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(program.Start(dir) && WaitProxy(program, "2 editor") && ButtonsAre({proxy.hwnd}));
    ASSERT_EQ(Hostile("entry " + WindowRef(app.Windows().at(0)) + " 2"), 0u); // taken by now
    EXPECT_TRUE(ButtonsAre({proxy.hwnd})) << taskbar.Text();
    app.Send("destroy #0"); // a real one: the member left is alone
    EXPECT_TRUE(ButtonsAre({app.Windows().at(0)})) << taskbar.Text();
    ASSERT_EQ(Hostile("tab " + WindowRef(bait)), 0u);
    EXPECT_EQ(program.ExitThroughTrayMenu(), 0u);
    EXPECT_EQ(Unsubclassed, 0u);
    EXPECT_EQ(ReadFileText(dir + "errorlog.txt"), "");
    DestroyWindow(bait);
}

TEST_F(Recovery, A200MegabyteListOfTakenButtonsDelaysNoProxyAndGivesNoToolWindowAButton) {
    ASSERT_TRUE(taskbar.Start() && app.Launch("open count=2", "editor.exe"));
    HWND tool = app.Open("tool").at(0);
    dir = MakeProgramCopy("hostile", nullptr);
    ASSERT_EQ(Hostile("list " + WindowRef(tool) + " 200"), 0u); // names it, then zeros
    ASSERT_TRUE(program.Start(dir) && WaitProxy(program, "2 editor")) << taskbar.Text();
    EXPECT_TRUE(ButtonsAre({proxy.hwnd})) << taskbar.Text();
    EXPECT_EQ(ReadFileText(dir + "errorlog.txt"),
              "ボタンの一覧が長すぎるため、先頭の4096件だけを読みました\r\n");
}

TEST_F(Recovery, KillsWhileTheListIsWrittenNeverLeaveAButtonTheNextStartCannotGiveBack) {
    ASSERT_TRUE(taskbar.Start() && app.Launch("open count=3", "editor.exe"));
    dir = MakeProgramCopy("killed", nullptr);
    for (int i = 0; i < 5; ++i) {
        ProgramProcess run, next;
        ASSERT_TRUE(WriteFileText(dir + "pelmora.ini", "") && run.Start(dir) &&
                    WaitProxy(run, "3 editor") && ButtonsAre({proxy.hwnd}));
        // A member goes and comes back, a few times or none: the list is written each time.
        for (int toggles = 2 * (rand() % 3); toggles-- > 0;)
            app.Send(toggles % 2 ? "hide #1" : "show #1");
        ASSERT_TRUE(run.Kill());
        // A start that groups nothing: only the list gives the buttons back.
        ASSERT_TRUE(WriteFileText(dir + "pelmora.ini", "[pelmora]\r\nWinNum=99\r\n") &&
                    next.Start(dir));
        EXPECT_TRUE(ButtonsAre(app.Windows())) << i << taskbar.Text();
        EXPECT_EQ(next.ExitThroughTrayMenu(), 0u);
    }
}

} // namespace
