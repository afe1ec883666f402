// The program's wait loop, in this process: it ends on WM_QUIT with its code, and
// a wait that keeps failing neither stops the program answering nor floods the log.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/app.h"
#include "tests/support/program.h"
#include "tests/support/support.h"

using namespace testing_support;

namespace {

int Ticks = 0;
int Posted = 0;
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

class EventLoop : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = MakeTempDir("loop");
        ASSERT_FALSE(dir_.empty());
        GetCurrentDirectoryA(sizeof old_, old_);
        SetCurrentDirectoryA(dir_.c_str());  // errorlog.txt goes here
        event_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    }
    void TearDown() override {
        SetCurrentDirectoryA(old_);
        if (event_) CloseHandle(event_);
    }
    std::string dir_;
    char old_[MAX_PATH] = "";
    HANDLE event_ = nullptr;
};

TEST_F(EventLoop, EndsOnQuitWithItsCodeAndDispatchesWhatCameBefore) {
    HWND w = MakeTickingWindow();
    ASSERT_NE(w, nullptr);
    // Posted messages before WM_QUIT all reach their window.
    Posted = 0;
    for (int i = 0; i < 3; ++i) PostMessageA(w, TestMessage, 0, 0);
    PostQuitMessage(7);
    EXPECT_EQ(RunEventLoop(event_), 7);
    EXPECT_EQ(Posted, 3);
    EXPECT_EQ(ReadErrorLog(dir_), "");
    DestroyWindow(w);
}

TEST_F(EventLoop, AWaitThatKeepsFailingStillServesMessagesAndLogsOnce) {
    Ticks = 0;
    HWND w = MakeTickingWindow();
    ASSERT_NE(w, nullptr);
    // A closed handle makes every wait on it fail.
    CloseHandle(event_);
    HANDLE dead = event_;
    event_ = nullptr;
    SetTimer(w, 1, 20, nullptr);
    EXPECT_EQ(RunEventLoop(dead), 42);
    EXPECT_EQ(Ticks, TicksBeforeQuit);
    // One entry for the whole run of failures: the text and the system's text.
    std::string log = ReadErrorLog(dir_);
    const std::string entry = "イベントの待機に失敗しました\n";
    ASSERT_EQ(log.compare(0, entry.size(), entry), 0) << log;
    EXPECT_EQ(log.find(entry, entry.size()), std::string::npos) << log;
    EXPECT_GT(log.size(), entry.size());
    KillTimer(w, 1);
    DestroyWindow(w);
}

}  // namespace
