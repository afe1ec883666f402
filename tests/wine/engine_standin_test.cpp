// The engine end to end against the stand-in Windows 2000 taskbar: a window
// that the test application opens reaches the model through the real
// library's taskbar subclass and ring and the drain, and the taskbar ends
// with one proxy button where the application's two windows had theirs.
#include <gtest/gtest.h>
#include <windows.h>
#include <shobjidl.h>

#include <algorithm>

#include "core/dispatch.h"
#include "core/globals.h"
#include "core/scan.h"
#include "hook/ravik.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/model_check.h"
#include "tests/support/standin.h"
#include "tests/support/support.h"
#include "tests/support/testapp.h"
#include "tests/wine/ravik_support.h"

using testing_support::StandinTaskbar;
using testing_support::TestApp;
using testing_support::WaitUntil;
using testing_support::WindowRef;

namespace {

bool Has(const std::vector<HWND>& list, HWND w) {
    return std::find(list.begin(), list.end(), w) != list.end();
}

class EngineWithStandin : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::PrepareEngineProcess();
        testing_support::ResetModel();
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
        EXPECT_EQ(testing_support::ModelFault(), "");
        testing_support::ResetModel();
        FreeHook();
        ravik_test::DrainRing();
        TaskbarListObject = nullptr;
        if (list) list->Release();
        CoUninitialize();
    }

    // A window of the application with icons of its own: under Wine another
    // process cannot read a window's class icons, so an application window is
    // asked with WM_GETICON alone.
    HWND OpenWithIcon() {
        std::vector<HWND> w = app.Open("count=1");
        if (w.size() != 1) return nullptr;
        if (app.Send("icon " + WindowRef(w[0]) + " app") != "ok") return nullptr;
        return w[0];
    }

    testing_support::TempCurrentDir cwd;
    StandinTaskbar bar;
    TestApp app;
    ITaskbarList* list = nullptr;
};

TEST_F(EngineWithStandin, SecondWindowOfAnApplicationTurnsTwoButtonsIntoOneProxyButton) {
    ASSERT_TRUE(app.Launch("", "editor.exe"));
    HWND first = OpenWithIcon();
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return Has(bar.ButtonWindows(), first); }));

    // Start-up as the program does it: scan, proxies, then hook and subclass.
    ClearIndex();
    ScanAllWindows();
    CreateAllTabWnds();
    ASSERT_NE(LookupGroup(first), nullptr);
    ASSERT_EQ(LookupGroup(first)->tab, nullptr);
    ASSERT_EQ(SetHook(1, 0), 1);
    ASSERT_EQ(SetSubClass(1), 1);
    ProcessWndMessages();

    HWND second = OpenWithIcon();
    ASSERT_NE(second, nullptr);
    // The stand-in's button insert reaches the ring through the subclass.
    ASSERT_TRUE(WaitUntil([] { return NewMessage() != 0; }));
    WndGroup* group = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        ProcessWndMessages();
        group = LookupGroup(second);
        return group && group->tab;
    })) << bar.Text();
    EXPECT_EQ(LookupGroup(first), group);
    HWND proxy = group->tab->hwnd;

    ASSERT_TRUE(WaitUntil([&] {
        ProcessWndMessages();
        std::vector<HWND> buttons = bar.ButtonWindows();
        return Has(buttons, proxy) && !Has(buttons, first) && !Has(buttons, second);
    })) << bar.Text();
    bool titled = false;
    for (const testing_support::TaskbarButton& b : bar.Buttons())
        if (b.hwnd == proxy) titled = b.title == "2 editor";
    EXPECT_TRUE(titled) << bar.Text();

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

}  // namespace
