// The stand-in taskbar's buttons follow the windows of other processes as the
// Windows 2000 taskbar's did.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "tests/support/standin.h"
#include "tests/support/support.h"
#include "tests/support/testapp.h"

using testing_support::StandinTaskbar;
using testing_support::TaskbarButton;
using testing_support::TestApp;
using testing_support::WaitUntil;
using testing_support::WindowRef;

namespace {

// Shift-JIS: "文書", and "ソフト" (whose first character ends in 0x5C, a backslash).
const char Document[] = "\x95\xb6\x8f\x91";
const char Software[] = "\x83\x5c\x83\x74\x83\x67";

class StandinButtons : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(taskbar.Start());
        ASSERT_TRUE(app.Launch());
    }

    // Opens a visible window and waits for its button: everything the
    // taskbar was told before has then been handled.
    HWND Marker(TestApp& owner) {
        std::vector<HWND> w = owner.Open("title=marker");
        if (w.size() != 1) return nullptr;
        return WaitUntil([&] { return taskbar.FindButton(w[0]); }) ? w[0] : nullptr;
    }

    StandinTaskbar taskbar;
    TestApp app;
};

TEST_F(StandinButtons, OtherProgramsFindTheWindows2000TaskbarLayout) {
    testing_support::TaskbarState state;
    ASSERT_TRUE(taskbar.Read(&state));
    // What pelmora looks up: the topmost "Shell_TrayWnd", its "MSTaskSwWClass"
    // and that window's first child, a tab control in button style.
    EXPECT_EQ(FindWindowA("Shell_TrayWnd", nullptr), state.tray);
    EXPECT_EQ(FindWindowExA(state.tray, nullptr, "MSTaskSwWClass", nullptr), state.taskSwitch);
    EXPECT_EQ(GetWindow(state.taskSwitch, GW_CHILD), state.tabCtrl);
    char cls[64] = "";
    GetClassNameA(state.tabCtrl, cls, sizeof cls);
    EXPECT_STREQ(cls, "SysTabControl32");
    EXPECT_TRUE(GetWindowLongPtrA(state.tabCtrl, GWL_STYLE) & TCS_BUTTONS);
    EXPECT_TRUE(GetWindowLongPtrA(state.tray, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(state.rect.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(state.rect.right - state.rect.left, GetSystemMetrics(SM_CXSCREEN));

    std::vector<HWND> w = app.Open("count=2");
    ASSERT_TRUE(taskbar.WaitForButtons(w)) << taskbar.Text();
    EXPECT_EQ(SendMessageA(state.tabCtrl, TCM_GETITEMCOUNT, 0, 0), 2);
}

TEST_F(StandinButtons, VisibleWindowsGetButtonsInCreationOrderWithTheirTitles) {
    TestApp other;
    ASSERT_TRUE(other.Launch());
    std::vector<HWND> first = app.Open(std::string("count=2 title=\"") + Document + " %d\"");
    std::vector<HWND> second = other.Open(std::string("title=\"") + Software + " plus\"");
    std::vector<HWND> third = app.Open("title=third");
    ASSERT_EQ(first.size(), 2u);
    ASSERT_EQ(second.size(), 1u);
    ASSERT_EQ(third.size(), 1u);

    ASSERT_TRUE(taskbar.WaitForButtons({first[0], first[1], second[0], third[0]}))
        << taskbar.Text();
    std::vector<TaskbarButton> buttons = taskbar.Buttons();
    EXPECT_EQ(buttons[0].title, std::string(Document) + " 1");
    EXPECT_EQ(buttons[1].title, std::string(Document) + " 2");
    EXPECT_EQ(buttons[2].title, std::string(Software) + " plus");
    EXPECT_EQ(buttons[3].title, "third");
    for (const TaskbarButton& b : buttons)
        EXPECT_FALSE(b.flashing);
}

TEST_F(StandinButtons, OnlyUnownedNonToolWindowsOrAppWindowsGetAButton) {
    struct Case {
        const char* options;
        bool button;
    } cases[] = {
        {"", true},          {"tool", false},          {"owned", false},
        {"hidden", false},   {"tool appwindow", true}, {"owned appwindow", true},
        {"disabled", true},  {"fixed", true},          {"minimized", true},
        {"maximized", true},
    };
    ASSERT_EQ(app.Open("title=owner").size(), 1u); // the owner of "owned"
    for (const Case& c : cases) {
        std::vector<HWND> w = app.Open(std::string("title=case ") + c.options);
        ASSERT_EQ(w.size(), 1u) << c.options;
        ASSERT_NE(Marker(app), nullptr) << taskbar.Text();
        EXPECT_EQ(taskbar.FindButton(w[0]), c.button) << "options: \"" << c.options << "\"\n"
                                                      << taskbar.Text();
    }
}

TEST_F(StandinButtons, AHiddenWindowLosesItsButtonAndGetsANewOneAtTheEndWhenShown) {
    std::vector<HWND> w = app.Open("count=3");
    ASSERT_EQ(w.size(), 3u);
    ASSERT_TRUE(taskbar.WaitForButtons(w)) << taskbar.Text();

    EXPECT_EQ(app.Send("hide " + WindowRef(w[0])), "ok");
    EXPECT_TRUE(taskbar.WaitForButtons({w[1], w[2]})) << taskbar.Text();
    EXPECT_EQ(app.Send("show " + WindowRef(w[0])), "ok");
    EXPECT_TRUE(taskbar.WaitForButtons({w[1], w[2], w[0]})) << taskbar.Text();
}

TEST_F(StandinButtons, HidingAndShowingAtOnceStillMovesTheButtonToTheEnd) {
    std::vector<HWND> w = app.Open("count=2");
    ASSERT_TRUE(taskbar.WaitForButtons(w)) << taskbar.Text();
    // No wait between the two: only the window events, not a poll, can see it.
    app.Send("hide " + WindowRef(w[0]));
    app.Send("show " + WindowRef(w[0]));
    EXPECT_TRUE(taskbar.WaitForButtons({w[1], w[0]})) << taskbar.Text();
}

TEST_F(StandinButtons, AMinimisedWindowKeepsItsButton) {
    std::vector<HWND> w = app.Open("count=2");
    ASSERT_TRUE(taskbar.WaitForButtons(w)) << taskbar.Text();
    EXPECT_EQ(app.Send("minimize " + WindowRef(w[0])), "ok");
    HWND marker = Marker(app);
    ASSERT_NE(marker, nullptr);
    EXPECT_EQ(taskbar.ButtonWindows(), (std::vector<HWND>{w[0], w[1], marker}));
}

TEST_F(StandinButtons, ClosedAndDestroyedWindowsLoseTheirButtons) {
    std::vector<HWND> w = app.Open("count=3");
    ASSERT_TRUE(taskbar.WaitForButtons(w)) << taskbar.Text();
    EXPECT_EQ(app.Send("close " + WindowRef(w[1])), "ok");
    EXPECT_TRUE(taskbar.WaitForButtons({w[0], w[2]})) << taskbar.Text();
    EXPECT_EQ(app.Send("destroy " + WindowRef(w[0])), "ok");
    EXPECT_TRUE(taskbar.WaitForButtons({w[2]})) << taskbar.Text();
}

TEST_F(StandinButtons, WindowsOfAnApplicationThatEndsLoseTheirButtons) {
    TestApp other;
    ASSERT_TRUE(other.Launch("open count=2"));
    std::vector<HWND> mine = app.Open();
    std::vector<HWND> theirs = other.Windows();
    ASSERT_EQ(theirs.size(), 2u);
    ASSERT_TRUE(WaitUntil([&] { return taskbar.Buttons().size() == 3; })) << taskbar.Text();
    // Hung, it ends without destroying its windows: no window event tells the taskbar.
    ASSERT_EQ(other.Send("hang"), "ok");
    other.Quit();
    EXPECT_TRUE(taskbar.WaitForButtons(mine)) << taskbar.Text();
}

TEST_F(StandinButtons, TitlesFollowTheWindows) {
    std::vector<HWND> w = app.Open("title=before");
    ASSERT_TRUE(taskbar.WaitForButtons(w)) << taskbar.Text();
    std::string title = std::string(Software) + "\\" + Document;
    EXPECT_EQ(app.Send("title " + WindowRef(w[0]) + " \"" + title + "\""), "ok");
    EXPECT_TRUE(WaitUntil([&] {
        std::vector<TaskbarButton> b = taskbar.Buttons();
        return b.size() == 1 && b[0].title == title;
    })) << taskbar.Text();
}

TEST_F(StandinButtons, IconsFollowTheWindows) {
    std::vector<HWND> w = app.Open();
    ASSERT_TRUE(taskbar.WaitForButtons(w)) << taskbar.Text();
    for (const char* kind : {"info", "warning"}) {
        HICON icon = reinterpret_cast<HICON>(
            strtoull(app.Send("icon " + WindowRef(w[0]) + " " + kind).c_str(), nullptr, 0));
        ASSERT_NE(icon, nullptr) << kind;
        EXPECT_TRUE(WaitUntil([&] {
            std::vector<TaskbarButton> b = taskbar.Buttons();
            return b.size() == 1 && b[0].icon == icon;
        })) << kind
            << "\n"
            << taskbar.Text();
    }
}

TEST_F(StandinButtons, AFlashedWindowsButtonIsMarkedUntilTheWindowIsActivated) {
    std::vector<HWND> w = app.Open("count=2"); // the second one is active
    ASSERT_TRUE(taskbar.WaitForButtons(w)) << taskbar.Text();
    auto flashing = [&](HWND hwnd) {
        TaskbarButton b;
        return taskbar.FindButton(hwnd, &b) && b.flashing;
    };
    EXPECT_EQ(app.Send("flash " + WindowRef(w[0])), "ok");
    EXPECT_TRUE(WaitUntil([&] { return flashing(w[0]); })) << taskbar.Text();
    // FlashWindow inverts the caption: a second call leaves the button marked.
    EXPECT_EQ(app.Send("flash " + WindowRef(w[0])), "ok");
    ASSERT_NE(Marker(app), nullptr);
    EXPECT_TRUE(flashing(w[0])) << taskbar.Text();
    EXPECT_FALSE(flashing(w[1]));

    EXPECT_EQ(app.Send("activate " + WindowRef(w[0])), "ok");
    EXPECT_TRUE(WaitUntil([&] { return !flashing(w[0]); })) << taskbar.Text();
}

TEST_F(StandinButtons, AHungApplicationDoesNotStopTheTaskbar) {
    std::vector<HWND> hung = app.Open("title=hung");
    ASSERT_TRUE(taskbar.WaitForButtons(hung)) << taskbar.Text();
    ASSERT_EQ(app.Send("hang"), "ok");
    TestApp other;
    ASSERT_TRUE(other.Launch());
    std::vector<HWND> w = other.Open("title=alive");
    EXPECT_TRUE(taskbar.WaitForButtons({hung[0], w[0]})) << taskbar.Text();
    EXPECT_EQ(app.Send("unhang"), "ok");
}

} // namespace
