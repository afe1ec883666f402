// The test application does what its commands say, to real windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/support.h"
#include "tests/support/testapp.h"

using testing_support::TestApp;
using testing_support::WaitUntil;
using testing_support::WindowRef;

namespace {

bool Has(const std::vector<std::string>& events, const std::string& event) {
    return std::find(events.begin(), events.end(), event) != events.end();
}

std::string ProcessImage(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    char path[MAX_PATH] = "";
    DWORD size = MAX_PATH;
    if (process) {
        QueryFullProcessImageNameA(process, 0, path, &size);
        CloseHandle(process);
    }
    return path;
}

TEST(TestApp, OpensWindowsWithTheClassTitleAndStylesAskedFor) {
    TestApp app;
    ASSERT_TRUE(app.Launch());
    const struct {
        const char* options;
        DWORD style, notStyle, exStyle;
        bool visible;
    } cases[] = {
        {"", WS_THICKFRAME | WS_MAXIMIZEBOX, 0, 0, true},
        {"hidden", 0, 0, 0, false},
        {"tool", 0, 0, WS_EX_TOOLWINDOW, true},
        {"appwindow", 0, 0, WS_EX_APPWINDOW, true},
        {"disabled", WS_DISABLED, 0, 0, true},
        {"fixed", WS_CAPTION | WS_MINIMIZEBOX, WS_THICKFRAME | WS_MAXIMIZEBOX, 0, true},
    };
    for (const auto& c : cases) {
        std::vector<HWND> w = app.Open(std::string("class=ProbeClass title=\"a b\" ") + c.options);
        ASSERT_EQ(w.size(), 1u) << c.options;
        char cls[64], title[64];
        GetClassNameA(w[0], cls, sizeof cls);
        GetWindowTextA(w[0], title, sizeof title);
        EXPECT_STREQ(cls, "ProbeClass");
        EXPECT_STREQ(title, "a b");
        LONG_PTR style = GetWindowLongPtrA(w[0], GWL_STYLE);
        EXPECT_EQ(style & c.style, static_cast<LONG_PTR>(c.style)) << c.options;
        EXPECT_EQ(style & c.notStyle, 0) << c.options;
        EXPECT_EQ(GetWindowLongPtrA(w[0], GWL_EXSTYLE) & c.exStyle,
                  static_cast<LONG_PTR>(c.exStyle));
        EXPECT_EQ(IsWindowVisible(w[0]) != 0, c.visible) << c.options;
    }
    std::vector<HWND> owned = app.Open("owned");
    EXPECT_EQ(GetWindow(owned[0], GW_OWNER), app.Windows()[0]);
}

TEST(TestApp, NumbersShiftJisTitlesAndOpensMany) {
    TestApp app;
    // "ソフト %d": its first character's second byte is a backslash.
    ASSERT_TRUE(app.Launch("open count=3 title=\"\x83\x5c\x83\x74\x83\x67 %d\""));
    std::vector<HWND> w = app.Windows();
    ASSERT_EQ(w.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        char title[64];
        GetWindowTextA(w[i], title, sizeof title);
        EXPECT_EQ(std::string(title), "\x83\x5c\x83\x74\x83\x67 " + std::to_string(i + 1));
    }
}

TEST(TestApp, ChangesItsWindowsOnCommand) {
    TestApp app;
    ASSERT_TRUE(app.Launch("open"));
    HWND w = app.Windows()[0];
    std::string ref = WindowRef(w);
    const struct {
        const char* command;
        bool (*holds)(HWND);
    } cases[] = {
        {"minimize", [](HWND h) { return IsIconic(h) != 0; }},
        {"restore", [](HWND h) { return !IsIconic(h) && !IsZoomed(h); }},
        {"maximize", [](HWND h) { return IsZoomed(h) != 0; }},
        {"restore", [](HWND h) { return !IsZoomed(h); }},
        {"hide", [](HWND h) { return !IsWindowVisible(h); }},
        {"show", [](HWND h) { return IsWindowVisible(h) != 0; }},
        {"disable", [](HWND h) { return !IsWindowEnabled(h); }},
        {"enable", [](HWND h) { return IsWindowEnabled(h) != 0; }},
        {"destroy", [](HWND h) { return !IsWindow(h); }},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(app.Send(std::string(c.command) + " " + ref), "ok") << c.command;
        EXPECT_TRUE(WaitUntil([&] { return c.holds(w); })) << c.command;
    }
    EXPECT_EQ(app.Windows().size(), 0u);
    EXPECT_EQ(app.Send("show " + ref).compare(0, 6, "error:"), 0);
}

TEST(TestApp, RefusesWhatItCannotDo) {
    TestApp app;
    ASSERT_TRUE(app.Launch("open"));
    for (const char* command : {"fly #0", "hide #7", "hide 0x1", "open count=0", "open color=red",
                                "icon #0 purple", "answer #0 yes", "askclose #0 maybe", ""}) {
        EXPECT_EQ(app.Send(command).compare(0, 6, "error:"), 0) << command;
    }
}

TEST(TestApp, AWindowThatAsksBeforeClosingStaysUntilTheAnswerIsNotCancel) {
    TestApp app;
    ASSERT_TRUE(app.Launch("open askclose"));
    HWND w = app.Windows()[0];
    std::string ref = WindowRef(w);
    ASSERT_EQ(app.Send("close " + ref), "ok");
    ASSERT_TRUE(WaitUntil([&] { return Has(app.Events(w), "question"); }));
    EXPECT_EQ(app.Send("answer " + ref + " cancel"), "ok");
    ASSERT_TRUE(WaitUntil([&] { return Has(app.Events(w), "answer cancel"); }));
    EXPECT_TRUE(IsWindow(w));

    ASSERT_EQ(app.Send("close " + ref), "ok");
    ASSERT_TRUE(WaitUntil([&] {
        std::vector<std::string> e = app.Events(w);
        return std::count(e.begin(), e.end(), "question") == 2;
    }));
    EXPECT_EQ(app.Send("answer " + ref + " no"), "ok");
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(w); }));
    EXPECT_TRUE(Has(app.Events(w), "destroy"));
}

TEST(TestApp, AHungApplicationStopsAnsweringItsWindowsMessagesUntilUnhung) {
    TestApp app;
    ASSERT_TRUE(app.Launch("open"));
    HWND w = app.Windows()[0];
    ASSERT_EQ(app.Send("hang"), "ok");
    DWORD_PTR result = 0;
    EXPECT_EQ(SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, 300, &result), 0);
    EXPECT_EQ(app.Send("list").compare(0, 6, "error:"), 0);
    EXPECT_EQ(app.Send("unhang"), "ok");
    EXPECT_NE(SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result), 0);
    EXPECT_EQ(app.Windows().size(), 1u);
    // Quitting works while hung too.
    ASSERT_EQ(app.Send("hang"), "ok");
    EXPECT_TRUE(app.Quit());
}

TEST(TestApp, RecordsWhatItsWindowsReceive) {
    TestApp app;
    ASSERT_TRUE(app.Launch("open count=2"));
    std::vector<HWND> w = app.Windows();
    ASSERT_EQ(app.Send("activate " + WindowRef(w[0])), "ok");
    EXPECT_TRUE(WaitUntil([&] { return Has(app.Events(w[0]), "activate 1"); }));
    PostMessageA(w[1], 0x0313, 0, MAKELPARAM(-20, 300)); // WM_POPUPSYSTEMMENU
    EXPECT_TRUE(WaitUntil([&] { return Has(app.Events(w[1]), "popupsystemmenu -20 300"); }));
    PostMessageA(w[1], WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(WaitUntil([&] { return Has(app.Events(w[1]), "syscommand 0xf020"); }));
}

TEST(TestApp, ACopyUnderAnotherNameRunsAsThatProgram) {
    TestApp app;
    ASSERT_TRUE(app.Launch("open", "editor.exe"));
    std::vector<HWND> w = app.Windows();
    ASSERT_EQ(w.size(), 1u);
    std::string image = ProcessImage(w[0]);
    ASSERT_GE(image.size(), 11u);
    EXPECT_EQ(image.substr(image.size() - 11), "\\editor.exe") << image;
    EXPECT_EQ(image, app.exePath());
}

} // namespace
