// ravik.dll with real messages, in this process and in child processes of this
// test executable: the event ring and the mutex its writers share, hook
// ownership across processes, the proxy list, and the taskbar subclass inside a
// fake Windows 2000 taskbar ("Shell_TrayWnd" -> "MSTaskSwWClass" -> tab control)
// that tells which procedure its tab control runs.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <stdlib.h>
#include <string.h>

#include "hook/ravik.h"
#include "hook/pure/ring.h"
#include "tests/support/support.h"

using testing_support::WaitUntil;

namespace {

std::vector<WndMes> ReadAll() { // the pending entries, taken as the program takes them
    std::vector<WndMes> entries;
    for (WndMes m; entries.size() < (size_t)RingSize && NewMessage() != 0; IncRead())
        entries.push_back(*GetWndMes(&m));
    return entries;
}

using Entries = std::vector<std::pair<HWND, uint32_t>>;
Entries Titles() { // (window, wParam) of the pending WM_SETTEXT entries
    Entries titles;
    for (const WndMes& m : ReadAll())
        if (m.message == WM_SETTEXT) titles.push_back({WndMesWindow(m), m.wParam});
    return titles;
}

void SendNumbered(HWND hwnd, int first, int count) { // WM_SETTEXT, numbered in wParam
    for (int i = first; i < first + count; ++i)
        SendMessageA(hwnd, WM_SETTEXT, i, 0);
}

// ---- Child processes: this executable started with "--ravik-child MODE ARG" ----

constexpr UINT TrayInsert = WM_APP + 1;  // a button for the window in lParam
constexpr UINT TrayTabProc = WM_APP + 2; // which procedure the tab control runs:
enum TabProc { FormerProc = 1, ClassProc, OtherProc };

HWND Tab; // the fake taskbar's tab control, in the child
WNDPROC TabClassProc;

// The procedure the fake shell itself puts on its tab control, so that the
// control's former procedure and its class's can be told apart.
LRESULT CALLBACK FormerTabProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(TabClassProc, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK ChildProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    TCITEMA item = {TCIF_TEXT | TCIF_PARAM, 0, 0, (char*)"button", 0, 0, lParam};
    auto proc = (WNDPROC)GetWindowLongPtrW(Tab, GWLP_WNDPROC);
    if (message == TrayInsert) return SendMessageA(Tab, TCM_INSERTITEMA, 0, (LPARAM)&item);
    if (message == TrayTabProc)
        return proc == FormerTabProc ? FormerProc : proc == TabClassProc ? ClassProc : OtherProc;
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK SinkProc(HWND, UINT message, WPARAM, LPARAM) { // takes any message safely
    return message == WM_NCCREATE;
}

HWND MakeWindow(const char* cls, WNDPROC proc, const char* title, DWORD exStyle, HWND parent) {
    WNDCLASSA wc = {0, proc, 0, 0, GetModuleHandleA(nullptr), 0, 0, 0, 0, cls};
    RegisterClassA(&wc);
    return CreateWindowExA(exStyle, cls, title, parent ? WS_CHILD : WS_POPUP, 0, 990, 1000, 34,
                           parent, nullptr, wc.hInstance, nullptr);
}

// tray ARG: a hidden fake taskbar, topmost, so that FindWindowA("Shell_TrayWnd") finds it
// first, whose task switcher holds a tab control (ARG 0) or, as later shells do, a toolbar (1)
// or a task list (2); hook: holds the hook while its window is open; hold: holds the ring mutex
// likewise; abandon: ends holding the mutex; die ARG: subclasses the taskbar with Load ARG and
// ends without FreeHook, as a program that crashed (its exit code is SetSubClass's).
int RunChild(const std::string& mode, int arg) {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, RingMutexName);
    if (mode == "abandon") ExitProcess(WaitForSingleObject(mutex, 10000));
    if (mode == "die") ExitProcess(SetHook(1, 0) ? SetSubClass(arg) : 2);
    bool held = mode == "hold" && WaitForSingleObject(mutex, 10000) == WAIT_OBJECT_0;
    if (mode == "hook" && !SetHook(0, 0)) return 2;
    bool tray = mode == "tray";
    HWND main = MakeWindow(tray ? "Shell_TrayWnd" : "RavikChild", ChildProc, "child",
                           tray ? WS_EX_TOPMOST | WS_EX_TOOLWINDOW : 0, nullptr);
    if (tray) {
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_TAB_CLASSES};
        InitCommonControlsEx(&classes);
        HWND tasks = MakeWindow("MSTaskSwWClass", DefWindowProcA, "", 0, main);
        const char* strip = arg == 1 ? "ToolbarWindow32" : arg == 2 ? "MSTaskListWClass" : nullptr;
        Tab = strip ? MakeWindow(strip, DefWindowProcA, "", 0, tasks)
                    : CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | TCS_BUTTONS, 0, 0, 1000, 34,
                                      tasks, nullptr, nullptr, nullptr);
        TabClassProc = (WNDPROC)GetClassLongPtrW(Tab, GCLP_WNDPROC);
        SetWindowLongPtrW(Tab, GWLP_WNDPROC, (LONG_PTR)FormerTabProc);
    }
    for (MSG msg; GetMessageA(&msg, nullptr, 0, 0) > 0;)
        DispatchMessageA(&msg);
    if (mode == "hook") FreeHook();
    if (held) ReleaseMutex(mutex);
    return 0;
}

struct Child {
    HANDLE process = nullptr;
    DWORD pid = 0;
    HWND window = nullptr;

    ~Child() { Stop(); }
    bool Launch(const char* mode, int arg = 0) {
        char exe[MAX_PATH];
        GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string line =
            "\"" + std::string(exe) + "\" --ravik-child " + mode + " " + std::to_string(arg);
        return (process = testing_support::StartProcess(line, &pid)) != nullptr;
    }
    bool Start(const char* mode, int arg = 0) { // and waits until its window's loop runs
        const char* cls = strcmp(mode, "tray") ? "RavikChild" : "Shell_TrayWnd";
        return Launch(mode, arg) &&
               (window = testing_support::WaitWindowOf(pid, cls, nullptr, true)) &&
               (Send(WM_NULL), true);
    }
    int Run(const char* mode, int arg = 0) { // a child without window: its exit code
        DWORD code = (DWORD)-1;
        if (Launch(mode, arg) && WaitForSingleObject(process, 10000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process, &code);
        return (int)code;
    }
    void Stop() { // closes the window (WM_CLOSE destroys it), which ends the child
        if (window) PostMessageA(window, WM_CLOSE, 0, 0);
        if (process && WaitForSingleObject(process, 10000)) TerminateProcess(process, 1);
        if (process) CloseHandle(process);
        process = nullptr;
    }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageA(window, message, wParam, lParam);
    }
};

// Every test starts without hook or subclass, whatever an earlier test left,
// then holds the hook itself with an empty ring.
class Ravik : public testing::Test {
  protected:
    void SetUp() override {
        FreeHook();
        sink = MakeWindow("RavikSink", SinkProc, "sink", 0, nullptr);
        event = OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, RingEventName);
        ASSERT_EQ(SetHook(0, 0), 1);
        ResetEvent(event);
    }
    void TearDown() override {
        FreeHook();
        DestroyWindow(sink);
        CloseHandle(event);
    }
    HWND sink = nullptr;
    HANDLE event = nullptr;
};

TEST_F(Ravik, UnreadEntriesBeyondTheRingOverwriteTheOldestAndANewHookStartsEmpty) {
    for (int writes : {99, 100, 101, 250}) { // the reader finds the writes % 100 newest
        ASSERT_TRUE(FreeHook() && SetHook(0, 0));
        EXPECT_EQ(NewMessage(), 0);
        SendNumbered(sink, 1, writes);
        std::vector<WndMes> entries = ReadAll();
        int pending = writes % RingSize;
        ASSERT_EQ((int)entries.size(), pending) << writes;
        for (int i = 0; i < pending; ++i)
            EXPECT_EQ(entries[i].wParam, (uint32_t)(writes - pending + 1 + i)) << writes;
    }
}

TEST_F(Ravik, AWriterPastTheEndGivesANegativeCountAndTheSlotsAreReadInRingOrder) {
    SendNumbered(sink, 1, 98);
    ASSERT_EQ(ReadAll().size(), 98u);
    SendNumbered(sink, 99, 5);
    EXPECT_EQ(NewMessage(), -95);
    EXPECT_EQ(Titles(), (Entries{{sink, 99}, {sink, 100}, {sink, 101}, {sink, 102}, {sink, 103}}));
}

TEST_F(Ravik, OnlyTheEightCodesAreRecordedWithTheirParametersAndSignalTheReader) {
    // WM_GETTEXT (13) is not WM_SETTEXT (12); the tab control's codes come only
    // from the taskbar subclass.
    const UINT codes[] = {WM_CREATE,        WM_DESTROY,      WM_ACTIVATE,    WM_SETTEXT,
                          WM_STYLECHANGED,  WM_NCACTIVATE,   WM_INITDIALOG,  WM_SHOWWINDOW,
                          WM_NULL,          WM_MOVE,         WM_GETTEXT,     WM_USER + 1,
                          TCM_GETITEMCOUNT, TCM_INSERTITEMA, TCM_DELETEITEM, UnsubclassMessage};
    for (const UINT& code : codes) {
        bool recorded = &code - codes < 8; // the first eight
        SendMessageA(sink, code, 0x11223344, 0x55667788);
        EXPECT_EQ(WaitForSingleObject(event, 0) == WAIT_OBJECT_0, recorded) << code;
        std::vector<WndMes> e = ReadAll();
        ASSERT_EQ(e.size(), recorded ? 1u : 0u) << code;
        EXPECT_TRUE(!recorded || (WndMesWindow(e[0]) == sink && e[0].message == code &&
                                  e[0].wParam == 0x11223344u && e[0].lParam == 0x55667788u))
            << code;
    }
}

TEST_F(Ravik, AMutexHeldElsewhereDropsEntriesAndTheSubclassAndAnAbandonedOneIsTakenOver) {
    Child tray, holder;
    ASSERT_TRUE(FreeHook() && tray.Start("tray") && holder.Start("hold"));
    ASSERT_EQ(SetHook(1, 0), 1); // a hook that may subclass the taskbar
    SendNumbered(sink, 1, 1);
    tray.Send(WM_SETTEXT, 2,
              (LPARAM) "tray"); // comes back: the writer in the tray's process gave up
    EXPECT_EQ(NewMessage(), 0);
    EXPECT_EQ(SetSubClass(0), 0);
    EXPECT_EQ(tray.Send(TrayTabProc), FormerProc);
    holder.Stop(); // releases it
    ASSERT_EQ(Child().Run("abandon"), 0);
    SendNumbered(sink, 3, 1);                  // takes the abandoned mutex over
    tray.Send(WM_SETTEXT, 4, (LPARAM) "tray"); // and released it for the next process
    EXPECT_EQ(Titles(), (Entries{{sink, 3}, {tray.window, 4}}));
    EXPECT_EQ(SetSubClass(0), 1);
}

TEST_F(Ravik, ARefusedProgramsFreeHookLeavesTheRunningOneAloneWhoseEndFreesTheHook) {
    auto records = [&](int n) {
        ReadAll();
        SendMessageA(sink, WM_SETTEXT, n, 0);
        return NewMessage();
    };
    Child first;
    ASSERT_TRUE(FreeHook() && first.Start("hook"));
    // A program refused while the first runs (told why, never "success") ends
    // with its own FreeHook, which leaves the first one's hook recording.
    EXPECT_EQ(SetHook(0, 0), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_BUSY);
    EXPECT_EQ(FreeHook(), 1);
    EXPECT_EQ(SetHook(0, 0), 0);
    // Wine learns of other processes' hooks when this thread takes a message from its server.
    PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
    testing_support::PumpMessages();
    EXPECT_EQ(records(1), 1);
    first.Stop();
    ASSERT_EQ(SetHook(0, 0), 1);
    EXPECT_EQ(records(2), 1);
    EXPECT_EQ(FreeHook(), 1);
    EXPECT_EQ(records(3), 0);
}

TEST_F(Ravik, TheProxyListRefusesOneTooManyAndTakesOneAgainWhenOneLeaves) {
    auto proxy = [](int n) { return (HWND)(ULONG_PTR)(0x7000 + n); };
    for (int i = 0; i < ProxyListSize; ++i)
        ASSERT_NE(SetWnd(proxy(i)), 0) << i;
    EXPECT_EQ(SetWnd(proxy(500)), 0);
    EXPECT_NE(RmWnd(proxy(999)), 0); // not in the list: nothing changes
    EXPECT_EQ(SetWnd(proxy(500)), 0);
    EXPECT_NE(RmWnd(proxy(1)), 0);
    EXPECT_NE(SetWnd(proxy(500)), 0);
    for (int i = 0; i <= 500; ++i)
        RmWnd(proxy(i));
}

TEST_F(Ravik, ATaskSwitcherHoldingNoTabControlIsLeftAlone) {
    for (int strip : {1, 2}) { // the toolbar of XP and Vista, the task list of 7 to 11
        Child tray;
        ASSERT_TRUE(FreeHook() && tray.Start("tray", strip));
        ASSERT_EQ(SetHook(1, 0), 1);
        EXPECT_EQ(SetSubClass(0), 0) << strip;
        EXPECT_EQ(tray.Send(TrayTabProc), FormerProc) << strip;
    }
}

class Taskbar : public Ravik { // with the fake taskbar running and no hook
  protected:
    void SetUp() override {
        Ravik::SetUp();
        ASSERT_TRUE(FreeHook() && tray.Start("tray"));
        ASSERT_EQ(FindWindowA("Shell_TrayWnd", nullptr), tray.window);
    }
    void Subclass(int load, int classAddress = 0) {
        ASSERT_TRUE(SetHook(1, classAddress) && SetSubClass(load));
        ASSERT_EQ(tray.Send(TrayTabProc), OtherProc);
        ReadAll();
    }
    Child tray;
};

TEST_F(Taskbar, FreeHookGivesTheControlItsFormerOrItsClassProcedureBack) {
    for (int both : {0, 1}) { // Load and ClassAddress
        Subclass(both, both);
        EXPECT_EQ(tray.Send(TrayInsert, 0, 0x200), 0);
        EXPECT_EQ(ReadAll().size(), 1u); // the button recorded
        EXPECT_EQ(FreeHook(), 1);
        EXPECT_EQ(tray.Send(TrayTabProc), both ? ClassProc : FormerProc);
    }
}

TEST_F(Taskbar, ASubclassMadeBeforeSetSubClassIsNotMadeTwice) {
    ASSERT_EQ(SetHook(1, 0), 1);
    EXPECT_EQ(tray.Send(TrayTabProc), OtherProc); // any message the tray handles subclasses
    EXPECT_EQ(SetSubClass(0), 1);
    ReadAll();
    EXPECT_EQ(tray.Send(TrayInsert, 0, 0x300), 0); // a control calling itself would not return
    EXPECT_EQ(ReadAll().size(), 1u);
    EXPECT_EQ(FreeHook(), 1);
    EXPECT_EQ(tray.Send(TrayTabProc), FormerProc);
}

TEST_F(Taskbar, ASubclassWhoseTaskbarEndedIsForgottenAndTheNextTaskbarIsSubclassed) {
    Subclass(0);
    tray.Stop(); // the shell ends without the subclass undone
    EXPECT_EQ(FreeHook(), 1);
    ASSERT_TRUE(tray.Start("tray"));
    Subclass(0);
}

TEST_F(Taskbar, TheTaskbarKeepsWorkingWhenTheProgramEndsWithoutFreeHook) {
    for (int load : {0, 1}) {
        ASSERT_EQ(Child().Run("die", load), 1) << load;
        // Its hooks went with it; the subclass and the library stay in the taskbar.
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(tray.Send(TrayInsert, 0, 0x400 + i), 0);
        // The flag outlived its program, which has ended: the next start takes
        // it, takes the subclass over and undoes it at its end.
        EXPECT_EQ(tray.Send(TrayTabProc), OtherProc);
        ASSERT_TRUE(SetHook(1, 0) && SetSubClass(load));
        ReadAll();
        EXPECT_EQ(tray.Send(TrayInsert, 0, 0x410), 0);
        EXPECT_EQ(ReadAll().size(), 1u);
        EXPECT_EQ(FreeHook(), 1);
        EXPECT_EQ(tray.Send(TrayTabProc), FormerProc);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && strcmp(argv[1], "--ravik-child") == 0) return RunChild(argv[2], atoi(argv[3]));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
