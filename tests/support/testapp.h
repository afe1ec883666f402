// The test application (tools/testapp) as tests see it: one running
// testapp.exe, optionally under another file name, standing for one
// application. Its commands are listed in tools/testapp/testapp.h.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

class TestApp {
  public:
    TestApp() = default;
    TestApp(const TestApp&) = delete;
    TestApp& operator=(const TestApp&) = delete;
    ~TestApp() { Quit(); }

    // Starts testapp.exe, first copied into a fresh folder as exeName when one
    // is given (e.g. "editor.exe"), runs firstCommand (e.g. "open count=2") and
    // waits until it answers.
    bool Launch(const std::string& firstCommand = "", const std::string& exeName = "");
    // Sends one command; its reply, or "error: ..." when it fails or no answer came.
    std::string Send(const std::string& command) const;
    // "open <options>": the new windows, empty on failure.
    std::vector<HWND> Open(const std::string& options = "");
    // Its windows that exist, in the order they were opened.
    std::vector<HWND> Windows() const;
    // What a window received ("activate 1", "close", ...), oldest first.
    std::vector<std::string> Events(HWND hwnd) const;
    // Ends the application (its windows are destroyed) and waits for its end.
    bool Quit();

    DWORD processId() const { return pid_; }
    const std::string& exePath() const { return exePath_; } // the file that runs

  private:
    HWND Control() const;
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    std::string exePath_;
    std::string copyDir_; // the folder of the copy, removed by Quit
};

// Text for a window handle in testapp commands ("0x1234").
std::string WindowRef(HWND hwnd);

} // namespace testing_support
