// Top-level windows that live on a thread of their own with its own message
// loop, so that they answer (or fail to answer) cross-thread messages the way
// another application's windows do, and a command that waits on them cannot
// deadlock the test's thread.
#pragma once

#include <windows.h>

#include <thread>
#include <vector>

namespace testing_support {

struct TestWindowOptions {
    const char* title = "window";
    DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    int x = 100, y = 100, width = 300, height = 200;
    HICON icon = nullptr;      // answered to WM_GETICON; null: the window has no icon at all
    bool refuseClose = false;  // SC_CLOSE is refused, like a window whose user kept it open
    HWND showOnMove = nullptr; // shown (once) when this window is first moved or sized
};

class WindowThread {
  public:
    WindowThread();
    ~WindowThread(); // destroys every window it made and ends the thread
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;

    HWND Create(const TestWindowOptions& options);
    HWND Create(const char* title) {
        TestWindowOptions o;
        o.title = title;
        return Create(o);
    }

    // How often the window was asked to pop up its system menu (message
    // 0x313), and the position of the last request, as sent.
    static int SystemMenuRequests(HWND hwnd);
    static LPARAM LastSystemMenuPosition(HWND hwnd);

    // Blocks the thread until Release: its windows stop answering. Returns
    // once the thread is blocked.
    void Hang();
    void Release();

  private:
    static void Run(WindowThread* self);
    std::thread thread_;
    HWND controller_ = nullptr;
    HANDLE ready_ = nullptr;
    HANDLE hangRelease_ = nullptr;
    HANDLE hungEvent_ = nullptr;
    bool hung_ = false;
};

} // namespace testing_support
