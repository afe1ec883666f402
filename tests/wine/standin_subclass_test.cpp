// Another program may replace the window procedure of the stand-in's tab
// control from inside the stand-in's process, as pelmora's hook library does:
// every change of the buttons then passes through that procedure as a tab
// message, and the stand-in keeps working after the procedure is put back.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/standin.h"
#include "tests/support/support.h"
#include "tests/support/testapp.h"
#include "tools/tabprobe/tabprobe.h"

using testing_support::StandinTaskbar;
using testing_support::TestApp;
using testing_support::WaitUntil;
using testing_support::WindowRef;

namespace {

// The probe library, loaded here and (through its hook) into the stand-in.
struct Probe {
    HMODULE library = nullptr;
    int(__cdecl* install)(HWND) = nullptr;
    void(__cdecl* uninstall)() = nullptr;
    int(__cdecl* subclass)(HWND) = nullptr;
    int(__cdecl* restore)(HWND, int) = nullptr;
    int(__cdecl* count)() = nullptr;
    TabProbeRecord(__cdecl* recordAt)(int) = nullptr;
    void(__cdecl* clear)() = nullptr;

    template <typename F> bool Bind(F* f, const char* name) {
        *f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
        return *f != nullptr;
    }
    bool Load() {
        library = LoadLibraryA((testing_support::BinDir() + "standin_tabprobe.dll").c_str());
        return library && Bind(&install, "ProbeInstall") && Bind(&uninstall, "ProbeUninstall") &&
               Bind(&subclass, "ProbeSubclass") && Bind(&restore, "ProbeRestore") &&
               Bind(&count, "ProbeCount") && Bind(&recordAt, "ProbeRecordAt") &&
               Bind(&clear, "ProbeClear");
    }
    std::vector<TabProbeRecord> Records() {
        std::vector<TabProbeRecord> records;
        for (int i = 0; i < count(); ++i)
            records.push_back(recordAt(i));
        return records;
    }
};

class StandinSubclass : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(taskbar.Start());
        testing_support::TaskbarState state;
        ASSERT_TRUE(taskbar.Read(&state));
        tray = state.tray;
        ASSERT_TRUE(probe.Load());
        ASSERT_TRUE(probe.install(tray));
        ASSERT_TRUE(app.Launch());
    }
    void TearDown() override {
        if (probe.uninstall) probe.uninstall();
    }
    bool Seen(UINT message, WPARAM wParam, HWND item = nullptr) {
        std::vector<TabProbeRecord> r = probe.Records();
        return std::any_of(r.begin(), r.end(), [&](const TabProbeRecord& x) {
            return x.message == message && x.wParam == wParam &&
                   x.itemParam == reinterpret_cast<ULONG_PTR>(item);
        });
    }

    StandinTaskbar taskbar;
    TestApp app;
    Probe probe;
    HWND tray = nullptr;
};

TEST_F(StandinSubclass, EveryChangeOfTheButtonsPassesThroughTheReplacedProcedure) {
    probe.clear();
    ASSERT_EQ(probe.subclass(tray), 1);
    std::vector<HWND> w = app.Open("count=2");
    ASSERT_TRUE(taskbar.WaitForButtons(w)) << taskbar.Text();
    EXPECT_TRUE(Seen(TCM_INSERTITEMW, 0, w[0]));
    EXPECT_TRUE(Seen(TCM_INSERTITEMW, 1, w[1]));
    EXPECT_TRUE(Seen(TCM_GETITEMCOUNT, 0));

    app.Send("title " + WindowRef(w[1]) + " renamed");
    EXPECT_TRUE(WaitUntil([&] { return Seen(TCM_SETITEMW, 1); }));
    app.Send("hide " + WindowRef(w[0]));
    EXPECT_TRUE(WaitUntil([&] { return Seen(TCM_DELETEITEM, 0); }));
    ASSERT_TRUE(taskbar.WaitForButtons({w[1]})) << taskbar.Text();
    EXPECT_EQ(taskbar.Buttons()[0].title, "renamed");
    EXPECT_EQ(probe.restore(tray, 0), 1);
}

TEST_F(StandinSubclass, TheTaskbarKeepsWorkingAfterTheProcedureIsPutBack) {
    for (int toClassProc : {0, 1}) {
        ASSERT_EQ(probe.subclass(tray), 1) << toClassProc;
        std::vector<HWND> before = app.Open();
        ASSERT_TRUE(WaitUntil([&] { return Seen(TCM_INSERTITEMW, 0, before[0]); }));
        ASSERT_EQ(probe.restore(tray, toClassProc), 1);
        probe.clear();

        std::vector<HWND> after = app.Open();
        EXPECT_TRUE(taskbar.WaitForButtons({before[0], after[0]})) << taskbar.Text();
        app.Send("destroy " + WindowRef(before[0]));
        EXPECT_TRUE(taskbar.WaitForButtons({after[0]})) << taskbar.Text();
        EXPECT_EQ(probe.count(), 0) << "the replaced procedure still runs";
        app.Send("destroy " + WindowRef(after[0]));
        ASSERT_TRUE(taskbar.WaitForButtons({})) << taskbar.Text();
    }
}

} // namespace
