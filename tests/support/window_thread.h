// Top-level windows that live on a thread of their own with its own message
// loop, for what the test application cannot do: answer WM_GETICON with an
// icon the test made, or show another window the moment they are moved.
#pragma once

#include <windows.h>

#include <thread>

namespace testing_support {

struct TestWindowOptions {
    const char* title = "window";
    DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    int x = 100, y = 100, width = 300, height = 200;
    HICON icon = nullptr;      // answered to WM_GETICON; null: the window has no icon at all
    HWND showOnMove = nullptr; // shown (once) when this window is first moved or sized
};

class WindowThread {
  public:
    WindowThread();
    ~WindowThread(); // ends the thread, and its windows with it
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;

    HWND Create(const TestWindowOptions& options);
    HWND Create(const char* title) {
        TestWindowOptions o;
        o.title = title;
        return Create(o);
    }

  private:
    static void Run(WindowThread* self);
    std::thread thread_;
    HWND controller_ = nullptr;
    HANDLE ready_ = nullptr;
};

} // namespace testing_support
