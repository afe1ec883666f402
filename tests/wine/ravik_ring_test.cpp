// ravik.dll's event ring, hook installation and proxy list, with the real
// library, real messages and a second process.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>
#include <vector>

#include "tests/support/testapp.h"
#include "tests/wine/ravik_support.h"

using namespace ravik_test;

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

} // namespace

RAVIK_TEST_MAIN()
