// ravik.dll's taskbar subclass, against a taskbar in another process laid out
// like the Windows 2000 shell's ("Shell_TrayWnd" -> "MSTaskSwWClass" -> tab control).
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <vector>

#include "tests/wine/ravik_support.h"

using namespace ravik_test;

namespace {

uint32_t Low32(HWND hwnd) {
    return static_cast<uint32_t>(reinterpret_cast<ULONG_PTR>(hwnd));
}

class SubclassTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(MappedArea(), nullptr);
        ResetLibrary();
        wnd_ = CreateSinkWindow();
        ASSERT_NE(wnd_, nullptr);
        ASSERT_TRUE(tray_.Start("tray", "MSTaskSwWClass"));
        ASSERT_EQ(FindWindowA("Shell_TrayWnd", nullptr), tray_.Window());
        tab_ = reinterpret_cast<HWND>(SendMessageA(tray_.Window(), TrayTab, 0, 0));
        ASSERT_NE(tab_, nullptr);
    }
    void TearDown() override {
        FreeHook();
        tray_.Stop();
        DestroyWindow(wnd_);
    }

    LRESULT Tray(UINT command, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageA(tray_.Window(), command, wParam, lParam);
    }

    // Subclassed with SetHook(1, classAddress) and SetSubClass(load); the ring empty.
    void Subclass(int load, int classAddress = 0) {
        ASSERT_EQ(SetHook(1, classAddress), 1);
        ASSERT_EQ(SetSubClass(load), 1);
        ASSERT_NE(Area().savedTabProc, nullptr);
        ASSERT_EQ(Tray(TrayTabProc), TabRunsOtherProc);
        DrainRing();
    }

    Child tray_;
    HWND tab_ = nullptr;
    HWND wnd_ = nullptr;
};

TEST_F(SubclassTest, SetSubClassWithoutLoadKeepsTheCallWndProcHook) {
    ASSERT_EQ(SetHook(1, 0), 1);
    HHOOK hook = Area().hook;
    EXPECT_EQ(SetSubClass(0), 1);
    EXPECT_EQ(Area().tabCtrl, tab_);
    EXPECT_EQ(Area().hook, hook);
    EXPECT_EQ(Tray(TrayTabProc), TabRunsOtherProc);
    DrainRing();
    SendMessageA(wnd_, WM_SETTEXT, 1, 0); // a sent message: seen by WH_CALLWNDPROC only
    EXPECT_EQ(NewMessage(), 1);
}

TEST_F(SubclassTest, SetSubClassWithLoadRecordsPostedButNoLongerSentMessages) {
    Subclass(1);
    SendMessageA(wnd_, WM_SETTEXT, 1, 0);
    EXPECT_EQ(NewMessage(), 0);
    PostMessageA(wnd_, WM_NCACTIVATE, 2, 0);
    ASSERT_TRUE(testing_support::WaitUntil([] { return NewMessage() != 0; }));
    WndMes m;
    GetWndMes(&m);
    EXPECT_EQ(m.hwnd, Low32(wnd_));
    EXPECT_EQ(m.message, static_cast<uint32_t>(WM_NCACTIVATE));
    EXPECT_EQ(m.wParam, 2u);
}

TEST_F(SubclassTest, InsertedButtonIsRecordedWithTheItemsApplicationValue) {
    struct Case {
        UINT command;
        uint32_t code;
    } cases[] = {{TrayInsertA, TCM_INSERTITEMA}, {TrayInsertW, TCM_INSERTITEMW}};
    for (int load = 0; load <= 1; ++load) {
        SCOPED_TRACE(load);
        Subclass(load);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.code);
            LRESULT index = Tray(c.command, 0, 0x4711);
            EXPECT_EQ(index, 0); // the control still does its work
            std::vector<WndMes> entries = ReadAll();
            ASSERT_EQ(entries.size(), 1u);
            EXPECT_EQ(entries[0].hwnd, 0x4711u);
            EXPECT_EQ(entries[0].message, c.code);
            EXPECT_EQ(entries[0].wParam, 0u);
        }
        ASSERT_EQ(FreeHook(), 1);
    }
}

TEST_F(SubclassTest, DeleteItemIsRecordedWithTheTabControlAndTheIndex) {
    Subclass(0);
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(Tray(TrayInsertA, i, 0x100 + i), i);
    DrainRing();
    EXPECT_TRUE(Tray(TrayDelete, 3));
    std::vector<WndMes> entries = ReadAll();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].hwnd, Low32(tab_));
    EXPECT_EQ(entries[0].message, static_cast<uint32_t>(TCM_DELETEITEM));
    EXPECT_EQ(entries[0].wParam, 3u);
    EXPECT_EQ(entries[0].lParam, 0u);
}

TEST_F(SubclassTest, TwoItemCountsBackToBackGiveOneEntry) {
    Subclass(0);
    Tray(TrayInsertA, 0, 1);
    // Begin outside the interval of a count an earlier test forwarded.
    ASSERT_TRUE(
        testing_support::WaitUntil([] { return CountIsDue(timeGetTime(), Area().lastCountTime); }));
    DrainRing();
    EXPECT_EQ(Tray(TrayCountTwice), 1);
    std::vector<WndMes> entries = ReadAll();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].hwnd, Low32(tab_));
    EXPECT_EQ(entries[0].message, static_cast<uint32_t>(TCM_GETITEMCOUNT));
    EXPECT_EQ(entries[0].wParam, 0u);
    EXPECT_EQ(entries[0].lParam, 0u);
}

TEST_F(SubclassTest, GetSysTabCntGivesTheNumberOfButtons) {
    Subclass(0);
    for (int i = 0; i < 3; ++i)
        Tray(TrayInsertA, i, 0x100 + i);
    EXPECT_EQ(GetSysTabCnt(), 3);
}

TEST_F(SubclassTest, SetSubClassAfterSetHookWithoutSubclassingReturnsZero) {
    ASSERT_EQ(SetHook(0, 0), 1);
    HHOOK hook = Area().hook;
    EXPECT_EQ(SetSubClass(0), 0);
    EXPECT_EQ(SetSubClass(1), 0);
    EXPECT_EQ(Area().savedTabProc, nullptr);
    EXPECT_EQ(Area().hook, hook);
    EXPECT_EQ(Tray(TrayTabProc), TabRunsFormerProc);
}

TEST_F(SubclassTest, FreeHookGivesTheControlItsFormerOrItsClassProcedureBack) {
    struct Case {
        int load;
        int classAddress;
        LRESULT after;
    } cases[] = {{0, 0, TabRunsFormerProc},
                 {1, 0, TabRunsFormerProc},
                 {0, 1, TabRunsClassProc},
                 {1, 1, TabRunsClassProc}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.load * 10 + c.classAddress);
        Subclass(c.load, c.classAddress);
        EXPECT_EQ(Tray(TrayInsertA, 0, 0x200), 0);
        EXPECT_EQ(FreeHook(), 1);
        EXPECT_EQ(Area().savedTabProc, nullptr);
        EXPECT_EQ(Tray(TrayTabProc), c.after);
        // The taskbar goes on working, unobserved.
        DrainRing();
        EXPECT_EQ(Tray(TrayInsertA, 0, 0x201), 0);
        EXPECT_TRUE(Tray(TrayDelete, 0));
        EXPECT_EQ(NewMessage(), 0);
        EXPECT_TRUE(tray_.Running());
        if (c.classAddress) {
            // Start the next case from the shell's own subclass again.
            tray_.Stop();
            ASSERT_TRUE(tray_.Start("tray", "MSTaskSwWClass"));
            tab_ = reinterpret_cast<HWND>(Tray(TrayTab));
        }
    }
}

TEST_F(SubclassTest, SubclassMadeBeforeSetSubClassIsNotMadeTwice) {
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

TEST_F(SubclassTest, NoSubclassWhileTheMutexIsHeldElsewhere) {
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

TEST_F(SubclassTest, FreeHookAfterTheTaskbarEndedForgetsTheSubclass) {
    Subclass(0);
    tray_.Stop();
    EXPECT_EQ(FreeHook(), 1);
    EXPECT_EQ(Area().savedTabProc, nullptr);
    EXPECT_EQ(Area().hook, nullptr);
}

TEST_F(SubclassTest, SubclassOfAnEarlierTaskbarThatEndedDoesNotCountForANewOne) {
    Subclass(0);
    // The shell ends without the subclass being undone, and a new one starts.
    tray_.Stop();
    ASSERT_TRUE(tray_.Start("tray", "MSTaskSwWClass"));
    ASSERT_EQ(FreeHook(), 1);
    ASSERT_EQ(SetHook(1, 0), 1);
    EXPECT_EQ(SetSubClass(0), 1);
    EXPECT_EQ(Area().tabCtrl, reinterpret_cast<HWND>(Tray(TrayTab)));
    EXPECT_EQ(Tray(TrayTabProc), TabRunsOtherProc);
}

// A window whose class name only looks like the task-switch window's.
class LookAlikeTaskSwitchTest : public testing::TestWithParam<const char*> {};

TEST_P(LookAlikeTaskSwitchTest, IsNotTakenForTheTaskSwitchWindow) {
    ResetLibrary();
    Child tray;
    ASSERT_TRUE(tray.Start("tray", GetParam()));
    ASSERT_EQ(FindWindowA("Shell_TrayWnd", nullptr), tray.Window());
    ASSERT_EQ(SetHook(1, 0), 1);
    EXPECT_EQ(SetSubClass(0), 0);
    EXPECT_EQ(Area().savedTabProc, nullptr);
    EXPECT_EQ(SendMessageA(tray.Window(), TrayTabProc, 0, 0), TabRunsFormerProc);
    FreeHook();
}

INSTANTIATE_TEST_SUITE_P(Names, LookAlikeTaskSwitchTest,
                         testing::Values("MSTaskSwWClassX", "MSTaskSwWClass2", "mstaskswwclass",
                                         "MSTASKSWWCLASS", "MSTaskSwWClas"));

} // namespace

RAVIK_TEST_MAIN()
