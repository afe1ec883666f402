// The program's wait loop, in this process: it ends on WM_QUIT with its code, and
// a wait that keeps failing neither stops the program answering nor floods the log.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/app.h"
#include "tests/support/model_support.h"

namespace {

int Ticks = 0, Posted = 0;
constexpr int TicksBeforeQuit = 8;
constexpr UINT TestMessage = WM_APP + 1;

LRESULT CALLBACK TickingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && ++Ticks == TicksBeforeQuit) PostQuitMessage(42);
    if (message == TestMessage) ++Posted;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND MakeTickingWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TickingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "event_loop_test";
    RegisterClassA(&wc);
    return CreateWindowA("event_loop_test", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                         wc.hInstance, nullptr);
}

} // namespace

TEST(EventLoop, EndsOnQuitWithItsCodeAndDispatchesWhatCameBefore) {
    testing_support::TempCurrentDir cwd; // errorlog.txt goes here
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HWND w = MakeTickingWindow();
    for (int i = 0; i < 3; ++i)
        PostMessageA(w, TestMessage, 0, 0);
    PostQuitMessage(7);
    EXPECT_EQ(RunEventLoop(event), 7);
    EXPECT_EQ(Posted, 3);
    EXPECT_EQ(cwd.ErrorLogText(), "");
    DestroyWindow(w);
    CloseHandle(event);
}

TEST(EventLoop, AWaitThatKeepsFailingStillServesMessagesAndLogsOnce) {
    testing_support::TempCurrentDir cwd;
    HWND w = MakeTickingWindow();
    HANDLE dead = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(dead); // every wait on a closed handle fails
    SetTimer(w, 1, 20, nullptr);
    EXPECT_EQ(RunEventLoop(dead), 42);
    EXPECT_EQ(Ticks, TicksBeforeQuit);
    // One entry for the whole run of failures: the text and the system's text.
    std::string log = cwd.ErrorLogText();
    const std::string entry = "イベントの待機に失敗しました\n";
    ASSERT_EQ(log.compare(0, entry.size(), entry), 0) << log;
    EXPECT_EQ(log.find(entry, entry.size()), std::string::npos) << log;
    EXPECT_GT(log.size(), entry.size());
    KillTimer(w, 1);
    DestroyWindow(w);
}
