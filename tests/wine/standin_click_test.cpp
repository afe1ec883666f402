// A mouse click (the X server's own, through xdotool) on a stand-in taskbar
// button activates its window as the Windows taskbar does, hidden windows
// included, while the cursor is over the taskbar.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/processes.h"
#include "tests/support/standin.h"
#include "tests/support/support.h"
#include "tests/support/testapp.h"

using testing_support::ClickAt;
using testing_support::StandinTaskbar;
using testing_support::TaskbarButton;
using testing_support::TestApp;
using testing_support::WaitUntil;
using testing_support::WindowRef;

namespace {

class StandinClick : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(taskbar.Start());
        ASSERT_TRUE(app.Launch());
    }
    RECT ButtonRect(HWND hwnd) {
        TaskbarButton b = {};
        taskbar.FindButton(hwnd, &b);
        return b.rect;
    }
    size_t Count(const std::vector<std::string>& events, const std::string& event) {
        return std::count(events.begin(), events.end(), event);
    }

    StandinTaskbar taskbar;
    TestApp app;
};

TEST_F(StandinClick, AClickOnAButtonActivatesItsWindow) {
    // The middle of the button, and the screen's bottom pixel row below it,
    // which Wine's SHAppBarMessage reports as the taskbar.
    const int bottomRow = GetSystemMetrics(SM_CYSCREEN) - 1;
    for (bool atBottom : {false, true}) {
        std::vector<HWND> w = app.Open("count=2"); // the second one is active
        ASSERT_EQ(w.size(), 2u);
        ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == w[1]; }));
        ASSERT_TRUE(WaitUntil([&] { return ButtonRect(w[0]).right > 0; })) << taskbar.Text();
        RECT rc = ButtonRect(w[0]);
        size_t before = Count(app.Events(w[0]), "activate 1");

        ASSERT_TRUE(
            ClickAt((rc.left + rc.right) / 2, atBottom ? bottomRow : (rc.top + rc.bottom) / 2));
        EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == w[0]; }))
            << "bottom row: " << atBottom << "\n"
            << taskbar.Text();
        EXPECT_TRUE(WaitUntil([&] { return Count(app.Events(w[0]), "activate 1") > before; }));
        app.Send("destroy " + WindowRef(w[0]));
        app.Send("destroy " + WindowRef(w[1]));
    }
}

TEST_F(StandinClick, AClickOnTheActiveWindowsButtonMinimisesItAndTheNextRestoresIt) {
    std::vector<HWND> w = app.Open();
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == w[0]; }));
    ASSERT_TRUE(taskbar.WaitForButtons(w)) << taskbar.Text();
    RECT rc = ButtonRect(w[0]);
    POINT middle = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};

    ASSERT_TRUE(ClickAt(middle.x, middle.y));
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(w[0]) != 0; })) << taskbar.Text();
    ASSERT_TRUE(ClickAt(middle.x, middle.y));
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(w[0]) && GetForegroundWindow() == w[0]; }));
    EXPECT_EQ(taskbar.ButtonWindows(), w);
}

TEST_F(StandinClick, AClickOnADisabledWindowsButtonActivatesItsOpenQuestion) {
    std::vector<HWND> w = app.Open("askclose");
    std::vector<HWND> other = app.Open();
    ASSERT_TRUE(taskbar.WaitForButtons({w[0], other[0]})) << taskbar.Text();
    app.Send("close " + WindowRef(w[0]));
    HWND question = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        question = FindWindowA("#32770", nullptr);
        return question && GetWindow(question, GW_OWNER) == w[0] && IsWindowVisible(question);
    }));
    app.Send("activate " + WindowRef(other[0]));
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == other[0]; }));

    RECT rc = ButtonRect(w[0]);
    ASSERT_TRUE(ClickAt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == question; }));
    EXPECT_EQ(app.Send("answer " + WindowRef(w[0]) + " no"), "ok");
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(w[0]); }));
}

// A hidden window of this process with a button from ITaskbarList::AddTab, as
// pelmora's proxies are: it records each WM_ACTIVATE with the cursor position.
struct Activation {
    WPARAM state;
    POINT cursor;
};
std::vector<Activation> Activations;

LRESULT CALLBACK HiddenProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ACTIVATE) {
        POINT pt;
        GetCursorPos(&pt);
        Activations.push_back({LOWORD(wParam), pt});
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST_F(StandinClick, AClickOnAHiddenWindowsButtonActivatesItWithTheCursorOnTheTaskbar) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HiddenProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "StandinClickHidden";
    RegisterClassA(&wc);
    HWND hidden = CreateWindowExA(0, wc.lpszClassName, "hidden", WS_OVERLAPPEDWINDOW, 0, 0, 0, 0,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(hidden, nullptr);
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    ITaskbarList* list = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList,
                               reinterpret_cast<void**>(&list)),
              S_OK);
    list->AddTab(hidden);
    std::vector<HWND> w = app.Open();
    ASSERT_TRUE(taskbar.WaitForButtons({hidden, w[0]})) << taskbar.Text();
    RECT rc = ButtonRect(hidden);
    const int bottomRow = GetSystemMetrics(SM_CYSCREEN) - 1;

    // Twice: the second click must activate it again although it was active.
    for (int click = 0; click < 2; ++click) {
        Activations.clear();
        ASSERT_TRUE(ClickAt((rc.left + rc.right) / 2, bottomRow));
        ASSERT_TRUE(WaitUntil([&] {
            return std::any_of(Activations.begin(), Activations.end(),
                               [](const Activation& a) { return a.state == WA_ACTIVE; });
        })) << "click "
            << click << "\n"
            << taskbar.Text();
        EXPECT_FALSE(IsWindowVisible(hidden));
        for (const Activation& a : Activations) {
            if (a.state != WA_ACTIVE) continue;
            // Where pelmora looks for the taskbar, as its menu's opening condition does.
            APPBARDATA abd = {};
            abd.cbSize = sizeof abd;
            SHAppBarMessage(ABM_GETTASKBARPOS, &abd);
            EXPECT_TRUE(a.cursor.x >= abd.rc.left && a.cursor.x <= abd.rc.right &&
                        a.cursor.y >= abd.rc.top && a.cursor.y <= abd.rc.bottom)
                << "cursor " << a.cursor.x << "," << a.cursor.y;
        }
    }
    list->Release();
    DestroyWindow(hidden);
    CoUninitialize();
}

} // namespace
