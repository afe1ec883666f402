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

class RingTest : public testing::Test {
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
        FreeHook();
        DestroyWindow(wnd_);
        CloseHandle(event_);
    }

    // The test application with one hidden window, started under the hook; its window.
    HWND LaunchApp(testing_support::TestApp* app) {
        if (!app->Launch("open hidden")) return nullptr;
        std::vector<HWND> windows = app->Windows();
        DrainRing();
        return windows.size() == 1 ? windows[0] : nullptr;
    }

    // A fresh SetHook, the way a restarted program begins.
    void Restart() {
        ASSERT_EQ(FreeHook(), 1);
        ASSERT_EQ(SetHook(0, 0), 1);
    }

    HWND wnd_ = nullptr;
    HANDLE event_ = nullptr;
};

TEST_F(RingTest, NewMessageIsZeroRightAfterSetHook) {
    SendNumbered(wnd_, 1, 7);
    ASSERT_EQ(NewMessage(), 7);
    Restart();
    EXPECT_EQ(NewMessage(), 0);
    EXPECT_EQ(Area().readIndex, 0);
    EXPECT_EQ(Area().writeIndex, 0);
}

TEST_F(RingTest, ThreeRecordedMessagesArePendingUntilThreeReads) {
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
}

TEST_F(RingTest, UnreadEntriesBeyondTheRingOverwriteTheOldest) {
    // After k unread writes the reader sees the k mod 100 newest, in order.
    struct Case {
        int writes;
        int pending;
    } cases[] = {{99, 99}, {100, 0}, {101, 1}, {250, 50}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.writes);
        Restart();
        SendNumbered(wnd_, 1, c.writes);
        EXPECT_EQ(NewMessage(), c.pending);
        std::vector<WndMes> entries = ReadAll();
        ASSERT_EQ(static_cast<int>(entries.size()), c.pending);
        for (int i = 0; i < c.pending; ++i)
            EXPECT_EQ(entries[i].wParam, static_cast<uint32_t>(c.writes - c.pending + 1 + i));
    }
}

TEST_F(RingTest, WriterPastTheEndGivesNegativeNewMessageAndSlotsAreReadInRingOrder) {
    SendNumbered(wnd_, 1, 98);
    ASSERT_EQ(static_cast<int>(ReadAll().size()), 98);
    SendNumbered(wnd_, 99, 5);
    EXPECT_EQ(Area().writeIndex, 3);
    EXPECT_EQ(Area().readIndex, 98);
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

TEST_F(RingTest, SecondSetHookIsRefusedAndChangesNothing) {
    SendNumbered(wnd_, 1, 3);
    SharedHookArea before = Area();
    EXPECT_EQ(SetHook(1, 1), 0);
    EXPECT_EQ(Area().hook, before.hook);
    EXPECT_EQ(Area().hookActive, 1);
    EXPECT_EQ(Area().subclassFlag, 0);
    EXPECT_EQ(Area().classAddressFlag, 0);
    EXPECT_EQ(Area().readIndex, before.readIndex);
    EXPECT_EQ(Area().writeIndex, before.writeIndex);
    EXPECT_EQ(NewMessage(), 3);
    SendNumbered(wnd_, 4, 1); // the first hook still records
    EXPECT_EQ(NewMessage(), 4);
}

TEST_F(RingTest, EachOfTheEightCodesIsRecordedWithItsParameters) {
    const UINT codes[] = {WM_CREATE,       WM_DESTROY,    WM_ACTIVATE,   WM_SETTEXT,
                          WM_STYLECHANGED, WM_NCACTIVATE, WM_INITDIALOG, WM_SHOWWINDOW};
    for (UINT code : codes) {
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
}

TEST_F(RingTest, OtherMessagesAreNeitherRecordedNorSignalled) {
    // WM_GETTEXT (13) is not WM_SETTEXT (12); the tab-control codes come only
    // from the taskbar subclass.
    const UINT codes[] = {WM_NULL,         WM_MOVE,        WM_SIZE,
                          WM_GETTEXT,      WM_USER + 1,    TCM_GETITEMCOUNT,
                          TCM_INSERTITEMA, TCM_DELETEITEM, UnsubclassMessage};
    for (UINT code : codes) {
        SCOPED_TRACE(code);
        SendMessageA(wnd_, code, 0, 0);
        EXPECT_EQ(NewMessage(), 0);
        EXPECT_FALSE(EventIsSignalled(event_));
    }
}

TEST_F(RingTest, MessagesOfAWindowInAnotherProcessAreRecordedWithItsHandle) {
    testing_support::TestApp app;
    HWND remote = LaunchApp(&app);
    ASSERT_NE(remote, nullptr);
    // The application retitles its window; then a title is sent from here.
    EXPECT_EQ(app.Send("title #0 remote"), "ok");
    SendMessageA(remote, WM_SETTEXT, 5, reinterpret_cast<LPARAM>("sent"));
    std::vector<WndMes> entries = Only(ReadAll(), WM_SETTEXT);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].hwnd, Low32(remote));
    EXPECT_EQ(entries[0].wParam, 0u);
    EXPECT_EQ(entries[1].hwnd, Low32(remote));
    EXPECT_EQ(entries[1].wParam, 5u);
}

TEST_F(RingTest, EventWakesAWaitingReader) {
    DWORD result = WAIT_FAILED;
    std::thread reader([&] { result = WaitForSingleObject(event_, 10000); });
    SendNumbered(wnd_, 1, 1);
    reader.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
    EXPECT_EQ(NewMessage(), 1);
}

TEST_F(RingTest, WriterThatCannotGetTheMutexDropsItsEntryAndGoesOn) {
    testing_support::TestApp app;
    HWND remote = LaunchApp(&app);
    ASSERT_NE(remote, nullptr);
    {
        MutexHolder holder;
        ASSERT_TRUE(holder.Held());
        SendNumbered(wnd_, 1, 1);                      // this process
        EXPECT_EQ(app.Send("title #0 blocked"), "ok"); // the application goes on
        EXPECT_EQ(NewMessage(), 0);
        EXPECT_FALSE(EventIsSignalled(event_));
    }
    SendNumbered(wnd_, 2, 1);
    EXPECT_EQ(app.Send("title #0 free"), "ok");
    std::vector<WndMes> entries = Only(ReadAll(), WM_SETTEXT);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].hwnd, Low32(wnd_));
    EXPECT_EQ(entries[0].wParam, 2u);
    EXPECT_EQ(entries[1].hwnd, Low32(remote));
}

TEST_F(RingTest, AbandonedMutexIsTakenOverTheEntryWrittenAndTheMutexReleased) {
    testing_support::TestApp app;
    HWND remote = LaunchApp(&app);
    ASSERT_NE(remote, nullptr);
    MutexHolder abandoned(true);
    ASSERT_TRUE(abandoned.Held());
    SendNumbered(wnd_, 1, 1);
    // Another process gets the mutex afterwards: this one gave it back.
    EXPECT_EQ(app.Send("title #0 after"), "ok");
    std::vector<WndMes> entries = Only(ReadAll(), WM_SETTEXT);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].hwnd, Low32(wnd_));
    EXPECT_EQ(entries[0].wParam, 1u);
    EXPECT_EQ(entries[1].hwnd, Low32(remote));
}

TEST_F(RingTest, FreeHookLeavesTheLibraryReadyForTheNextSetHook) {
    // With no subclass in place, as with the taskbar subclass switched off.
    EXPECT_EQ(FreeHook(), 1);
    EXPECT_EQ(Area().hookActive, 0);
    EXPECT_EQ(Area().hook, nullptr);
    SendNumbered(wnd_, 1, 1);
    EXPECT_EQ(NewMessage(), 0);
    EXPECT_EQ(SetHook(0, 0), 1);
    SendNumbered(wnd_, 2, 1);
    EXPECT_EQ(NewMessage(), 1);
}

TEST_F(RingTest, FreeHookWithNoHookReturnsOne) {
    ASSERT_EQ(FreeHook(), 1);
    EXPECT_EQ(FreeHook(), 1);
}

TEST_F(RingTest, GetSysTabCntIsZeroWithoutASubclass) {
    EXPECT_EQ(GetSysTabCnt(), 0);
}

// Three programs: one holding the hook, one refused, and one started after the
// refused one ended, while the first still runs.
TEST(HookOwner, EachProgramsFreeHookRemovesOnlyItsOwnHook) {
    ResetLibrary();
    HWND wnd = CreateSinkWindow();
    ASSERT_NE(wnd, nullptr);
    Child first;
    ASSERT_TRUE(first.Start("hook-owner"));
    HHOOK firstHook = Area().hook;
    ASSERT_NE(firstHook, nullptr);
    // The refused program: its FreeHook leaves the running hook alone.
    EXPECT_EQ(SetHook(0, 0), 0);
    EXPECT_EQ(FreeHook(), 1);
    EXPECT_EQ(Area().hook, firstHook);
    NoticeHooksOfOtherProcesses();
    DrainRing();
    SendMessageA(wnd, WM_SETTEXT, 1, 0);
    EXPECT_EQ(NewMessage(), 1); // the first program's hook goes on recording
    // The next program (this process again) is accepted; the first one's end
    // removes the first hook only.
    ASSERT_EQ(SetHook(0, 0), 1);
    HHOOK ownHook = Area().hook;
    EXPECT_NE(ownHook, firstHook);
    first.Stop();
    EXPECT_EQ(Area().hook, ownHook);
    DrainRing();
    SendMessageA(wnd, WM_SETTEXT, 2, 0);
    EXPECT_EQ(NewMessage(), 1);
    EXPECT_EQ(FreeHook(), 1);
    EXPECT_EQ(Area().hook, nullptr);
    DrainRing();
    SendMessageA(wnd, WM_SETTEXT, 3, 0);
    EXPECT_EQ(NewMessage(), 0);
    DestroyWindow(wnd);
}

// ---- The proxy list ----

class ProxyListTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(MappedArea(), nullptr);
        ResetLibrary();
    }
    void TearDown() override { ResetLibrary(); }

    static std::vector<HWND> List() {
        return std::vector<HWND>(Area().proxyWnds, Area().proxyWnds + Area().proxyCount);
    }
};

TEST_F(ProxyListTest, RmWndKeepsTheOrderOfTheOthers) {
    for (int i = 1; i <= 3; ++i)
        ASSERT_NE(SetWnd(Handle(i)), 0);
    EXPECT_NE(RmWnd(Handle(2)), 0);
    EXPECT_EQ(List(), (std::vector<HWND>{Handle(1), Handle(3)}));
    EXPECT_NE(RmWnd(Handle(1)), 0);
    EXPECT_EQ(List(), (std::vector<HWND>{Handle(3)}));
}

TEST_F(ProxyListTest, RmWndOfAnUnknownHandleChangesNothing) {
    EXPECT_NE(RmWnd(Handle(9)), 0); // empty list
    EXPECT_TRUE(List().empty());
    for (int i = 1; i <= 3; ++i)
        ASSERT_NE(SetWnd(Handle(i)), 0);
    EXPECT_NE(RmWnd(Handle(9)), 0);
    EXPECT_EQ(List(), (std::vector<HWND>{Handle(1), Handle(2), Handle(3)}));
}

TEST_F(ProxyListTest, SetWndRefusesWhenTheListIsFull) {
    for (int i = 0; i < ProxyListSize; ++i)
        ASSERT_NE(SetWnd(Handle(i)), 0) << i;
    EXPECT_EQ(SetWnd(Handle(500)), 0);
    EXPECT_EQ(Area().proxyCount, ProxyListSize);
    EXPECT_EQ(Area().proxyWnds[ProxyListSize - 1], Handle(ProxyListSize - 1));
    // Room again after one leaves.
    EXPECT_NE(RmWnd(Handle(0)), 0);
    EXPECT_NE(SetWnd(Handle(500)), 0);
    EXPECT_EQ(Area().proxyWnds[ProxyListSize - 1], Handle(500));
}

TEST_F(ProxyListTest, SetWndAndRmWndChangeNothingWhileTheMutexIsHeldElsewhere) {
    ASSERT_NE(SetWnd(Handle(1)), 0);
    MutexHolder holder;
    ASSERT_TRUE(holder.Held());
    EXPECT_EQ(SetWnd(Handle(2)), 0);
    EXPECT_EQ(RmWnd(Handle(1)), 0);
    EXPECT_EQ(List(), (std::vector<HWND>{Handle(1)}));
}

} // namespace

RAVIK_TEST_MAIN()
