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

// The section ".sharedd" of the loaded ravik.dll: the very memory every process
// that maps the library shares.
inline const SharedHookArea* MappedArea() {
    auto base = reinterpret_cast<const BYTE*>(GetModuleHandleA("ravik.dll"));
    if (!base) return nullptr;
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (memcmp(section->Name, ".sharedd", 8) == 0 &&
            section->Misc.VirtualSize >= sizeof(SharedHookArea))
            return reinterpret_cast<const SharedHookArea*>(base + section->VirtualAddress);
    }
    return nullptr;
}

inline const SharedHookArea& Area() {
    static const SharedHookArea* area = MappedArea();
    return *area;
}

// Takes every pending entry out of the ring and resets the ring event.
inline void DrainRing() {
    for (int i = 0; i < RingSize && NewMessage() != 0; ++i)
        IncRead();
    if (HANDLE event = OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, RingEventName)) {
        ResetEvent(event);
        CloseHandle(event);
    }
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
    while (Area().proxyCount > 0) {
        int before = Area().proxyCount;
        RmWnd(Area().proxyWnds[0]);
        if (Area().proxyCount == before) break;
    }
    DrainRing();
}

// Wine keeps, per thread, which kinds of hook are installed, and refreshes it
// only when the thread takes a message from the server: until then a hook that
// another process installed is not called for this thread's own sends.
inline void NoticeHooksOfOtherProcesses() {
    PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
    testing_support::PumpMessages();
}

inline HANDLE OpenRingEvent() {
    return OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, RingEventName);
}

inline bool EventIsSignalled(HANDLE event) {
    return WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

// A hidden window whose procedure handles every message by returning 0, so
// that any message code with any parameters can be sent to it safely.
inline LRESULT CALLBACK SinkProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_NCCREATE ? TRUE : 0;
}

inline HWND CreateSinkWindow() {
    static ATOM atom = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = SinkProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "RavikTestSink";
        return RegisterClassA(&wc);
    }();
    if (!atom) return nullptr;
    return CreateWindowExA(0, "RavikTestSink", "sink", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// ---- Child processes -------------------------------------------------------
// The test executable started again with "--ravik-child MODE ARG". Its windows
// are found by class and a title that holds the child's process id.

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

// What the main window of every child does by default: a close request ends
// the child.
inline LRESULT MainWindowDefault(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) return DestroyWindow(hwnd), 0;
    if (message == WM_DESTROY) return PostQuitMessage(0), 0;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

inline LRESULT CALLBACK ProgramProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return MainWindowDefault(hwnd, message, wParam, lParam);
}

inline HWND TabControl;
inline WNDPROC TabClassProc;

// The procedure the fake shell itself puts on its tab control, so that the
// former procedure and the class's procedure can be told apart.
inline LRESULT CALLBACK FormerTabProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(TabClassProc, hwnd, message, wParam, lParam);
}

inline LRESULT InsertItem(UINT code, WPARAM index, LPARAM value) {
    if (code == TCM_INSERTITEMW) {
        TCITEMW item = {};
        item.mask = TCIF_TEXT | TCIF_PARAM;
        item.pszText = const_cast<wchar_t*>(L"button");
        item.lParam = value;
        return SendMessageW(TabControl, code, index, reinterpret_cast<LPARAM>(&item));
    }
    TCITEMA item = {};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = const_cast<char*>("button");
    item.lParam = value;
    return SendMessageA(TabControl, code, index, reinterpret_cast<LPARAM>(&item));
}

inline LRESULT TabProcKindNow() {
    auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(TabControl, GWLP_WNDPROC));
    if (current == FormerTabProc) return TabRunsFormerProc;
    if (current == reinterpret_cast<WNDPROC>(GetClassLongPtrW(TabControl, GCLP_WNDPROC)))
        return TabRunsClassProc;
    return TabRunsOtherProc;
}

inline LRESULT CALLBACK TrayProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case TrayInsertA:
        return InsertItem(TCM_INSERTITEMA, wParam, lParam);
    case TrayInsertW:
        return InsertItem(TCM_INSERTITEMW, wParam, lParam);
    case TrayTabProc:
        return TabProcKindNow();
    case TrayTab:
        return reinterpret_cast<LRESULT>(TabControl);
    case TrayRavikMapped:
        return GetModuleHandleA("ravik.dll") != nullptr;
    default:
        return MainWindowDefault(hwnd, message, wParam, lParam);
    }
}

inline bool Register(const char* name, WNDPROC proc) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = name;
    return RegisterClassA(&wc) != 0;
}

inline int RunLoop() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}

// A taskbar laid out like the Windows 2000 shell's: "Shell_TrayWnd" -> a window
// of class `switchClass` -> a SysTabControl32, topmost so that
// FindWindowA("Shell_TrayWnd", NULL) finds it first. Hidden: no activation
// messages reach the ring from it.
inline int RunTray(const char* switchClass) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);
    if (!Register(TrayClass, TrayProc) || !Register(switchClass, DefWindowProcA)) return 2;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    std::string title = ChildTitle("tray", GetCurrentProcessId());
    HWND tray = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TrayClass, title.c_str(),
                                WS_POPUP, 0, 990, 1280, 34, nullptr, nullptr, instance, nullptr);
    HWND taskSwitch = CreateWindowExA(0, switchClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 1000, 34,
                                      tray, nullptr, instance, nullptr);
    TabControl = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | TCS_BUTTONS, 0, 0,
                                 1000, 34, taskSwitch, nullptr, instance, nullptr);
    if (!tray || !taskSwitch || !TabControl) return 3;
    SetWindowPos(tray, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    TabClassProc = reinterpret_cast<WNDPROC>(GetClassLongPtrW(TabControl, GCLP_WNDPROC));
    SetWindowLongPtrW(TabControl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FormerTabProc));
    return RunLoop();
}

// A program that holds the hook while its window is open: SetHook(0, 0) first,
// FreeHook when the window is closed.
inline int RunHookOwner() {
    if (!SetHook(0, 0) || !Register(ProgramClass, ProgramProc)) return 2;
    std::string title = ChildTitle("hook-owner", GetCurrentProcessId());
    if (!CreateWindowExA(0, ProgramClass, title.c_str(), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr))
        return 3;
    RunLoop();
    FreeHook();
    return 0;
}

// A program that subclasses the taskbar and ends without FreeHook, as one that
// crashed would. Its exit code is SetSubClass's result.
inline int RunProgramThatDies(int load) {
    if (!SetHook(1, 0)) return 2;
    int result = SetSubClass(load);
    ExitProcess(result);
}

} // namespace child

// Runs the child mode named on the command line; -1 when this is no child.
inline int RunChildMode(int argc, char** argv) {
    if (argc < 3 || strcmp(argv[1], "--ravik-child") != 0) return -1;
    if (strcmp(argv[2], "hook-owner") == 0) return child::RunHookOwner();
    if (strcmp(argv[2], "tray") == 0 && argc >= 4) return child::RunTray(argv[3]);
    if (strcmp(argv[2], "dying-program") == 0 && argc >= 4)
        return child::RunProgramThatDies(atoi(argv[3]));
    return 1;
}

// A child process of this test executable and its main window.
class Child {
  public:
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { Stop(); }

    // Starts the child and waits for its window. Modes: "hook-owner", and
    // "tray" with the class name of the task-switch window.
    bool Start(const char* mode, const char* arg = "") {
        if (!Launch(mode, arg)) return false;
        std::string title = ChildTitle(mode, processId_);
        const char* cls = strcmp(mode, "tray") == 0 ? TrayClass : ProgramClass;
        testing_support::WaitUntil([&] {
            window_ = FindWindowA(cls, title.c_str());
            return window_ != nullptr;
        });
        // Found while it may still be in its creation: wait until its loop runs.
        DWORD_PTR ignored;
        return window_ && SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
    }

    // Closes the window, which ends the child; ends it by force when it does
    // not end within 10 s.
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
        if (!Launch(mode, arg)) return -1;
        DWORD code = static_cast<DWORD>(-1);
        if (WaitForSingleObject(process_, 10000) == WAIT_OBJECT_0)
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
        process_ = testing_support::StartProcess(command, &processId_);
        return process_ != nullptr;
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
        held_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
        WaitForSingleObject(held_, 10000);
        if (abandon_) WaitForSingleObject(thread_, 10000);
    }
    ~MutexHolder() {
        Release();
        CloseHandle(held_);
        CloseHandle(release_);
    }
    void Release() {
        if (!thread_) return;
        SetEvent(release_);
        WaitForSingleObject(thread_, 10000);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    bool Held() const { return holding_; }

  private:
    static DWORD WINAPI Run(void* self) {
        auto* holder = static_cast<MutexHolder*>(self);
        HANDLE mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, RingMutexName);
        holder->holding_ = mutex && WaitForSingleObject(mutex, 10000) == WAIT_OBJECT_0;
        SetEvent(holder->held_);
        if (holder->abandon_) {
            CloseHandle(mutex); // the thread still owns it and ends: the mutex is abandoned
            return 0;
        }
        WaitForSingleObject(holder->release_, INFINITE);
        if (holder->holding_) ReleaseMutex(mutex);
        CloseHandle(mutex);
        return 0;
    }

    bool abandon_;
    bool holding_ = false;
    HANDLE held_;
    HANDLE release_;
    HANDLE thread_;
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
