// Notification icons added with Shell_NotifyIconA from another process appear
// in the stand-in's notification area, follow NIM_MODIFY and NIM_DELETE, and
// clicks on them reach the owner as its callback message.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <string.h>

#include <algorithm>
#include <vector>

#include "tests/support/processes.h"
#include "tests/support/standin.h"
#include "tests/support/support.h"

using testing_support::ClickAt;
using testing_support::StandinTaskbar;
using testing_support::TaskbarNotifyIcon;
using testing_support::WaitUntil;

namespace {

constexpr UINT CallbackMessage = WM_APP + 100; // 0x8064, as pelmora's
const char Notice[] = "\x92\xca\x92\x6d";      // "通知" in Shift-JIS

struct Callback {
    WPARAM id;
    LPARAM mouseMessage;
};
std::vector<Callback> Callbacks;

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == CallbackMessage) {
        Callbacks.push_back({wParam, lParam});
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class StandinTray : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(taskbar.Start());
        WNDCLASSA wc = {};
        wc.lpfnWndProc = OwnerProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "StandinTrayOwner";
        RegisterClassA(&wc);
        owner = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, nullptr,
                                nullptr, wc.hInstance, nullptr);
        ASSERT_NE(owner, nullptr);
        Callbacks.clear();
    }
    void TearDown() override {
        if (owner) DestroyWindow(owner);
    }
    // The record pelmora fills: shell version 5 size, message, icon and tip.
    NOTIFYICONDATAA Data(UINT id, const char* tip) {
        NOTIFYICONDATAA nid = {};
        nid.cbSize = NOTIFYICONDATAA_V2_SIZE;
        nid.hWnd = owner;
        nid.uID = id;
        nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        nid.uCallbackMessage = CallbackMessage;
        nid.hIcon = LoadIcon(nullptr, IDI_INFORMATION);
        strncpy(nid.szTip, tip, sizeof nid.szTip - 1);
        return nid;
    }
    bool HasCallback(UINT id, UINT mouseMessage) {
        return std::any_of(Callbacks.begin(), Callbacks.end(), [&](const Callback& c) {
            return c.id == id && static_cast<UINT>(c.mouseMessage) == mouseMessage;
        });
    }

    StandinTaskbar taskbar;
    HWND owner = nullptr;
};

TEST_F(StandinTray, AnAddedIconIsListedWithItsOwnerIdCallbackAndTip) {
    NOTIFYICONDATAA nid = Data(1, Notice);
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &nid));
    std::vector<TaskbarNotifyIcon> icons = taskbar.NotifyIcons();
    ASSERT_EQ(icons.size(), 1u) << taskbar.Text();
    EXPECT_EQ(icons[0].owner, owner);
    EXPECT_EQ(icons[0].id, 1u);
    EXPECT_EQ(icons[0].callbackMessage, CallbackMessage);
    EXPECT_EQ(icons[0].tip, Notice);
    EXPECT_GT(icons[0].rect.right, icons[0].rect.left);
}

TEST_F(StandinTray, ModifyChangesTheTipAndDeleteRemovesTheIcon) {
    NOTIFYICONDATAA first = Data(1, "first"), second = Data(2, "second");
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &first));
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &second));
    NOTIFYICONDATAA changed = Data(1, "changed");
    changed.uFlags = NIF_TIP;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &changed));
    std::vector<TaskbarNotifyIcon> icons = taskbar.NotifyIcons();
    ASSERT_EQ(icons.size(), 2u) << taskbar.Text();
    EXPECT_EQ(icons[0].tip, "changed");
    EXPECT_EQ(icons[0].callbackMessage, CallbackMessage);
    EXPECT_EQ(icons[1].tip, "second");

    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &first));
    icons = taskbar.NotifyIcons();
    ASSERT_EQ(icons.size(), 1u) << taskbar.Text();
    EXPECT_EQ(icons[0].id, 2u);
}

TEST_F(StandinTray, RequestsForIconsThatAreOrAreNotThereFail) {
    NOTIFYICONDATAA nid = Data(1, "tip");
    EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &nid));
    EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &nid));
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &nid));
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &nid));
    EXPECT_EQ(taskbar.NotifyIcons().size(), 1u);
}

TEST_F(StandinTray, TheIconOfADestroyedOwnerGoes) {
    NOTIFYICONDATAA nid = Data(1, "tip");
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &nid));
    DestroyWindow(owner);
    owner = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return taskbar.NotifyIcons().empty(); })) << taskbar.Text();
}

TEST_F(StandinTray, ClicksOnTheIconReachTheOwnerAsItsCallbackMessage) {
    NOTIFYICONDATAA other = Data(1, "other"), nid = Data(7, "clicked");
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &other));
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &nid));
    std::vector<TaskbarNotifyIcon> icons = taskbar.NotifyIcons();
    ASSERT_EQ(icons.size(), 2u);
    RECT rc = icons[1].rect;
    POINT middle = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};

    // Each case with another button than the one before: no click pairs with
    // the previous case's into a double-click.
    const struct {
        int button, count;
        UINT expected[2];
    } cases[] = {
        {1, 1, {WM_LBUTTONDOWN, WM_LBUTTONUP}},
        {3, 1, {WM_RBUTTONDOWN, WM_RBUTTONUP}},
        {1, 2, {WM_LBUTTONDBLCLK, WM_LBUTTONUP}},
    };
    for (const auto& c : cases) {
        Callbacks.clear();
        ASSERT_TRUE(ClickAt(middle.x, middle.y, c.button, c.count));
        for (UINT message : c.expected)
            EXPECT_TRUE(WaitUntil([&] { return HasCallback(7, message); }))
                << "button " << c.button << " x" << c.count << ": no 0x" << std::hex << message;
        EXPECT_FALSE(std::any_of(Callbacks.begin(), Callbacks.end(),
                                 [](const Callback& cb) { return cb.id != 7; }));
    }
}

} // namespace
