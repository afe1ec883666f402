// The stand-in Windows 2000 taskbar and the test application, as other tests
// and the demo use them: buttons follow the windows of other processes,
// ITaskbarList calls from another process change them before they return,
// X server clicks activate windows, notification icons reach their owners.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/processes.h"
#include "tests/support/standin.h"
#include "tests/support/support.h"
#include "tests/support/testapp.h"

using namespace testing_support;

namespace {

// Shift-JIS: "文書", and "ソフト" (whose first character ends in 0x5C, a backslash).
const char Document[] = "\x95\xb6\x8f\x91";
const char Software[] = "\x83\x5c\x83\x74\x83\x67";

// What the windows of this process received: activations with the cursor
// position, and notification-icon callbacks.
constexpr UINT CallbackMessage = WM_APP + 100; // 0x8064, as pelmora's
struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    POINT cursor;
};
std::vector<Received> received;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_ACTIVATE && message != CallbackMessage)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    POINT pt;
    GetCursorPos(&pt);
    if (message == WM_ACTIVATE) // the state alone
        received.push_back({message, LOWORD(wParam), 0, pt});
    else
        received.push_back({message, wParam, lParam, pt});
    return 0;
}

bool WasReceived(UINT message, WPARAM wParam, LPARAM lParam) {
    return std::any_of(received.begin(), received.end(), [&](const Received& r) {
        return r.message == message && r.wParam == wParam && r.lParam == lParam;
    });
}

class Standin : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(taskbar.Start());
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_EQ(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_ITaskbarList, reinterpret_cast<void**>(&list)),
                  S_OK);
        ASSERT_TRUE(app.Launch());
        WNDCLASSA wc = {};
        wc.lpfnWndProc = RecordingProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "StandinTestWindow";
        RegisterClassA(&wc);
        own = CreateWindowExA(0, wc.lpszClassName, "hidden", WS_OVERLAPPEDWINDOW, 0, 0, 0, 0,
                              nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(own, nullptr);
        received.clear();
    }
    void TearDown() override {
        DestroyWindow(own);
        if (list) list->Release();
        CoUninitialize();
    }
    // Opens a visible window and waits for its button: everything the
    // taskbar was told before has then been handled.
    HWND Marker() {
        std::vector<HWND> w = app.Open("title=marker");
        return w.size() == 1 && WaitUntil([&] { return taskbar.FindButton(w[0]); }) ? w[0]
                                                                                    : nullptr;
    }
    bool Tell(const std::string& verb, HWND w) {
        return app.Send(verb + " " + WindowRef(w)) == "ok";
    }
    POINT ButtonMiddle(HWND hwnd) {
        TaskbarButton b = {};
        WaitUntil([&] { return taskbar.FindButton(hwnd, &b); });
        return {(b.rect.left + b.rect.right) / 2, (b.rect.top + b.rect.bottom) / 2};
    }

    StandinTaskbar taskbar;
    TestApp app;
    ITaskbarList* list = nullptr;
    HWND own = nullptr; // a hidden window of this process
};

TEST_F(Standin, VisibleWindowsGetButtonsInCreationOrderWithTheirTitlesUntilHiddenOrClosed) {
    TestApp other;
    ASSERT_TRUE(other.Launch());
    std::vector<HWND> first = app.Open(std::string("count=2 title=\"") + Document + " %d\"");
    std::vector<HWND> second = other.Open(std::string("title=\"") + Software + " plus\"");
    ASSERT_EQ(first.size() + second.size(), 3u);
    ASSERT_TRUE(taskbar.WaitForButtons({first[0], first[1], second[0]})) << taskbar.Text();
    std::vector<TaskbarButton> buttons = taskbar.Buttons();
    EXPECT_EQ(buttons[0].title, std::string(Document) + " 1");
    EXPECT_EQ(buttons[1].title, std::string(Document) + " 2");
    EXPECT_EQ(buttons[2].title, std::string(Software) + " plus");
    // A window shown again gets a new button at the end; a closed one loses it.
    EXPECT_TRUE(Tell("hide", first[0]));
    EXPECT_TRUE(taskbar.WaitForButtons({first[1], second[0]})) << taskbar.Text();
    EXPECT_TRUE(Tell("show", first[0]));
    EXPECT_TRUE(taskbar.WaitForButtons({first[1], second[0], first[0]})) << taskbar.Text();
    EXPECT_TRUE(Tell("close", first[1]));
    EXPECT_TRUE(taskbar.WaitForButtons({second[0], first[0]})) << taskbar.Text();
}

TEST_F(Standin, OnlyUnownedNonToolWindowsOrAppWindowsGetAButton) {
    struct Case {
        const char* options;
        bool button;
    } cases[] = {{"tool", false},          {"owned", false},          {"hidden", false},
                 {"tool appwindow", true}, {"owned appwindow", true}, {"disabled", true},
                 {"minimized", true}};
    ASSERT_EQ(app.Open("title=owner").size(), 1u); // the owner of "owned"
    for (const Case& c : cases) {
        std::vector<HWND> w = app.Open(c.options);
        ASSERT_EQ(w.size(), 1u) << c.options;
        ASSERT_NE(Marker(), nullptr) << taskbar.Text();
        EXPECT_EQ(taskbar.FindButton(w[0]), c.button) << c.options << "\n" << taskbar.Text();
    }
}

TEST_F(Standin, TaskbarListCallsFromAnotherProcessChangeTheButtonsBeforeTheyReturn) {
    std::vector<HWND> w = app.Open("count=2");
    std::vector<HWND> hidden = app.Open("hidden title=proxy");
    ASSERT_TRUE(taskbar.WaitForButtons(w)) << taskbar.Text();
    ASSERT_TRUE(taskbar.ClearCalls());
    EXPECT_EQ(list->DeleteTab(w[0]), S_OK);
    EXPECT_EQ(taskbar.ButtonWindows(), std::vector<HWND>{w[1]}) << taskbar.Text();
    EXPECT_EQ(list->AddTab(hidden[0]), S_OK);
    std::vector<TaskbarButton> buttons = taskbar.Buttons();
    ASSERT_EQ(buttons.size(), 2u) << taskbar.Text();
    EXPECT_EQ(buttons[1].hwnd, hidden[0]);
    EXPECT_EQ(buttons[1].title, "proxy");
    std::vector<TaskbarListCall> calls = taskbar.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(calls[0].op == "DeleteTab" && calls[0].hwnd == w[0]);
    EXPECT_TRUE(calls[1].op == "AddTab" && calls[1].hwnd == hidden[0]);
    // Retitled, minimised and restored the deleted window still has none; shown
    // again after being hidden, it gets a new button.
    for (const char* verb : {"minimize", "restore"})
        EXPECT_TRUE(Tell(verb, w[0]));
    HWND marker = Marker();
    EXPECT_EQ(taskbar.ButtonWindows(), (std::vector<HWND>{w[1], hidden[0], marker}));
    EXPECT_TRUE(Tell("hide", w[0]));
    EXPECT_TRUE(Tell("show", w[0]));
    EXPECT_TRUE(taskbar.WaitForButtons({w[1], hidden[0], marker, w[0]})) << taskbar.Text();
    // Without a stand-in every call succeeds and does nothing.
    ASSERT_TRUE(taskbar.Stop());
    EXPECT_EQ(list->AddTab(w[0]), S_OK);
    EXPECT_EQ(list->DeleteTab(w[0]), S_OK);
}

TEST_F(Standin, AFlashedWindowsButtonIsMarkedUntilTheWindowIsActivated) {
    std::vector<HWND> w = app.Open("count=2"); // the second one is active
    ASSERT_TRUE(taskbar.WaitForButtons(w)) << taskbar.Text();
    auto flashing = [&](HWND hwnd) {
        TaskbarButton b;
        return taskbar.FindButton(hwnd, &b) && b.flashing;
    };
    EXPECT_TRUE(Tell("flash", w[0]));
    EXPECT_TRUE(WaitUntil([&] { return flashing(w[0]); })) << taskbar.Text();
    EXPECT_FALSE(flashing(w[1]));
    EXPECT_TRUE(Tell("activate", w[0]));
    EXPECT_TRUE(WaitUntil([&] { return !flashing(w[0]); })) << taskbar.Text();
}

TEST_F(Standin, AClickOnAButtonActivatesItsWindowAHiddenOneWithTheCursorOnTheTaskbar) {
    // The middle of the button, and the screen's bottom pixel row below it,
    // which Wine's SHAppBarMessage reports as the taskbar.
    const int bottomRow = GetSystemMetrics(SM_CYSCREEN) - 1;
    std::vector<HWND> w = app.Open("count=2"); // the second one is active
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == w[1]; }));
    POINT p = ButtonMiddle(w[0]);
    ASSERT_TRUE(ClickAt(p.x, p.y));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == w[0]; })) << taskbar.Text();
    p = ButtonMiddle(w[1]);
    ASSERT_TRUE(ClickAt(p.x, bottomRow));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == w[1]; })) << taskbar.Text();

    // A hidden window with a button from AddTab, as pelmora's proxies are:
    // activated at every click, even when it was active already.
    list->AddTab(own);
    p = ButtonMiddle(own);
    for (int click = 0; click < 2; ++click) {
        received.clear();
        ASSERT_TRUE(ClickAt(p.x, bottomRow));
        ASSERT_TRUE(WaitUntil([&] { return WasReceived(WM_ACTIVATE, WA_ACTIVE, 0); }))
            << click << "\n"
            << taskbar.Text();
        APPBARDATA abd = {};
        abd.cbSize = sizeof abd;
        SHAppBarMessage(ABM_GETTASKBARPOS, &abd);
        for (const Received& r : received) {
            bool onTaskbar = r.cursor.x >= abd.rc.left && r.cursor.x <= abd.rc.right &&
                             r.cursor.y >= abd.rc.top && r.cursor.y <= abd.rc.bottom;
            EXPECT_TRUE(r.wParam != WA_ACTIVE || onTaskbar) << r.cursor.x << "," << r.cursor.y;
        }
    }
    EXPECT_FALSE(IsWindowVisible(own));
}

TEST_F(Standin, NotificationIconsAreListedReachTheirOwnerWhenClickedAndGoWhenDeleted) {
    NOTIFYICONDATAA nid = {};
    nid.cbSize = NOTIFYICONDATAA_V2_SIZE; // what pelmora fills
    nid.hWnd = own;
    nid.uID = 7;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = CallbackMessage;
    nid.hIcon = LoadIcon(nullptr, IDI_INFORMATION);
    strcpy(nid.szTip, "\x92\xca\x92\x6d"); // "通知"
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &nid));
    std::vector<TaskbarNotifyIcon> icons = taskbar.NotifyIcons();
    ASSERT_EQ(icons.size(), 1u) << taskbar.Text();
    EXPECT_EQ(icons[0].owner, own);
    EXPECT_EQ(icons[0].id, 7u);
    EXPECT_EQ(icons[0].callbackMessage, CallbackMessage);
    EXPECT_EQ(icons[0].tip, "\x92\xca\x92\x6d");
    RECT rc = icons[0].rect;
    // Each case with another button than the one before: no click pairs with
    // the previous case's into a double-click.
    const struct {
        int button, count;
        UINT expected[2];
    } cases[] = {{1, 1, {WM_LBUTTONDOWN, WM_LBUTTONUP}},
                 {3, 1, {WM_RBUTTONDOWN, WM_RBUTTONUP}},
                 {1, 2, {WM_LBUTTONDBLCLK, WM_LBUTTONUP}}};
    for (const auto& c : cases) {
        received.clear();
        ASSERT_TRUE(ClickAt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2, c.button, c.count));
        for (UINT message : c.expected)
            EXPECT_TRUE(WaitUntil([&] { return WasReceived(CallbackMessage, 7, message); }))
                << "button " << c.button << " x" << c.count << ": no 0x" << std::hex << message;
    }
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &nid));
    EXPECT_TRUE(taskbar.NotifyIcons().empty()) << taskbar.Text();
}

// Saves a picture of the stand-in with three buttons (one of them flashing,
// one active) and a notification icon, for a person to look at:
// build/<b>/artifacts/standin_taskbar.png.
TEST_F(Standin, ThreeButtonsAndAnIconAreSavedAsAPicture) {
    TestApp editor;
    ASSERT_TRUE(editor.Launch());
    // "メモ帳 - 文書1.txt", "メモ帳 - 表示ソフト.txt" and "editor"
    std::vector<HWND> w = app.Open("title=\"\x83\x81\x83\x82\x92\xa0 - \x95\xb6\x8f\x91"
                                   "1.txt\"");
    app.Open("title=\"\x83\x81\x83\x82\x92\xa0 - \x95\x5c\x8e\xa6\x83\x5c\x83\x74\x83\x67.txt\"");
    editor.Open("title=editor");
    Tell("flash", w[0]);
    NOTIFYICONDATAA nid = {};
    nid.cbSize = sizeof nid;
    nid.hWnd = own;
    nid.uID = 1;
    nid.uFlags = NIF_ICON;
    nid.hIcon = LoadIcon(nullptr, IDI_INFORMATION);
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &nid));
    ASSERT_TRUE(WaitUntil([&] {
        std::vector<TaskbarButton> b = taskbar.Buttons();
        return b.size() == 3 && b[0].flashing && b[2].active;
    })) << taskbar.Text();
    TaskbarState state;
    ASSERT_TRUE(taskbar.Read(&state));
    RECT area = state.rect;
    area.top -= 24; // a strip of the desktop above it
    std::string file = ArtifactsDir() + "standin_taskbar.png";
    DeleteFileA(file.c_str());
    EXPECT_TRUE(SaveScreenshot(area, file));
    EXPECT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
    Shell_NotifyIconA(NIM_DELETE, &nid);
}

} // namespace
