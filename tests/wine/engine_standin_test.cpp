// The engine end to end against the stand-in Windows 2000 taskbar: the test
// application's second window, shown while the library's taskbar subclass
// and ring are in place, reaches the model through the drain, and the
// taskbar ends with one proxy button where the two windows had theirs.
//
// Under Wine a window of another process cannot be asked for its icon
// (WM_GETICON is not delivered across processes, and class icons of other
// processes read as null), and windows without an icon are registered only by
// the start-up scan. So the second window exists, hidden, when the scan runs,
// and it is its showing that travels through the ring.
#include <gtest/gtest.h>
#include <windows.h>
#include <shobjidl.h>

#include <algorithm>

#include "engine/dispatch.h"
#include "app/state.h"
#include "config/state.h"
#include "core/state.h"
#include "taskbar/state.h"
#include "engine/scan.h"
#include "hook/ravik.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/model_check.h"
#include "tests/support/standin.h"
#include "tests/wine/ravik_support.h"

using namespace testing_support;

namespace {

bool Has(const std::vector<HWND>& list, HWND w) {
    return std::find(list.begin(), list.end(), w) != list.end();
}

class EngineWithStandin : public ::testing::Test {
  protected:
    void SetUp() override {
        PrepareEngineProcess();
        ResetModel();
        ravik_test::ResetLibrary();
        ASSERT_TRUE(bar.Start());
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_EQ(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_ITaskbarList, reinterpret_cast<void**>(&list)),
                  S_OK);
        list->HrInit();
        TaskbarListObject = list;
    }
    void TearDown() override {
        EXPECT_EQ(ModelFault(), "");
        ResetModel();
        FreeHook();
        ravik_test::DrainRing();
        TaskbarListObject = nullptr;
        if (list) list->Release();
        CoUninitialize();
    }

    TempCurrentDir cwd;
    StandinTaskbar bar;
    TestApp app;
    ITaskbarList* list = nullptr;
};

TEST_F(EngineWithStandin, WindowShownLaterTurnsTwoButtonsIntoOneProxyButton) {
    ASSERT_TRUE(app.Launch("open count=1", "editor.exe"));
    std::vector<HWND> opened = app.Open("hidden");
    ASSERT_EQ(opened.size(), 1u);
    HWND second = opened[0];
    ASSERT_EQ(app.Windows().size(), 2u);
    HWND first = app.Windows()[0];
    ASSERT_TRUE(WaitUntil([&] { return Has(bar.ButtonWindows(), first); })) << bar.Text();

    // Start-up as the program does it: scan, proxies, then hook and subclass.
    ClearIndex();
    ScanAllWindows();
    CreateAllTabWnds();
    WndGroup* group = LookupGroup(first);
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(LookupGroup(second), group);
    ASSERT_EQ(group->tab, nullptr);
    ASSERT_EQ(SetHook(1, 0), 1);
    ASSERT_EQ(SetSubClass(1), 1);
    ProcessWndMessages();

    ASSERT_EQ(app.Send("show " + WindowRef(second)), "ok");
    // The stand-in's new button reaches the ring through the subclass.
    ASSERT_TRUE(WaitUntil([] { return NewMessage() != 0; }));
    ASSERT_TRUE(WaitUntil([&] {
        ProcessWndMessages();
        return group->tab != nullptr;
    })) << bar.Text();
    HWND proxy = group->tab->hwnd;

    ASSERT_TRUE(WaitUntil([&] {
        ProcessWndMessages();
        std::vector<HWND> buttons = bar.ButtonWindows();
        return Has(buttons, proxy) && !Has(buttons, first) && !Has(buttons, second);
    })) << bar.Text();
    TaskbarButton button;
    EXPECT_TRUE(bar.FindButton(proxy, &button) && button.title == "2 editor") << bar.Text();

    // Closing one window gives the other its button back and the proxy goes.
    // The closed window had no button left to delete, and the message hook
    // sees no WM_DESTROY: it is the shell's next count of its buttons (asked
    // here as the shell asks now and then) whose refresh pass forgets it.
    ASSERT_EQ(app.Send("destroy " + WindowRef(second)), "ok");
    ASSERT_TRUE(WaitUntil([&] {
        GetSysTabCnt();
        ProcessWndMessages();
        std::vector<HWND> buttons = bar.ButtonWindows();
        return !Has(buttons, proxy) && Has(buttons, first);
    })) << bar.Text();
    EXPECT_EQ(LookupGroup(first)->tab, nullptr);
    EXPECT_FALSE(IsWindow(proxy));
}

} // namespace
