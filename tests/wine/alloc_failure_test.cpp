// Allocation failures at every allocation of registering, proxy creation and
// the scans: the log entry where one is due, no half-linked record, no
// leaked block, and the window can be registered later.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/state.h"
#include "config/state.h"
#include "core/state.h"
#include "taskbar/state.h"
#include "engine/scan.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/model_check.h"

using namespace testing_support;

namespace {

class AllocFailureTest : public EngineTest {
  protected:
    // Runs fn with ObjAlloc refusing after `successes` more blocks; returns
    // how many requests were refused.
    template <typename F> int FailingAfter(int successes, F fn) {
        DeleteFileA((cwd.path() + "errorlog.txt").c_str());
        ObjAllocFailAfter(successes);
        fn();
        int refused = ObjAllocRefusals();
        ObjAllocFailAfter(-1);
        return refused;
    }
    bool Logged() { return ErrorLogText().find(AllocFailureText) != std::string::npos; }
    void ExpectSound() { EXPECT_EQ(ModelFault(), ""); }
};

// Founding a group takes, in order: the class copy, the path copy, the group,
// the member, the display name, the group's class copy, the index entry.
TEST_F(AllocFailureTest, FoundingAGroupFailsWholeAtEachAllocation) {
    HWND a = MakeWindow();
    int failing = 0;
    for (int n = 0; n < 20; ++n) {
        SCOPED_TRACE(n);
        int refused = FailingAfter(n, [&] { AddWindow(a); });
        ExpectSound();
        if (refused == 0) {
            EXPECT_NE(LookupGroup(a), nullptr);
            break;
        }
        ++failing;
        EXPECT_EQ(LookupGroup(a), nullptr);
        EXPECT_EQ(GroupList, nullptr);
        EXPECT_EQ(ObjLiveBlocks(), 0);
        EXPECT_TRUE(Logged());
        // Left unregistered, the window is registered by a later event.
        AddWindow(a);
        EXPECT_NE(LookupGroup(a), nullptr);
        ExpectSound();
        RemoveWindow(a);
    }
    EXPECT_EQ(failing, 7);
}

TEST_F(AllocFailureTest, JoiningAGroupFailsWholeAtEachAllocation) {
    struct Case {
        int successes;
        const char* failing;
        bool joined;
        bool proxy;
        bool logged;
    };
    // Joining takes the class copy, the member, the index entry and then,
    // as the group now passes its threshold, the proxy record.
    const Case cases[] = {{0, "class copy", false, false, true},
                          {1, "member (fails silently)", false, false, false},
                          {2, "index entry", false, false, true},
                          {3, "proxy record", true, false, true},
                          {4, "nothing", true, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        ResetModel();
        taskbar->Clear();
        HWND a = MakeWindow();
        HWND b = MakeWindow();
        AddWindow(a);
        int refused = FailingAfter(c.successes, [&] { AddWindow(b); });
        EXPECT_EQ(refused > 0, c.successes < 4);
        EXPECT_EQ(LookupGroup(b) != nullptr, c.joined);
        EXPECT_EQ(LookupGroup(a)->tab != nullptr, c.proxy);
        EXPECT_EQ(Logged(), c.logged);
        // Without a proxy no window loses its button.
        if (!c.proxy) {
            EXPECT_TRUE(taskbar->calls.empty());
        }
        ExpectSound();
        CloseWindow(a);
        CloseWindow(b);
    }
}

TEST_F(AllocFailureTest, PassesThatCannotMakeAProxyLeaveTheButtonsInPlace) {
    struct Case {
        const char* pass;
        void (*run)(HWND);
    };
    const Case cases[] = {
        {"RefreshGroups", [](HWND) { RefreshGroups(); }},
        {"RefreshGroupOf", [](HWND w) { RefreshGroupOf(w); }},
        {"ApplyThresholds", [](HWND) { ApplyThresholds(); }},
        {"CreateAllTabWnds", [](HWND) { CreateAllTabWnds(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pass);
        ResetModel();
        HWND a = MakeWindow();
        HWND b = MakeWindow();
        Settings.WinNum = 3;
        AddWindow(a);
        AddWindow(b);
        Settings.WinNum = 2;
        taskbar->Clear();
        EXPECT_GT(FailingAfter(0, [&] { c.run(a); }), 0);
        EXPECT_EQ(TabWndList, nullptr);
        EXPECT_TRUE(Logged());
        // Any button taken away was given back.
        EXPECT_FALSE(taskbar->ButtonDeleted(a));
        EXPECT_FALSE(taskbar->ButtonDeleted(b));
        ExpectSound();
        CloseWindow(a);
        CloseWindow(b);
    }
}

// A scan that runs out of memory ends there; what it registered is whole, and
// the windows it left out are registered by a later scan.
TEST_F(AllocFailureTest, ScansStopSoundlyAtEachAllocation) {
    Settings.Path = 0;
    Settings.Class = 1;
    const HWND mine[] = {MakeWindow(EngineClassA), MakeWindow(EngineClassA),
                         MakeWindow(EngineClassB), MakeWindow(EngineClassB),
                         MakeWindow(EngineClassB, false)};
    struct Scan {
        const char* name;
        void (*run)();
    };
    const Scan scans[] = {{"ScanAllWindows", ScanAllWindows}, {"RescanWindows", RescanWindows}};
    for (const Scan& scan : scans) {
        SCOPED_TRACE(scan.name);
        int n = 0;
        for (; n < 2000; ++n) {
            ResetModel();
            taskbar->Clear();
            int refused = FailingAfter(n, scan.run);
            ExpectSound();
            if (refused == 0) break;
            // A window loses its button only to a proxy that stands for it.
            for (const TaskbarCall& call : taskbar->calls) {
                if (call.kind != TaskbarCall::Delete) continue;
                WndGroup* g = LookupGroup(call.hwnd);
                EXPECT_TRUE(g && g->tab) << n;
            }
            ScanAllWindows();
            for (HWND w : mine)
                EXPECT_NE(LookupGroup(w), nullptr) << n;
            ExpectSound();
        }
        EXPECT_GT(n, 5 * 3);
        EXPECT_LT(n, 2000);
    }
}

} // namespace
