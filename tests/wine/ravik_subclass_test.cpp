// ravik.dll's taskbar subclass, against taskbars in other processes laid out
// like the Windows 2000 shell's ("Shell_TrayWnd" -> "MSTaskSwWClass" -> tab
// control): the stand-in taskbar with the test application's windows, and a
// fake taskbar whose tab control can be questioned from inside its process.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <vector>

#include "tests/support/standin.h"
#include "tests/support/testapp.h"
#include "tests/wine/ravik_support.h"

using namespace ravik_test;
using testing_support::StandinTaskbar;
using testing_support::TestApp;
using testing_support::WaitUntil;

namespace {

// ---- With the stand-in taskbar ----

class StandinTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(MappedArea(), nullptr);
        ResetLibrary();
        wnd_ = CreateSinkWindow();
        ASSERT_NE(wnd_, nullptr);
        ASSERT_TRUE(standin_.Start());
        testing_support::TaskbarState state;
        ASSERT_TRUE(standin_.Read(&state));
        ASSERT_EQ(FindWindowA("Shell_TrayWnd", nullptr), state.tray);
        tab_ = state.tabCtrl;
        ASSERT_NE(tab_, nullptr);
        ASSERT_TRUE(app_.Launch());
    }
    void TearDown() override {
        FreeHook();
        app_.Quit();
        standin_.Stop();
        DestroyWindow(wnd_);
    }

    void Subclass(int load) {
        ASSERT_EQ(SetHook(1, 0), 1);
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
    HWND tab_ = nullptr;
    HWND wnd_ = nullptr;
};

TEST_F(StandinTest, SetSubClassWithoutLoadSubclassesAndKeepsTheCallWndProcHook) {
    // Not after a SetHook that did not ask for the subclass.
    ASSERT_EQ(SetHook(0, 0), 1);
    EXPECT_EQ(SetSubClass(0), 0);
    EXPECT_EQ(SetSubClass(1), 0);
    EXPECT_EQ(Area().savedTabProc, nullptr);
    ASSERT_EQ(FreeHook(), 1);
    ASSERT_EQ(SetHook(1, 0), 1);
    HHOOK hook = Area().hook;
    EXPECT_EQ(SetSubClass(0), 1);
    EXPECT_NE(Area().savedTabProc, nullptr);
    EXPECT_EQ(Area().tabCtrl, tab_);
    EXPECT_EQ(Area().hook, hook);
    DrainRing();
    SendMessageA(wnd_, WM_SETTEXT, 1, 0); // a sent message: seen by WH_CALLWNDPROC only
    std::vector<WndMes> entries = Only(ReadAll(), WM_SETTEXT);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].hwnd, Low32(wnd_));
}

TEST_F(StandinTest, SetSubClassWithLoadRecordsPostedButNoLongerSentMessages) {
    Subclass(1);
    EXPECT_NE(Area().hook, nullptr);
    SendMessageA(wnd_, WM_SETTEXT, 1, 0);
    PostMessageA(wnd_, WM_NCACTIVATE, 2, 0);
    WndMes m;
    ASSERT_TRUE(WaitForEntry(WM_NCACTIVATE, Low32(wnd_), &m));
    EXPECT_EQ(m.wParam, 2u);
    EXPECT_TRUE(Only(ReadAll(), WM_SETTEXT).empty());
}

TEST_F(StandinTest, ButtonOfANewWindowIsRecordedWithTheWindowAsItsHwnd) {
    for (int load = 0; load <= 1; ++load) {
        SCOPED_TRACE(load);
        Subclass(load);
        std::vector<HWND> opened = app_.Open();
        ASSERT_EQ(opened.size(), 1u);
        WndMes m;
        ASSERT_TRUE(WaitForEntry(TCM_INSERTITEMW, Low32(opened[0]), &m));
        std::vector<HWND> buttons = standin_.ButtonWindows();
        size_t index = std::find(buttons.begin(), buttons.end(), opened[0]) - buttons.begin();
        EXPECT_EQ(m.wParam, index);
        ASSERT_EQ(FreeHook(), 1);
    }
}

TEST_F(StandinTest, DeletedButtonIsRecordedWithTheTabControlAndItsIndex) {
    Subclass(0);
    std::vector<HWND> opened = app_.Open("count=4");
    ASSERT_EQ(opened.size(), 4u);
    ASSERT_TRUE(WaitUntil([&] { return HasButton(opened[3]); }));
    std::vector<HWND> buttons = standin_.ButtonWindows();
    ASSERT_EQ(buttons.size(), 4u);
    ASSERT_EQ(buttons[3], opened[3]);
    DrainRing();
    EXPECT_EQ(app_.Send("destroy #3"), "ok");
    WndMes m;
    ASSERT_TRUE(WaitForEntry(TCM_DELETEITEM, 0, &m));
    EXPECT_EQ(m.hwnd, Low32(tab_));
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_EQ(m.lParam, 0u);
}

TEST_F(StandinTest, TwoItemCountsBackToBackGiveOneEntry) {
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
    EXPECT_EQ(counts[0].hwnd, Low32(tab_));
    EXPECT_EQ(counts[0].wParam, 0u);
    EXPECT_EQ(counts[0].lParam, 0u);
}

TEST_F(StandinTest, AfterFreeHookTheTaskbarKeepsWorkingUnobserved) {
    struct Case {
        int load;
        int classAddress;
    } cases[] = {{0, 0}, {1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.load * 10 + c.classAddress);
        ASSERT_EQ(SetHook(1, c.classAddress), 1);
        ASSERT_EQ(SetSubClass(c.load), 1);
        std::vector<HWND> before = app_.Open();
        ASSERT_EQ(before.size(), 1u);
        ASSERT_TRUE(WaitUntil([&] { return HasButton(before[0]); }));
        EXPECT_EQ(FreeHook(), 1);
        EXPECT_EQ(Area().savedTabProc, nullptr);
        DrainRing();
        std::vector<HWND> after = app_.Open();
        ASSERT_EQ(after.size(), 1u);
        EXPECT_TRUE(WaitUntil([&] { return HasButton(after[0]); }));
        EXPECT_EQ(app_.Send("destroy " + testing_support::WindowRef(before[0])), "ok");
        EXPECT_TRUE(WaitUntil([&] { return !HasButton(before[0]); }));
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

TEST(LookAlikeTaskSwitch, AClassNameThatOnlyBeginsAlikeOrDiffersInCaseIsNotTaken) {
    for (const char* name : {"MSTaskSwWClassX", "mstaskswwclass"}) {
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
