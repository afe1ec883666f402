// A top-level window in another process: the test executable (or a copy of it)
// started again in child mode, in which it only creates a window of a class
// named on its command line and waits until the window is closed or the
// process that started it ends.
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

class ChildWindowProcess {
  public:
    ChildWindowProcess() = default;
    ~ChildWindowProcess() { Stop(); }
    ChildWindowProcess(const ChildWindowProcess&) = delete;
    ChildWindowProcess& operator=(const ChildWindowProcess&) = delete;

    // Starts exe (empty: this test executable) in child mode and waits for its
    // window. False when the process did not start or showed no window.
    bool Start(const std::string& exe = std::string());
    // Closes the window and waits for the process to end (ends it when it hangs).
    void Stop();

    HWND window() const { return window_; }
    DWORD processId() const { return info_.dwProcessId; }

  private:
    PROCESS_INFORMATION info_ = {};
    HWND window_ = nullptr;
};

} // namespace testing_support
