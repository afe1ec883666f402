// The real program with the stand-in taskbar and default settings: windows of one
// application collapse into one proxy button, which follows the windows as they
// come and go; other applications' buttons stay as they are.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/program.h"
#include "tests/support/standin.h"
#include "tests/support/support.h"
#include "tests/support/testapp.h"

using namespace testing_support;

namespace {

// What the taskbar shows, reduced to what a user sees: proxy titles of the
// program's buttons and which of the given windows have their own button.
struct Shown {
    std::vector<std::string> proxies;
    std::vector<HWND> windows;
};

Shown Read(const StandinTaskbar& taskbar, DWORD programPid) {
    Shown shown;
    for (const TaskbarButton& b : taskbar.Buttons()) {
        DWORD pid = 0;
        GetWindowThreadProcessId(b.hwnd, &pid);
        if (pid == programPid)
            shown.proxies.push_back(b.title);
        else
            shown.windows.push_back(b.hwnd);
    }
    return shown;
}

bool Has(const std::vector<HWND>& v, HWND w) { return std::find(v.begin(), v.end(), w) != v.end(); }

class Grouping : public ::testing::TestWithParam<const char*> {};

TEST_P(Grouping, OneApplicationsWindowsShareOneProxyThatFollowsThem) {
    StandinTaskbar taskbar;
    ASSERT_TRUE(taskbar.Start());
    TestApp editor, viewer;
    ASSERT_TRUE(editor.Launch("open count=2 title=\"memo%d.txt - editor\"", "editor.exe"));
    ASSERT_TRUE(viewer.Launch("open title=\"photo.png - viewer\"", "viewer.exe"));
    std::vector<HWND> edits = editor.Windows();
    ASSERT_EQ(edits.size(), 2u);
    HWND photo = viewer.Windows().at(0);

    std::string dir = MakeProgramCopy("grouping", GetParam());
    ASSERT_FALSE(dir.empty());
    ProgramProcess program;
    ASSERT_TRUE(program.Start(dir));
    DWORD pid = program.Pid();
    auto showsOnly = [&](const std::vector<std::string>& proxies, const std::vector<HWND>& own,
                         const std::vector<HWND>& none) {
        Shown s = Read(taskbar, pid);
        if (s.proxies != proxies) return false;
        for (HWND w : own)
            if (!Has(s.windows, w)) return false;
        for (HWND w : none)
            if (Has(s.windows, w)) return false;
        return true;
    };

    // Two windows: one proxy "2 editor", no member buttons, the viewer untouched.
    EXPECT_TRUE(WaitUntil([&] { return showsOnly({"2 editor"}, {photo}, edits); }, 20000))
        << taskbar.Text();

    // A third window opened later joins: "3 editor", and its own button goes away.
    // Meanwhile the user goes on working, switching between windows: with the
    // default settings the program learns of a closed window whose button the
    // taskbar never had from the taskbar's traffic that such switches cause.
    int polls = 0;
    bool onViewer = false;
    auto switchNowAndThen = [&] {
        if (++polls % 25 != 0) return;
        onViewer = !onViewer;
        if (onViewer)
            viewer.Send("activate #0");
        else
            editor.Send("activate #1");
    };
    ASSERT_EQ(editor.Send("open title=\"memo2.txt - editor\"").compare(0, 2, "0x"), 0);
    edits = editor.Windows();
    ASSERT_EQ(edits.size(), 3u);
    EXPECT_TRUE(WaitUntil([&] {
        switchNowAndThen();
        return showsOnly({"3 editor"}, {photo}, edits);
    }, 20000)) << taskbar.Text();

    // Closing down to two retitles the proxy; down to one removes it, and the last
    // window has its own button again.
    editor.Send("destroy #0");
    EXPECT_TRUE(WaitUntil([&] {
        switchNowAndThen();
        return showsOnly({"2 editor"}, {photo}, edits);
    }, 20000)) << taskbar.Text();
    editor.Send("destroy #2");
    EXPECT_TRUE(WaitUntil([&] {
        switchNowAndThen();
        return showsOnly({}, {photo, edits[1]}, {});
    }, 20000)) << taskbar.Text();

    EXPECT_EQ(program.ExitThroughTrayMenu(), 0u);
    EXPECT_EQ(ReadErrorLog(dir), "");
}

// Default settings (no file: SubClass 1, Load 1), and hooks only (SubClass 0).
INSTANTIATE_TEST_SUITE_P(Settings, Grouping,
                         ::testing::Values(nullptr, "[pelmora]\r\nSubClass=0\r\n"));

}  // namespace
