#include "tests/support/child_window.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tests/support/support.h"

namespace testing_support {

namespace {

constexpr const char* ChildFlag = "--pelmora-child-window";

LRESULT CALLBACK ChildProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// Child mode: "<exe> --pelmora-child-window <class> <parent pid>".
[[noreturn]] void RunChild(const char* className, DWORD parentId) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ChildProc;
    wc.hInstance = instance;
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, className, "child", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                             nullptr, instance, nullptr);
    if (!w) ExitProcess(2);
    HANDLE parent = OpenProcess(SYNCHRONIZE, FALSE, parentId);
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(parent ? 1 : 0, &parent, FALSE, INFINITE, QS_ALLINPUT);
        if (parent && r == WAIT_OBJECT_0) ExitProcess(0); // the test is gone
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) ExitProcess(0);
            DispatchMessageA(&msg);
        }
    }
}

// Runs before main: a child never reaches the test runner.
struct ChildModeCheck {
    ChildModeCheck() {
        const char* flag = strstr(GetCommandLineA(), ChildFlag);
        if (!flag) return;
        char className[256] = {};
        unsigned long parentId = 0;
        if (sscanf(flag + strlen(ChildFlag), " %255s %lu", className, &parentId) == 2)
            RunChild(className, (DWORD)parentId);
        ExitProcess(3);
    }
} childModeCheck;

} // namespace

bool ChildWindowProcess::Start(const std::string& exe) {
    Stop();
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string program = exe.empty() ? std::string(self) : exe;
    static unsigned counter = 0;
    char className[64];
    snprintf(className, sizeof className, "pelmora-child-%lu-%u",
             (unsigned long)GetCurrentProcessId(), counter++);
    std::string commandLine = "\"" + program + "\" " + ChildFlag + " " + className + " " +
                              std::to_string(GetCurrentProcessId());
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &info_)) {
        info_ = {};
        return false;
    }
    WaitUntil([&] {
        window_ = FindWindowA(className, nullptr);
        return window_ != nullptr;
    });
    return window_ != nullptr;
}

void ChildWindowProcess::Stop() {
    if (!info_.hProcess) return;
    if (window_) PostMessageA(window_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(info_.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(info_.hProcess, 1);
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
    info_ = {};
    window_ = nullptr;
}

} // namespace testing_support
