// The real program with default settings on the stand-in shells of Windows 2000
// (a tab control holds the buttons), XP (a toolbar) and 7 (a task list): on
// each, windows are grouped at start, a window opened later joins its group, a
// closed one is noticed and the exit gives every button back. Only the tab
// control is subclassed; on the later shells the program runs on its hook
// alone and says so once in the error log.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/program.h"
#include "tests/support/standin.h"
#include "tests/support/support.h"
#include "tests/support/testapp.h"
#include "tests/wine/ravik_support.h"

using namespace testing_support;

namespace {

constexpr char NoTabControlEntry[] =
    "タスクバーにタブコントロールがないため、サブクラス化せずに動作します\n";

struct Shell {
    const char* layout;
    bool tabControl; // its task switcher holds a tab control to subclass
};

void PrintTo(const Shell& shell, std::ostream* os) {
    *os << shell.layout;
}

class Layouts : public ::testing::TestWithParam<Shell> {};

// The program's buttons show exactly these proxy titles, and the other buttons
// are exactly those of the windows in `own`.
bool Shows(const StandinTaskbar& taskbar, DWORD programPid, const std::vector<std::string>& proxies,
           std::vector<HWND> own) {
    std::vector<std::string> titles;
    std::vector<HWND> others;
    for (const TaskbarButton& b : taskbar.Buttons()) {
        DWORD pid = 0;
        GetWindowThreadProcessId(b.hwnd, &pid);
        if (pid == programPid)
            titles.push_back(b.title);
        else
            others.push_back(b.hwnd);
    }
    std::sort(others.begin(), others.end());
    std::sort(own.begin(), own.end());
    return titles == proxies && others == own;
}

TEST_P(Layouts, GroupingFollowsTheWindowsAndTheExitGivesEveryButtonBack) {
    const Shell& shell = GetParam();
    StandinTaskbar taskbar;
    ASSERT_TRUE(taskbar.Start(shell.layout));
    TestApp editor, viewer;
    ASSERT_TRUE(editor.Launch("open count=2 title=\"memo%d.txt - editor\"", "editor.exe"));
    ASSERT_TRUE(viewer.Launch("open title=\"photo.png - viewer\"", "viewer.exe"));
    ASSERT_EQ(editor.Windows().size(), 2u);
    HWND photo = viewer.Windows().at(0);

    std::string dir = MakeProgramCopy("layouts", nullptr); // default settings
    ASSERT_FALSE(dir.empty());
    // The program's library file: its shared area is the running program's.
    HMODULE library = LoadLibraryA((dir + "ravik.dll").c_str());
    const SharedHookArea* area = ravik_test::MappedArea(library);
    ASSERT_NE(area, nullptr);
    ProgramProcess program;
    ASSERT_TRUE(program.Start(dir));
    // The user switches between windows now and then: with the subclass, the
    // taskbar's traffic this causes is how a closed window is noticed.
    int polls = 0;
    auto shows = [&](const std::vector<std::string>& proxies, const std::vector<HWND>& own) {
        if (++polls % 25 == 0) {
            if (polls / 25 % 2)
                viewer.Send("activate #0");
            else
                editor.Send("activate #1");
        }
        return Shows(taskbar, program.Pid(), proxies, own);
    };

    EXPECT_TRUE(WaitUntil([&] { return shows({"2 editor"}, {photo}); }, 20000)) << taskbar.Text();
    ASSERT_EQ(editor.Send("open title=\"memo2.txt - editor\"").compare(0, 2, "0x"), 0);
    std::vector<HWND> edits = editor.Windows();
    ASSERT_EQ(edits.size(), 3u);
    EXPECT_TRUE(WaitUntil([&] { return shows({"3 editor"}, {photo}); }, 20000)) << taskbar.Text();
    EXPECT_EQ(area->savedTabProc != nullptr, shell.tabControl);
    editor.Send("destroy #0");
    EXPECT_TRUE(WaitUntil([&] { return shows({"2 editor"}, {photo}); }, 20000)) << taskbar.Text();

    EXPECT_EQ(program.ExitThroughTrayMenu(), 0u);
    EXPECT_TRUE(WaitUntil([&] {
        return ButtonsAreExactly(taskbar, {edits[1], edits[2], photo});
    })) << taskbar.Text();
    EXPECT_EQ(ReadErrorLog(dir), shell.tabControl ? "" : NoTabControlEntry);
    FreeLibrary(library);
}

INSTANTIATE_TEST_SUITE_P(Shells, Layouts,
                         ::testing::Values(Shell{"2000", true}, Shell{"xp", false},
                                           Shell{"win7", false}),
                         [](const ::testing::TestParamInfo<Shell>& p) {
                             return std::string("Windows") + p.param.layout;
                         });

} // namespace
