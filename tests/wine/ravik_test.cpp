// ravik.dll with real messages, in this process and in others: the event
// ring, hook installation and proxy list; the taskbar subclass against the
// stand-in taskbar and against a fake taskbar whose tab control can be
// questioned from inside its process. Both taskbars are laid out like the
// Windows 2000 shell's ("Shell_TrayWnd" -> "MSTaskSwWClass" -> tab control).
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "tests/support/standin.h"
#include "tests/support/testapp.h"
#include "tests/wine/ravik_support.h"

using namespace ravik_test;
using testing_support::StandinTaskbar;
using testing_support::TestApp;
using testing_support::WaitUntil;

namespace {

HWND Handle(int n) {
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x7000 + n));
}

// Sends `count` recorded messages (WM_SETTEXT) to `wnd`, numbered first..first+count-1 in wParam.
void SendNumbered(HWND wnd, int first, int count) {
    for (int i = first; i < first + count; ++i)
        SendMessageA(wnd, WM_SETTEXT, i, 0);
}

std::vector<HWND> ProxyList() {
    return std::vector<HWND>(Area().proxyWnds, Area().proxyWnds + Area().proxyCount);
}

class Ring : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(MappedArea(), nullptr);
        ResetLibrary();
        wnd_ = CreateSinkWindow(); // before the hook: its creation is not recorded
        ASSERT_NE(wnd_, nullptr);
        event_ = OpenRingEvent();
        ASSERT_NE(event_, nullptr);
        ASSERT_EQ(SetHook(0, 0), 1);
        EventIsSignalled(event_); // reset
    }
    void TearDown() override {
        ResetLibrary();
        DestroyWindow(wnd_);
        CloseHandle(event_);
    }
    // The test application with one hidden window, started under the hook; its window.
    HWND LaunchApp() {
        if (!app_.Launch("open hidden")) return nullptr;
        std::vector<HWND> windows = app_.Windows();
        DrainRing();
        return windows.size() == 1 ? windows[0] : nullptr;
    }
    // The WM_SETTEXT entries pending, as (window, number) pairs.
    std::vector<std::pair<uint32_t, uint32_t>> Titles() {
        std::vector<std::pair<uint32_t, uint32_t>> out;
        for (const WndMes& m : Only(ReadAll(), WM_SETTEXT))
            out.push_back({m.hwnd, m.wParam});
        return out;
    }

    HWND wnd_ = nullptr;
    HANDLE event_ = nullptr;
    testing_support::TestApp app_;
};

TEST_F(Ring, RecordedMessagesArePendingUntilReadAndNoneAfterANewSetHook) {
    SendNumbered(wnd_, 1, 3);
    EXPECT_EQ(NewMessage(), 3);
    for (int i = 1; i <= 3; ++i) {
        WndMes m = {};
        EXPECT_EQ(GetWndMes(&m), &m);
        EXPECT_EQ(m.hwnd, Low32(wnd_));
        EXPECT_EQ(m.message, static_cast<uint32_t>(WM_SETTEXT));
        EXPECT_EQ(m.wParam, static_cast<uint32_t>(i));
        IncRead();
    }
    EXPECT_EQ(NewMessage(), 0);
    SendNumbered(wnd_, 1, 7);
    ASSERT_EQ(FreeHook(), 1);
    ASSERT_EQ(SetHook(0, 0), 1);
    EXPECT_EQ(NewMessage(), 0);
    EXPECT_EQ(Area().readIndex, 0);
    EXPECT_EQ(Area().writeIndex, 0);
}

TEST_F(Ring, UnreadEntriesBeyondTheRingOverwriteTheOldest) {
    // After k unread writes the reader sees the k mod 100 newest, in order.
    for (int writes : {99, 100, 101, 250}) {
        SCOPED_TRACE(writes);
        ASSERT_EQ(FreeHook(), 1);
        ASSERT_EQ(SetHook(0, 0), 1);
        SendNumbered(wnd_, 1, writes);
        int pending = writes % 100;
        EXPECT_EQ(NewMessage(), pending);
        std::vector<WndMes> entries = ReadAll();
        ASSERT_EQ(static_cast<int>(entries.size()), pending);
        for (int i = 0; i < pending; ++i)
            EXPECT_EQ(entries[i].wParam, static_cast<uint32_t>(writes - pending + 1 + i));
    }
}

TEST_F(Ring, WriterPastTheEndGivesNegativeNewMessageAndSlotsAreReadInRingOrder) {
    SendNumbered(wnd_, 1, 98);
    ASSERT_EQ(static_cast<int>(ReadAll().size()), 98);
    SendNumbered(wnd_, 99, 5);
    EXPECT_EQ(NewMessage(), -95);
    std::vector<int> slots;
    std::vector<uint32_t> numbers;
    while (NewMessage() != 0 && slots.size() < 10) {
        slots.push_back(Area().readIndex);
        WndMes m;
        numbers.push_back(GetWndMes(&m)->wParam);
        IncRead();
    }
    EXPECT_EQ(slots, (std::vector<int>{98, 99, 0, 1, 2}));
    EXPECT_EQ(numbers, (std::vector<uint32_t>{99, 100, 101, 102, 103}));
}

TEST_F(Ring, SecondSetHookIsRefusedAndChangesNothing) {
    SendNumbered(wnd_, 1, 3);
    SharedHookArea before = Area();
    EXPECT_EQ(SetHook(1, 1), 0);
    EXPECT_EQ(Area().hook, before.hook);
    EXPECT_EQ(Area().hookActive, 1);
    EXPECT_EQ(Area().subclassFlag, 0);
    EXPECT_EQ(Area().classAddressFlag, 0);
    EXPECT_EQ(Area().writeIndex, before.writeIndex);
    SendNumbered(wnd_, 4, 1); // the first hook still records
    EXPECT_EQ(NewMessage(), 4);
}

TEST_F(Ring, TheEightCodesAreRecordedWithTheirParametersAndSignalledOthersNot) {
    const UINT recorded[] = {WM_CREATE,       WM_DESTROY,    WM_ACTIVATE,   WM_SETTEXT,
                             WM_STYLECHANGED, WM_NCACTIVATE, WM_INITDIALOG, WM_SHOWWINDOW};
    for (UINT code : recorded) {
        SCOPED_TRACE(code);
        SendMessageA(wnd_, code, 0x11223344, 0x55667788);
        EXPECT_TRUE(EventIsSignalled(event_));
        std::vector<WndMes> entries = ReadAll();
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].hwnd, Low32(wnd_));
        EXPECT_EQ(entries[0].message, code);
        EXPECT_EQ(entries[0].wParam, 0x11223344u);
        EXPECT_EQ(entries[0].lParam, 0x55667788u);
    }
    // WM_GETTEXT (13) is not WM_SETTEXT (12); the tab-control codes come only
    // from the taskbar subclass.
    for (UINT code :
         {(UINT)WM_NULL, (UINT)WM_MOVE, (UINT)WM_GETTEXT, (UINT)WM_USER + 1, (UINT)TCM_GETITEMCOUNT,
          (UINT)TCM_INSERTITEMA, (UINT)TCM_DELETEITEM, UnsubclassMessage}) {
        SendMessageA(wnd_, code, 0, 0);
        EXPECT_EQ(NewMessage(), 0) << code;
        EXPECT_FALSE(EventIsSignalled(event_)) << code;
    }
}

TEST_F(Ring, MessagesOfAWindowInAnotherProcessAreRecordedWithItsHandle) {
    HWND remote = LaunchApp();
    ASSERT_NE(remote, nullptr);
    EXPECT_EQ(app_.Send("title #0 remote"), "ok"); // retitled by the application itself
    SendMessageA(remote, WM_SETTEXT, 5, reinterpret_cast<LPARAM>("sent"));
    using Entry = std::pair<uint32_t, uint32_t>;
    EXPECT_EQ(Titles(), (std::vector<Entry>{{Low32(remote), 0}, {Low32(remote), 5}}));
}

TEST_F(Ring, EventWakesAWaitingReader) {
    DWORD result = WAIT_FAILED;
    std::thread reader([&] { result = WaitForSingleObject(event_, 10000); });
    SendNumbered(wnd_, 1, 1);
    reader.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
}

TEST_F(Ring, WriterThatCannotGetTheMutexDropsItsEntryAndGoesOn) {
    HWND remote = LaunchApp();
    ASSERT_NE(remote, nullptr);
    {
        MutexHolder holder;
        ASSERT_TRUE(holder.Held());
        SendNumbered(wnd_, 1, 1);
        EXPECT_EQ(app_.Send("title #0 blocked"), "ok"); // the application goes on
        EXPECT_EQ(NewMessage(), 0);
        EXPECT_FALSE(EventIsSignalled(event_));
    }
    SendNumbered(wnd_, 2, 1);
    EXPECT_EQ(app_.Send("title #0 free"), "ok");
    using Entry = std::pair<uint32_t, uint32_t>;
    EXPECT_EQ(Titles(), (std::vector<Entry>{{Low32(wnd_), 2}, {Low32(remote), 0}}));
}

TEST_F(Ring, AbandonedMutexIsTakenOverTheEntryWrittenAndTheMutexReleased) {
    HWND remote = LaunchApp();
    ASSERT_NE(remote, nullptr);
    MutexHolder abandoned(true);
    ASSERT_TRUE(abandoned.Held());
    SendNumbered(wnd_, 1, 1);
    EXPECT_EQ(app_.Send("title #0 after"), "ok"); // another process gets the mutex afterwards
    using Entry = std::pair<uint32_t, uint32_t>;
    EXPECT_EQ(Titles(), (std::vector<Entry>{{Low32(wnd_), 1}, {Low32(remote), 0}}));
}

TEST_F(Ring, FreeHookStopsRecordingReturnsOneEvenWithoutHookAndLeavesNoSubclassCount) {
    EXPECT_EQ(GetSysTabCnt(), 0); // no subclass
    EXPECT_EQ(FreeHook(), 1);
    EXPECT_EQ(Area().hookActive, 0);
    EXPECT_EQ(Area().hook, nullptr);
    SendNumbered(wnd_, 1, 1);
    EXPECT_EQ(NewMessage(), 0);
    EXPECT_EQ(FreeHook(), 1);
    EXPECT_EQ(SetHook(0, 0), 1);
    SendNumbered(wnd_, 2, 1);
    EXPECT_EQ(NewMessage(), 1);
}

TEST_F(Ring, RmWndKeepsTheOrderOfTheOthersAndIgnoresAnUnknownHandle) {
    EXPECT_NE(RmWnd(Handle(9)), 0); // empty list
    for (int i = 1; i <= 3; ++i)
        ASSERT_NE(SetWnd(Handle(i)), 0);
    EXPECT_NE(RmWnd(Handle(9)), 0);
    EXPECT_EQ(ProxyList(), (std::vector<HWND>{Handle(1), Handle(2), Handle(3)}));
    EXPECT_NE(RmWnd(Handle(2)), 0);
    EXPECT_EQ(ProxyList(), (std::vector<HWND>{Handle(1), Handle(3)}));
    {
        MutexHolder holder; // nothing changes while the mutex is held elsewhere
        ASSERT_TRUE(holder.Held());
        EXPECT_EQ(SetWnd(Handle(4)), 0);
        EXPECT_EQ(RmWnd(Handle(1)), 0);
    }
    EXPECT_NE(RmWnd(Handle(1)), 0);
    EXPECT_EQ(ProxyList(), (std::vector<HWND>{Handle(3)}));
}

TEST_F(Ring, SetWndRefusesWhenTheListIsFull) {
    for (int i = 0; i < ProxyListSize; ++i)
        ASSERT_NE(SetWnd(Handle(i)), 0) << i;
    EXPECT_EQ(SetWnd(Handle(500)), 0);
    EXPECT_EQ(Area().proxyCount, ProxyListSize);
    EXPECT_NE(RmWnd(Handle(0)), 0); // room again after one leaves
    EXPECT_NE(SetWnd(Handle(500)), 0);
    EXPECT_EQ(Area().proxyWnds[ProxyListSize - 1], Handle(500));
}

// Three programs: one holding the hook, one refused, and one started after the
// refused one ended, while the first still runs.
TEST(HookOwner, EachProgramsFreeHookRemovesOnlyItsOwnHook) {
    ResetLibrary();
    HWND wnd = CreateSinkWindow();
    ASSERT_NE(wnd, nullptr);
    auto records = [&](int n) {
        DrainRing();
        SendMessageA(wnd, WM_SETTEXT, n, 0);
        return NewMessage();
    };
    Child first;
    ASSERT_TRUE(first.Start("hook-owner"));
    HHOOK firstHook = Area().hook;
    ASSERT_NE(firstHook, nullptr);
    // The refused program: its FreeHook leaves the running hook alone.
    EXPECT_EQ(SetHook(0, 0), 0);
    EXPECT_EQ(FreeHook(), 1);
    EXPECT_EQ(Area().hook, firstHook);
    NoticeHooksOfOtherProcesses();
    EXPECT_EQ(records(1), 1); // the first program's hook goes on recording
    // The next program is accepted; the first one's end removes the first hook only.
    ASSERT_EQ(SetHook(0, 0), 1);
    HHOOK ownHook = Area().hook;
    EXPECT_NE(ownHook, firstHook);
    first.Stop();
    EXPECT_EQ(Area().hook, ownHook);
    EXPECT_EQ(records(2), 1);
    EXPECT_EQ(FreeHook(), 1);
    EXPECT_EQ(records(3), 0);
    DestroyWindow(wnd);
}

// ---- With the stand-in taskbar ----

class Standin : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(MappedArea(), nullptr);
        ResetLibrary();
        ASSERT_NE(wnd_ = CreateSinkWindow(), nullptr);
        ASSERT_TRUE(standin_.Start());
        testing_support::TaskbarState state;
        ASSERT_TRUE(standin_.Read(&state));
        ASSERT_EQ(FindWindowA("Shell_TrayWnd", nullptr), state.tray);
        ASSERT_NE(tab_ = state.tabCtrl, nullptr);
        ASSERT_TRUE(app_.Launch());
    }
    void TearDown() override {
        FreeHook();
        DestroyWindow(wnd_);
    }
    void Subclass(int load, int classAddress = 0) {
        ASSERT_EQ(SetHook(1, classAddress), 1);
        ASSERT_EQ(SetSubClass(load), 1);
        ASSERT_EQ(Area().tabCtrl, tab_);
        DrainRing();
    }
    // Collects entries until one of `message` for `hwnd` (0: any) arrives.
    bool WaitForEntry(UINT message, uint32_t hwnd, WndMes* found) {
        std::vector<WndMes> seen;
        return WaitUntil([&] {
            for (const WndMes& m : ReadAll())
                seen.push_back(m);
            for (const WndMes& m : seen)
                if (m.message == message && (!hwnd || m.hwnd == hwnd)) return *found = m, true;
            return false;
        });
    }
    bool HasButton(HWND hwnd) {
        std::vector<HWND> windows = standin_.ButtonWindows();
        return std::find(windows.begin(), windows.end(), hwnd) != windows.end();
    }

    StandinTaskbar standin_;
    TestApp app_;
    HWND tab_ = nullptr, wnd_ = nullptr;
};

TEST_F(Standin, SetSubClassOnlyAfterSetHookAskedForItAndWithoutLoadKeepsTheCallWndProcHook) {
    ASSERT_EQ(SetHook(0, 0), 1);
    EXPECT_EQ(SetSubClass(0) + SetSubClass(1), 0);
    EXPECT_EQ(Area().savedTabProc, nullptr);
    ASSERT_EQ(FreeHook(), 1);
    ASSERT_EQ(SetHook(1, 0), 1);
    HHOOK hook = Area().hook;
    EXPECT_EQ(SetSubClass(0), 1);
    EXPECT_NE(Area().savedTabProc, nullptr);
    EXPECT_EQ(Area().hook, hook);
    DrainRing();
    SendMessageA(wnd_, WM_SETTEXT, 1, 0); // a sent message: seen by WH_CALLWNDPROC only
    std::vector<WndMes> entries = Only(ReadAll(), WM_SETTEXT);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].hwnd, Low32(wnd_));
}

TEST_F(Standin, SetSubClassWithLoadRecordsPostedButNoLongerSentMessages) {
    Subclass(1);
    EXPECT_NE(Area().hook, nullptr);
    SendMessageA(wnd_, WM_SETTEXT, 1, 0);
    PostMessageA(wnd_, WM_NCACTIVATE, 2, 0);
    WndMes m;
    ASSERT_TRUE(WaitForEntry(WM_NCACTIVATE, Low32(wnd_), &m));
    EXPECT_EQ(m.wParam, 2u);
    EXPECT_TRUE(Only(ReadAll(), WM_SETTEXT).empty());
}

TEST_F(Standin, ButtonsInsertedAndDeletedAreRecordedWithTheWindowOrTheTabControlAndTheIndex) {
    for (int load : {0, 1}) {
        SCOPED_TRACE(load);
        Subclass(load);
        std::vector<HWND> w = app_.Open("count=2");
        ASSERT_EQ(w.size(), 2u);
        WndMes m;
        ASSERT_TRUE(WaitForEntry(TCM_INSERTITEMW, Low32(w[1]), &m));
        std::vector<HWND> buttons = standin_.ButtonWindows();
        EXPECT_EQ(m.wParam, std::find(buttons.begin(), buttons.end(), w[1]) - buttons.begin());
        ASSERT_TRUE(WaitUntil([&] { return HasButton(w[1]); }));
        buttons = standin_.ButtonWindows();
        DrainRing();
        EXPECT_EQ(app_.Send("destroy " + testing_support::WindowRef(w[1])), "ok");
        ASSERT_TRUE(WaitForEntry(TCM_DELETEITEM, 0, &m));
        EXPECT_EQ(m.hwnd, Low32(tab_));
        EXPECT_EQ(m.wParam, std::find(buttons.begin(), buttons.end(), w[1]) - buttons.begin());
        EXPECT_EQ(m.lParam, 0u);
        ASSERT_EQ(FreeHook(), 1);
    }
}

TEST_F(Standin, TwoItemCountsBackToBackGiveOneEntry) {
    Subclass(0);
    app_.Open("count=2");
    ASSERT_TRUE(WaitUntil([&] { return standin_.ButtonWindows().size() == 2; }));
    // Begin outside the interval of a count forwarded earlier.
    ASSERT_TRUE(WaitUntil([] { return CountIsDue(timeGetTime(), Area().lastCountTime); }));
    DrainRing();
    EXPECT_EQ(GetSysTabCnt(), 2);
    EXPECT_EQ(GetSysTabCnt(), 2);
    std::vector<WndMes> counts = Only(ReadAll(), TCM_GETITEMCOUNT);
    ASSERT_EQ(counts.size(), 1u);
    EXPECT_TRUE(counts[0].hwnd == Low32(tab_) && counts[0].wParam == 0 && counts[0].lParam == 0);
}

TEST_F(Standin, AfterFreeHookTheTaskbarKeepsWorkingUnobserved) {
    for (int both : {0, 1}) { // Load and ClassAddress
        Subclass(both, both);
        std::vector<HWND> before = app_.Open();
        ASSERT_TRUE(WaitUntil([&] { return HasButton(before.at(0)); }));
        EXPECT_EQ(FreeHook(), 1);
        EXPECT_EQ(Area().savedTabProc, nullptr);
        DrainRing();
        std::vector<HWND> after = app_.Open();
        EXPECT_TRUE(WaitUntil([&] { return HasButton(after.at(0)); })) << both;
        EXPECT_EQ(app_.Send("destroy " + testing_support::WindowRef(before[0])), "ok");
        EXPECT_TRUE(WaitUntil([&] { return !HasButton(before[0]); })) << both;
        EXPECT_EQ(NewMessage(), 0);
    }
}

// ---- With a fake taskbar that tells which procedure its tab control runs ----

class FakeTaskbarTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(MappedArea(), nullptr);
        ResetLibrary();
        ASSERT_TRUE(tray_.Start("tray", "MSTaskSwWClass"));
        ASSERT_EQ(FindWindowA("Shell_TrayWnd", nullptr), tray_.Window());
        tab_ = reinterpret_cast<HWND>(Tray(TrayTab));
        ASSERT_NE(tab_, nullptr);
    }
    void TearDown() override {
        FreeHook();
        tray_.Stop();
    }

    LRESULT Tray(UINT command, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageA(tray_.Window(), command, wParam, lParam);
    }

    void Subclass(int load, int classAddress = 0) {
        ASSERT_EQ(SetHook(1, classAddress), 1);
        ASSERT_EQ(SetSubClass(load), 1);
        ASSERT_NE(Area().savedTabProc, nullptr);
        ASSERT_EQ(Tray(TrayTabProc), TabRunsOtherProc);
        DrainRing();
    }

    Child tray_;
    HWND tab_ = nullptr;
};

TEST_F(FakeTaskbarTest, FreeHookGivesTheControlItsFormerOrItsClassProcedureBack) {
    struct Case {
        int load;
        int classAddress;
        LRESULT after;
    } cases[] = {{0, 0, TabRunsFormerProc}, {1, 1, TabRunsClassProc}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.load * 10 + c.classAddress);
        Subclass(c.load, c.classAddress);
        EXPECT_EQ(Tray(TrayInsertA, 0, 0x200), 0);
        EXPECT_EQ(FreeHook(), 1);
        EXPECT_EQ(Area().savedTabProc, nullptr);
        EXPECT_EQ(Tray(TrayTabProc), c.after);
    }
}

TEST_F(FakeTaskbarTest, SubclassMadeBeforeSetSubClassIsNotMadeTwice) {
    ASSERT_EQ(SetHook(1, 0), 1);
    // Any message sent to the tray window in the shell's process subclasses.
    EXPECT_EQ(Tray(TrayTabProc), TabRunsOtherProc);
    WNDPROC first = Area().savedTabProc;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(SetSubClass(0), 1);
    EXPECT_EQ(Area().savedTabProc, first);
    DrainRing();
    // A control passing messages to itself would never return from this.
    EXPECT_EQ(Tray(TrayInsertA, 0, 0x300), 0);
    EXPECT_EQ(ReadAll().size(), 1u);
    EXPECT_EQ(FreeHook(), 1);
    EXPECT_EQ(Tray(TrayTabProc), TabRunsFormerProc);
    EXPECT_TRUE(tray_.Running());
}

TEST_F(FakeTaskbarTest, NoSubclassWhileTheMutexIsHeldElsewhere) {
    {
        MutexHolder holder;
        ASSERT_TRUE(holder.Held());
        ASSERT_EQ(SetHook(1, 0), 1);
        EXPECT_EQ(SetSubClass(0), 0);
        EXPECT_EQ(Area().savedTabProc, nullptr);
        EXPECT_EQ(Tray(TrayTabProc), TabRunsFormerProc);
    }
    EXPECT_EQ(SetSubClass(0), 1);
}

TEST_F(FakeTaskbarTest, ASubclassWhoseTaskbarEndedIsForgottenAndANewTaskbarIsSubclassed) {
    Subclass(0);
    tray_.Stop(); // the shell ends without the subclass being undone
    EXPECT_EQ(FreeHook(), 1);
    EXPECT_EQ(Area().savedTabProc, nullptr);
    EXPECT_EQ(Area().hook, nullptr);
    ASSERT_TRUE(tray_.Start("tray", "MSTaskSwWClass"));
    ASSERT_EQ(SetHook(1, 0), 1);
    EXPECT_EQ(SetSubClass(0), 1);
    EXPECT_EQ(Area().tabCtrl, reinterpret_cast<HWND>(Tray(TrayTab)));
    EXPECT_EQ(Tray(TrayTabProc), TabRunsOtherProc);
}

TEST_F(FakeTaskbarTest, TaskbarKeepsWorkingWhenTheProgramEndsWithoutFreeHook) {
    for (int load = 0; load <= 1; ++load) {
        SCOPED_TRACE(load);
        Child program;
        ASSERT_EQ(program.Run("dying-program", load ? "1" : "0"), 1);
        // Its hooks went with it; the subclass stays, and so does the library.
        EXPECT_EQ(Tray(TrayTabProc), TabRunsOtherProc);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(Tray(TrayInsertA, 0, 0x400 + i), 0);
        EXPECT_EQ(Tray(TrayRavikMapped), 1);
        EXPECT_TRUE(tray_.Running());
        // The next program is refused once (the flag outlived its program);
        // its FreeHook clears the flag, and the start after it takes over the
        // subclass in place and undoes it at its end.
        WNDPROC kept = Area().savedTabProc;
        EXPECT_EQ(SetHook(1, 0), 0);
        EXPECT_EQ(FreeHook(), 1);
        EXPECT_EQ(Tray(TrayTabProc), TabRunsOtherProc);
        ASSERT_EQ(SetHook(1, 0), 1);
        EXPECT_EQ(SetSubClass(load), 1);
        EXPECT_EQ(Area().savedTabProc, kept);
        DrainRing();
        EXPECT_EQ(Tray(TrayInsertA, 0, 0x410), 0);
        EXPECT_EQ(ReadAll().size(), 1u);
        EXPECT_EQ(FreeHook(), 1);
        EXPECT_EQ(Tray(TrayTabProc), TabRunsFormerProc);
    }
}

TEST(NoSubclass, ALookAlikeTaskSwitchOrOneHoldingNoTabControlIsLeftAlone) {
    // Names that only begin alike or differ in case; the toolbar (XP, Vista)
    // and the task list (7 to 11) of later shells.
    for (const char* name : {"MSTaskSwWClassX", "mstaskswwclass", "MSTaskSwWClass ToolbarWindow32",
                             "MSTaskSwWClass MSTaskListWClass"}) {
        SCOPED_TRACE(name);
        ResetLibrary();
        Child tray;
        ASSERT_TRUE(tray.Start("tray", name));
        ASSERT_EQ(SetHook(1, 0), 1);
        EXPECT_EQ(SetSubClass(0), 0);
        EXPECT_EQ(Area().savedTabProc, nullptr);
        EXPECT_EQ(SendMessageA(tray.Window(), TrayTabProc, 0, 0), TabRunsFormerProc);
        FreeHook();
    }
}

} // namespace

RAVIK_TEST_MAIN()
