// The drain of the library's event ring: real messages recorded by the real
// ravik.dll hook (in this process, and by a taskbar in a child process) reach
// the model through ProcessWndMessages.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "engine/dispatch.h"
#include "app/state.h"
#include "config/state.h"
#include "core/state.h"
#include "taskbar/state.h"
#include "engine/scan.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/support.h"
#include "tests/wine/ravik_support.h"

using namespace testing_support;
using Calls = std::vector<TaskbarCall>;

RAVIK_TEST_MAIN()

namespace {

class DispatchTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_NE(ravik_test::MappedArea(), nullptr);
        ravik_test::ResetLibrary();
        ASSERT_EQ(SetHook(0, 0), 1);
    }
    void TearDown() override {
        EngineTest::TearDown();
        FreeHook();
        ravik_test::DrainRing();
    }

    // Two visible windows that reached the model through the ring: created
    // while the hook records, then drained.
    void MakeCollapsedGroup() {
        a = MakeWindow();
        b = MakeWindow();
        ProcessWndMessages();
        group = LookupGroup(a);
        ASSERT_NE(group, nullptr);
        ASSERT_EQ(LookupGroup(b), group);
        ASSERT_NE(group->tab, nullptr);
        ProcessWndMessages();
        taskbar->Clear();
    }

    HWND a = nullptr, b = nullptr;
    WndGroup* group = nullptr;
};

// Messages as the window would receive them; Clear is no message but resets
// the member's flashing mark between steps.
enum Step { NcActivate, SetText, Activate, ShowWin, StyleChanged, ClearMark };

void Send(HWND w, Step step) {
    static STYLESTRUCT style = {WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW};
    const struct {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } messages[] = {{WM_NCACTIVATE, TRUE, 0},
                    {WM_SETTEXT, 0, (LPARAM) "flash"},
                    {WM_ACTIVATE, WA_INACTIVE, 0},
                    {WM_SHOWWINDOW, TRUE, 0},
                    {WM_STYLECHANGED, (WPARAM)GWL_STYLE, (LPARAM)&style}};
    if (step != ClearMark)
        SendMessageA(w, messages[step].message, messages[step].wParam, messages[step].lParam);
}

TEST_F(DispatchTest, WindowsComeAndGoThroughTheDrainAndTheProxyListFollows) {
    MakeCollapsedGroup();
    HWND proxy = group->tab->hwnd;
    EXPECT_EQ(TitleOf(proxy), "2 " + OwnDisplayName());
    ASSERT_EQ(ravik_test::Area().proxyCount, 1);
    EXPECT_EQ(ravik_test::Area().proxyWnds[0], proxy);
    CloseWindow(b);
    ProcessWndMessages();
    EXPECT_EQ(LookupGroup(b), nullptr);
    EXPECT_FALSE(IsWindow(proxy));
    EXPECT_EQ(ravik_test::Area().proxyCount, 0);
    EXPECT_TRUE(taskbar->ButtonAdded(a));
}

TEST_F(DispatchTest, CreationAndDialogInitialisationRegisterAnUnknownWindow) {
    for (UINT code : {(UINT)WM_CREATE, (UINT)WM_INITDIALOG}) {
        SCOPED_TRACE(code);
        HWND w = MakeWindow();
        ProcessWndMessages();
        RemoveWindow(w); // unknown again
        ravik_test::DrainRing();
        // A dialog's initialisation carries the focus window in wParam; no
        // creation data is read from another process's entry.
        SendMessageA(w, code, 0, 0);
        ProcessWndMessages();
        EXPECT_NE(LookupGroup(w), nullptr);
        CloseWindow(w);
        ProcessWndMessages();
    }
}

TEST_F(DispatchTest, TitleBarFlashIsDetectedFromTheMessageSequence) {
    struct Case {
        const char* what;
        int flash; // the setting
        std::vector<Step> steps;
        int flashing, count, pending;
    } cases[] = {
        {"two toggles then a title", 1, {NcActivate, NcActivate, SetText}, 1, 0, 1},
        {"with Flash 0 the proxy does not flash", 0, {NcActivate, NcActivate, SetText}, 1, 0, 0},
        {"a title after the report gives nothing",
         1,
         {NcActivate, NcActivate, SetText, ClearMark, SetText},
         0,
         0,
         1},
        {"one toggle is not enough", 1, {NcActivate, SetText}, 0, 1, 0},
        {"the count carries over", 1, {NcActivate, SetText, NcActivate, SetText}, 1, 0, 1},
        {"activation resets", 1, {NcActivate, NcActivate, Activate, SetText}, 0, 0, 0},
        {"showing resets", 1, {NcActivate, NcActivate, ShowWin, SetText}, 0, 0, 0},
        {"a style change resets", 1, {NcActivate, NcActivate, StyleChanged, SetText}, 0, 0, 0},
        {"showing clears the mark", 1, {NcActivate, NcActivate, SetText, ShowWin}, 0, 0, 1},
    };
    MakeCollapsedGroup();
    WndMember* member = LookupMember(a);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Settings.Flash = c.flash;
        member->flashing = member->ncActivateCount = group->tab->flashPending = 0;
        for (Step s : c.steps) {
            Send(a, s);
            ProcessWndMessages();
            if (s == ClearMark) member->flashing = 0;
        }
        EXPECT_EQ(member->flashing, c.flashing);
        EXPECT_EQ(member->ncActivateCount, c.count);
        EXPECT_EQ(group->tab->flashPending, c.pending);
        EXPECT_EQ(LookupMember(b)->flashing, 0);
    }
}

TEST_F(DispatchTest, WindowsOfGroupsWithoutProxyAreNotCounted) {
    Settings.WinNum = 3;
    a = MakeWindow();
    b = MakeWindow();
    ProcessWndMessages();
    ASSERT_NE(LookupMember(a), nullptr);
    ASSERT_EQ(LookupGroup(a)->tab, nullptr);
    for (Step s : {NcActivate, NcActivate, SetText})
        Send(a, s);
    ProcessWndMessages();
    EXPECT_EQ(LookupMember(a)->flashing, 0);
    EXPECT_EQ(LookupMember(a)->ncActivateCount, 0);
}

TEST_F(DispatchTest, ActivationWithoutSubclassRefreshesTheGroupsOfTheWindowAndTheForeground) {
    MakeCollapsedGroup();
    HWND c = MakeWindow();
    ASSERT_TRUE(SetForegroundWindow(c));
    ProcessWndMessages();
    ASSERT_EQ(GetForegroundWindow(), c);
    RemoveWindow(c); // c is known again only if the activation registers it
    ProcessWndMessages();

    const Calls once = {DeleteCall(c), DeleteCall(b), DeleteCall(a)};
    struct Case {
        const char* what;
        int subclass;
        HWND activated;
        Calls calls;
        bool foregroundRegistered;
    } cases[] = {
        {"subclass in effect: the full pass only", 1, a, {}, false},
        {"the foreground window itself: its group once", 0, c, once, false},
        // Its own group is the foreground's, refreshed a moment before: once.
        {"another window: the foreground registered, the shared group refreshed", 0, a, once, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        if (k.activated == c) {
            // The foreground window is a member here already.
            SubClassInEffect = 1;
            AddWindow(c);
            RefreshGroupOf(c);
        } else {
            RemoveWindow(c);
        }
        ProcessWndMessages();
        taskbar->Clear();
        SubClassInEffect = k.subclass;
        Send(k.activated, Activate);
        ProcessWndMessages();
        SubClassInEffect = 1;
        EXPECT_EQ(taskbar->calls, k.calls);
        EXPECT_TRUE(k.activated == c || (LookupGroup(c) != nullptr) == k.foregroundRegistered);
    }
}

TEST_F(DispatchTest, ShowingAndCaptionChangesRefreshTheGroupOnlyWithoutSubclass) {
    struct Case {
        int subclass;
        Step step;
        bool collapsed;
    } cases[] = {
        {1, ShowWin, false}, {0, ShowWin, true}, {1, NcActivate, false}, {0, NcActivate, true}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.step * 10 + k.subclass);
        ResetModel();
        a = MakeWindow();
        b = MakeWindow(EngineClassA, false);
        ProcessWndMessages();
        ASSERT_EQ(LookupGroup(a)->tab, nullptr);
        // Visible now, but nothing that the drain sees says so yet.
        SetWindowLongA(b, GWL_STYLE, GetWindowLongA(b, GWL_STYLE) | WS_VISIBLE);
        ravik_test::DrainRing();
        SubClassInEffect = k.subclass;
        Send(b, k.step);
        ProcessWndMessages();
        SubClassInEffect = 1;
        EXPECT_EQ(LookupGroup(a)->tab != nullptr, k.collapsed);
        CloseWindow(a);
        CloseWindow(b);
        ProcessWndMessages();
    }
}

// Counts the icon requests a window receives: every refresh of a collapsed
// group asks its first visible member for its icon once.
int iconRequests = 0;
WNDPROC countedProc = nullptr;
LRESULT CALLBACK CountIconRequests(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETICON) ++iconRequests;
    return CallWindowProcA(countedProc, hwnd, message, wParam, lParam);
}

// Without the taskbar subclass every switch between windows asks for several
// refreshes of a group, each of which would delete every member's button again.
TEST_F(DispatchTest, EntriesAlreadyWaitingShareOneRefreshOfAGroupUnlessTheModelChanged) {
    struct Case {
        const char* what;
        std::vector<int> steps;  // 0: activation of a, 1: a new hidden window
        int subclass, refreshes; // of the group: alone or in a pass
    } cases[] = {
        {"five activations", {0, 0, 0, 0, 0}, 1, 1},
        {"a window registered in between", {0, 1, 0}, 1, 2},
        {"a window registered before", {1, 0, 0}, 1, 1},
        // Each activation asks for the group's refresh and a pass; the first
        // refresh and the first pass cover the rest.
        {"five activations without the subclass", {0, 0, 0, 0, 0}, 0, 2},
        {"without the subclass, a window registered in between", {0, 1, 0}, 0, 4},
    };
    Settings.Path = 0;
    Settings.Class = 1;
    MakeCollapsedGroup();
    ASSERT_EQ(group->members->hwnd, b); // the one asked for the icon
    countedProc = (WNDPROC)SetWindowLongPtrA(b, GWLP_WNDPROC, (LONG_PTR)CountIconRequests);
    for (const Case& c : cases) {
        ProcessWndMessages();
        iconRequests = 0;
        for (int step : c.steps)
            step ? (void)MakeWindow(EngineClassB, false) : Send(a, Activate);
        SubClassInEffect = c.subclass;
        ProcessWndMessages();
        SubClassInEffect = 1;
        EXPECT_EQ(iconRequests, c.refreshes) << c.what;
    }
    SetWindowLongPtrA(b, GWLP_WNDPROC, (LONG_PTR)countedProc);
}

TEST_F(DispatchTest, EmptyRingChangesNothingAndReleasesTheLock) {
    MakeCollapsedGroup();
    ravik_test::DrainRing();
    int blocks = ObjLiveBlocks();
    ProcessWndMessages();
    EXPECT_TRUE(taskbar->calls.empty());
    EXPECT_EQ(ObjLiveBlocks(), blocks);
    DWORD code = 1; // another thread can take the lock
    HANDLE t = CreateThread(
        nullptr, 0,
        [](void*) -> DWORD {
            return TryEnterCriticalSection(&EventLock) ? LeaveCriticalSection(&EventLock), 0 : 1;
        },
        nullptr, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(t, 10000), WAIT_OBJECT_0);
    GetExitCodeThread(t, &code);
    CloseHandle(t);
    EXPECT_EQ(code, 0u);
}

// The taskbar's own button inserts, deletes and counts, recorded by the
// library's subclass of a taskbar in a child process.
class TaskbarDispatchTest : public DispatchTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_NE(ravik_test::MappedArea(), nullptr);
        ravik_test::ResetLibrary();
        ASSERT_TRUE(tray.Start("tray", "MSTaskSwWClass"));
        tab = reinterpret_cast<HWND>(Tray(ravik_test::TrayTab));
        ASSERT_NE(tab, nullptr);
        ASSERT_EQ(SetHook(1, 0), 1);
        ASSERT_EQ(SetSubClass(0), 1);
    }
    void TearDown() override {
        DispatchTest::TearDown();
        tray.Stop();
    }
    LRESULT Tray(UINT command, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageA(tray.Window(), command, wParam, lParam);
    }
    ravik_test::Child tray;
    HWND tab = nullptr;
};

TEST_F(TaskbarDispatchTest, TabControlCodesRunThePassesTheyStandFor) {
    struct Case {
        const char* what;
        UINT command; // a command to the taskbar child, or a code for its tab control
        int load;
        bool registersNewWindow;
        bool refreshes;
    };
    const Case cases[] = {
        {"insert (A)", ravik_test::TrayInsertA, 1, true, true},
        {"insert (W)", ravik_test::TrayInsertW, 0, true, true},
        {"delete", TCM_DELETEITEM, 1, false, true},
        {"count with Load", TCM_GETITEMCOUNT, 1, false, true},
        {"count without Load", TCM_GETITEMCOUNT, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetModel();
        Settings.Path = 0;
        Settings.Class = 1;
        // A group that passes its threshold but has no proxy yet, and a window
        // the model does not know.
        a = MakeWindow(EngineClassA);
        b = MakeWindow(EngineClassA);
        HWND stranger = MakeWindow(EngineClassB);
        Settings.WinNum = 3;
        ProcessWndMessages();
        Settings.WinNum = 2;
        RemoveWindow(stranger);
        ASSERT_EQ(Tray(ravik_test::TrayInsertA, 0, 1), 0); // an item to delete
        ravik_test::DrainRing();
        ASSERT_EQ(LookupGroup(a)->tab, nullptr);

        LoadInEffect = c.load;
        // The library forwards at most one count per 100 ms: asked again
        // until one is recorded.
        ASSERT_TRUE(WaitUntil([&] {
            if (c.command == ravik_test::TrayInsertA || c.command == ravik_test::TrayInsertW)
                Tray(c.command, 0, 0);
            else // no pointer in these: sent to the control itself
                SendMessageA(tab, c.command, 0, 0);
            return NewMessage() != 0;
        }));
        ProcessWndMessages();
        LoadInEffect = 1;
        EXPECT_EQ(LookupGroup(stranger) != nullptr, c.registersNewWindow);
        EXPECT_EQ(LookupGroup(a)->tab != nullptr, c.refreshes);
        CloseWindow(a);
        CloseWindow(b);
        CloseWindow(stranger);
        ProcessWndMessages();
    }
}

} // namespace
