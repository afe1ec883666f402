// Helpers of the ravik.dll tests: the shared section as this process maps it,
// a quiet window to send messages to, and child processes of the test
// executable itself: a fake taskbar whose tab control the test can question
// from inside, and programs that hold the hook or die holding it.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <stdlib.h>
#include <string.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hook/ravik.h"
#include "hook/shared_area.h"
#include "tests/support/processes.h"
#include "tests/support/support.h"

namespace ravik_test {

// The section ".sharedd" of a loaded ravik.dll (the one this executable loads
// by default): the very memory every process that maps that file shares.
inline const SharedHookArea* MappedArea(HMODULE library = GetModuleHandleA("ravik.dll")) {
    auto base = reinterpret_cast<const BYTE*>(library);
    if (!base) return nullptr;
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section)
        if (memcmp(section->Name, ".sharedd", 8) == 0 &&
            section->Misc.VirtualSize >= sizeof(SharedHookArea))
            return reinterpret_cast<const SharedHookArea*>(base + section->VirtualAddress);
    return nullptr;
}

inline const SharedHookArea& Area() {
    static const SharedHookArea* area = MappedArea();
    return *area;
}

inline HANDLE OpenRingEvent() {
    return OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, RingEventName);
}

// The pending entries, oldest first, read the way the program reads them.
inline std::vector<WndMes> ReadAll() {
    std::vector<WndMes> entries;
    for (int i = 0; i < RingSize && NewMessage() != 0; ++i) {
        WndMes m;
        entries.push_back(*GetWndMes(&m));
        IncRead();
    }
    return entries;
}

// Takes every pending entry out of the ring and resets the ring event.
inline void DrainRing() {
    ReadAll();
    if (HANDLE event = OpenRingEvent()) {
        ResetEvent(event);
        CloseHandle(event);
    }
}

// The entries of one message code.
inline std::vector<WndMes> Only(const std::vector<WndMes>& entries, UINT message) {
    std::vector<WndMes> found;
    for (const WndMes& m : entries)
        if (m.message == message) found.push_back(m);
    return found;
}

inline uint32_t Low32(HWND hwnd) {
    return static_cast<uint32_t>(reinterpret_cast<ULONG_PTR>(hwnd));
}

// Leaves the library without hook, subclass or proxies, whatever an earlier
// test (or test executable: the shared area outlives processes) left behind.
inline void ResetLibrary() {
    FreeHook();
    for (int n = Area().proxyCount; n > 0 && RmWnd(Area().proxyWnds[0]) && Area().proxyCount < n;)
        n = Area().proxyCount;
    DrainRing();
}

// Wine keeps, per thread, which kinds of hook are installed, and refreshes it
// only when the thread takes a message from the server: until then a hook that
// another process installed is not called for this thread's own sends.
inline void NoticeHooksOfOtherProcesses() {
    PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
    testing_support::PumpMessages();
}

inline bool EventIsSignalled(HANDLE event) {
    return WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

// A hidden window that handles every message by returning 0, so that any
// message code with any parameters can be sent to it safely.
inline LRESULT CALLBACK SinkProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_NCCREATE;
}
inline HWND CreateSinkWindow() {
    static ATOM atom = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = SinkProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "RavikTestSink";
        return RegisterClassA(&wc);
    }();
    return atom ? CreateWindowExA(0, "RavikTestSink", "sink", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr)
                : nullptr;
}

// ---- Child processes ----
// The test executable started again with "--ravik-child MODE ARG"; its window
// is found by class and a title that holds the child's process id.

constexpr char ProgramClass[] = "RavikTestProgram";
constexpr char TrayClass[] = "Shell_TrayWnd";

// Commands to the fake tray window (sent by the test).
constexpr UINT TrayInsertA = WM_APP + 1;     // TCM_INSERTITEMA at wParam, application value lParam
constexpr UINT TrayInsertW = WM_APP + 2;     // TCM_INSERTITEMW likewise
constexpr UINT TrayTabProc = WM_APP + 3;     // which procedure the tab control runs (below)
constexpr UINT TrayTab = WM_APP + 4;         // the tab control's handle
constexpr UINT TrayRavikMapped = WM_APP + 5; // 1 while ravik.dll is mapped in the tray's process
enum TabProcKind { TabRunsFormerProc = 1, TabRunsClassProc = 2, TabRunsOtherProc = 3 };

inline std::string ChildTitle(const char* mode, DWORD pid) {
    return std::string("ravik-test-") + mode + "-" + std::to_string(pid);
}

namespace child {

inline HWND TabControl;
inline WNDPROC TabClassProc;

// The procedure the fake shell itself puts on its tab control, so that the
// former procedure and the class's procedure can be told apart.
inline LRESULT CALLBACK FormerTabProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(TabClassProc, hwnd, message, wParam, lParam);
}

// The main window of every child: a close request ends the child.
inline LRESULT CALLBACK ProgramProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) return DestroyWindow(hwnd), 0;
    if (message == WM_DESTROY) return PostQuitMessage(0), 0;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

inline LRESULT CALLBACK TrayProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == TrayInsertA || message == TrayInsertW) {
        TCITEMW item = {}; // TCITEMA has the same layout
        item.mask = TCIF_TEXT | TCIF_PARAM;
        item.pszText = message == TrayInsertW ? (LPWSTR)L"button" : (LPWSTR) "button";
        item.lParam = lParam;
        if (message == TrayInsertW)
            return SendMessageW(TabControl, TCM_INSERTITEMW, wParam, (LPARAM)&item);
        return SendMessageA(TabControl, TCM_INSERTITEMA, wParam, (LPARAM)&item);
    }
    if (message == TrayTab) return reinterpret_cast<LRESULT>(TabControl);
    if (message == TrayRavikMapped) return GetModuleHandleA("ravik.dll") != nullptr;
    if (message != TrayTabProc) return ProgramProc(hwnd, message, wParam, lParam);
    auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(TabControl, GWLP_WNDPROC));
    if (current == FormerTabProc) return TabRunsFormerProc;
    if (current == reinterpret_cast<WNDPROC>(GetClassLongPtrW(TabControl, GCLP_WNDPROC)))
        return TabRunsClassProc;
    return TabRunsOtherProc;
}

inline HWND MakeWindow(const char* cls, WNDPROC proc, const char* title, DWORD exStyle, DWORD style,
                       int x, int y, int width, int height, HWND parent) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = cls;
    RegisterClassA(&wc);
    return CreateWindowExA(exStyle, cls, title, style, x, y, width, height, parent, nullptr,
                           wc.hInstance, nullptr);
}

inline int RunLoop() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}

// A taskbar laid out like the Windows 2000 shell's: "Shell_TrayWnd" -> a window
// of class `switchClass` -> a SysTabControl32 (or a plain window of class
// `buttonsClass`, as later shells hold), topmost so that
// FindWindowA("Shell_TrayWnd", NULL) finds it first. Hidden: no activation
// messages reach the ring from it.
inline int RunTray(const char* switchClass, const char* buttonsClass) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);
    std::string title = ChildTitle("tray", GetCurrentProcessId());
    HWND tray = MakeWindow(TrayClass, TrayProc, title.c_str(), WS_EX_TOPMOST | WS_EX_TOOLWINDOW,
                           WS_POPUP, 0, 990, 1280, 34, nullptr);
    HWND taskSwitch =
        MakeWindow(switchClass, DefWindowProcA, "", 0, WS_CHILD | WS_VISIBLE, 0, 0, 1000, 34, tray);
    if (strcmp(buttonsClass, WC_TABCONTROLA) != 0)
        TabControl = MakeWindow(buttonsClass, DefWindowProcA, "", 0, WS_CHILD | WS_VISIBLE, 0, 0,
                                1000, 34, taskSwitch);
    else
        TabControl =
            CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | TCS_BUTTONS, 0, 0, 1000,
                            34, taskSwitch, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!tray || !taskSwitch || !TabControl) return 3;
    SetWindowPos(tray, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    TabClassProc = reinterpret_cast<WNDPROC>(GetClassLongPtrW(TabControl, GCLP_WNDPROC));
    SetWindowLongPtrW(TabControl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FormerTabProc));
    return RunLoop();
}

// A program that holds the hook while its window is open.
inline int RunHookOwner() {
    std::string title = ChildTitle("hook-owner", GetCurrentProcessId());
    if (!SetHook(0, 0) ||
        !MakeWindow(ProgramClass, ProgramProc, title.c_str(), 0, WS_POPUP, 0, 0, 10, 10, nullptr))
        return 2;
    RunLoop();
    FreeHook();
    return 0;
}

} // namespace child

// Runs the child mode named on the command line; -1 when this is no child.
// A "dying-program" subclasses the taskbar and ends without FreeHook, as one
// that crashed would; its exit code is SetSubClass's result.
inline int RunChildMode(int argc, char** argv) {
    if (argc < 3 || strcmp(argv[1], "--ravik-child") != 0) return -1;
    if (strcmp(argv[2], "hook-owner") == 0) return child::RunHookOwner();
    if (strcmp(argv[2], "tray") == 0 && argc >= 4)
        return child::RunTray(argv[3], argc >= 5 ? argv[4] : WC_TABCONTROLA);
    if (strcmp(argv[2], "dying-program") == 0 && argc >= 4)
        ExitProcess(SetHook(1, 0) ? SetSubClass(atoi(argv[3])) : 2);
    return 1;
}

// A child process of this test executable and its main window.
class Child {
  public:
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { Stop(); }

    // Starts the child and waits for its window: modes "hook-owner", and
    // "tray" with the class name of the task-switch window (and of its child
    // when that is no tab control).
    bool Start(const char* mode, const char* arg = "") {
        if (!Launch(mode, arg)) return false;
        std::string title = ChildTitle(mode, processId_);
        const char* cls = strcmp(mode, "tray") == 0 ? TrayClass : ProgramClass;
        testing_support::WaitUntil(
            [&] { return (window_ = FindWindowA(cls, title.c_str())) != 0; });
        // Found while it may still be in its creation: wait until its loop runs.
        DWORD_PTR ignored;
        return window_ && SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
    }
    // Closes the window, which ends the child; ends it by force after 10 s.
    void Stop() {
        if (!process_) return;
        if (window_) PostMessageA(window_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
        CloseHandle(process_);
        process_ = nullptr;
        window_ = nullptr;
    }
    // Runs a child that has no window to its end; its exit code, or -1.
    int Run(const char* mode, const char* arg) {
        DWORD code = static_cast<DWORD>(-1);
        if (Launch(mode, arg) && WaitForSingleObject(process_, 10000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process_, &code);
        Stop();
        return static_cast<int>(code);
    }
    bool Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
    HWND Window() const { return window_; }

  private:
    bool Launch(const char* mode, const char* arg) {
        char exe[MAX_PATH];
        GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string command = std::string("\"") + exe + "\" --ravik-child " + mode + " " + arg;
        return (process_ = testing_support::StartProcess(command, &processId_)) != nullptr;
    }

    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND window_ = nullptr;
};

// Holds the ring mutex on a thread of its own (a mutex is recursive for the
// thread that owns it, so the writers under test must run on other threads).
// With `abandon`, the thread ends without releasing it.
class MutexHolder {
  public:
    explicit MutexHolder(bool abandon = false) : abandon_(abandon) {
        thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
        WaitForSingleObject(held_, 10000);
        if (abandon_) WaitForSingleObject(thread_, 10000);
    }
    ~MutexHolder() {
        SetEvent(release_);
        WaitForSingleObject(thread_, 10000);
        for (HANDLE h : {thread_, held_, release_})
            CloseHandle(h);
    }
    bool Held() const { return holding_; }

  private:
    static DWORD WINAPI Run(void* self) {
        auto* holder = static_cast<MutexHolder*>(self);
        HANDLE mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, RingMutexName);
        holder->holding_ = mutex && WaitForSingleObject(mutex, 10000) == WAIT_OBJECT_0;
        SetEvent(holder->held_);
        // Abandoned: the thread ends still owning it.
        if (!holder->abandon_) WaitForSingleObject(holder->release_, INFINITE);
        if (holder->holding_ && !holder->abandon_) ReleaseMutex(mutex);
        CloseHandle(mutex);
        return 0;
    }

    bool abandon_;
    bool holding_ = false;
    HANDLE held_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread_ = nullptr;
};

} // namespace ravik_test

// main() of a ravik test executable: the child modes, else the tests.
#define RAVIK_TEST_MAIN()                                                                          \
    int main(int argc, char** argv) {                                                              \
        int child = ravik_test::RunChildMode(argc, argv);                                          \
        if (child >= 0) return child;                                                              \
        testing::InitGoogleTest(&argc, argv);                                                      \
        return RUN_ALL_TESTS();                                                                    \
    }
