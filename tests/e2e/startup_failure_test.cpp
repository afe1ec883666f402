// Start-up failures of the real program: the message box comes first, then the two
// log entries, then the orderly stop with exit code -1.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "tests/support/program.h"
#include "tests/support/standin.h"
#include "tests/support/support.h"
#include "tests/support/testapp.h"

using namespace testing_support;

namespace {

constexpr char HookFailed[] = "グローバルフックの設定に失敗しました";
constexpr char SubclassFailed[] = "タスクバーのサブクラス化に失敗しました";
constexpr char TaskbarListFailed[] = "タスクバーを操作するオブジェクトの作成に失敗しました";
constexpr char TaskbarListServerKey[] =
    "Software\\Classes\\CLSID\\{56FDF344-FD6D-11D0-958A-006097C9A090}\\InprocServer32";

typedef int(__cdecl* SetHookFn)(int, int);
typedef int(__cdecl* FreeHookFn)();

// The log holds exactly `entry` followed by the system's text for the error.
void ExpectEntryAndSystemText(const std::string& log, const std::string& entry) {
    ASSERT_GT(log.size(), entry.size()) << log;
    EXPECT_EQ(log.compare(0, entry.size(), entry), 0) << log;
    EXPECT_EQ(log.find(entry, entry.size()), std::string::npos) << log;
}

// Runs the program copy in dir until the box with `text` shows; checks that the
// log is still empty then, presses OK and returns the exit code.
DWORD RunUntilBox(const std::string& dir, const char* text, bool* sawBox) {
    ProgramProcess program;
    *sawBox = false;
    if (!program.Start(dir)) return 0;
    HWND box = WaitMessageBox(program.Pid(), text);
    if (!box) return 0;
    *sawBox = true;
    // The box comes before the log entries.
    EXPECT_EQ(ReadErrorLog(dir), "");
    EXPECT_EQ(ProcessWindows(program.Pid(), "#32770", nullptr).size(), 1u);
    PressOk(box);
    DWORD code = 0;
    EXPECT_TRUE(program.WaitExit(20000, &code));
    return code;
}

TEST(StartupFailure, HookHeldByAnotherProcessGivesOneBoxTwoEntriesButtonsBackAndExitMinusOne) {
    StandinTaskbar taskbar;
    ASSERT_TRUE(taskbar.Start());
    TestApp editor;
    ASSERT_TRUE(editor.Launch("open count=2 title=\"memo%d.txt - editor\"", "editor.exe"));
    std::vector<HWND> edits = editor.Windows();
    ASSERT_TRUE(WaitUntil([&] { return ButtonsAreExactly(taskbar, edits); })) << taskbar.Text();
    std::string dir = MakeProgramCopy("hookheld", nullptr);
    ASSERT_FALSE(dir.empty());
    // This process holds the hook of the very library file the program will load.
    HMODULE ravik = LoadLibraryA((dir + "ravik.dll").c_str());
    ASSERT_NE(ravik, nullptr);
    SetHookFn setHook = (SetHookFn)(void*)GetProcAddress(ravik, "SetHook");
    FreeHookFn freeHook = (FreeHookFn)(void*)GetProcAddress(ravik, "FreeHook");
    ASSERT_TRUE(setHook && freeHook);
    ASSERT_EQ(setHook(0, 0), 1);

    bool sawBox = false;
    DWORD code = RunUntilBox(dir, HookFailed, &sawBox);
    freeHook();
    ASSERT_TRUE(sawBox);
    EXPECT_EQ(code, (DWORD)-1);
    ExpectEntryAndSystemText(ReadErrorLog(dir), std::string(HookFailed) + "\n");
    // The main window and its icon went with the stop; every button is back.
    EXPECT_EQ(FindWindowA("pelmora", nullptr), nullptr);
    EXPECT_TRUE(WaitUntil([&] { return ButtonsAreExactly(taskbar, edits); })) << taskbar.Text();
    EXPECT_TRUE(taskbar.NotifyIcons().empty()) << taskbar.Text();
}

TEST(StartupFailure, NoTaskSwitchWindowUnderTheTrayGivesTheSubclassBoxAndExitMinusOne) {
    // Wine's own tray window has no "MSTaskSwWClass" child: subclassing must fail.
    HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
    if (tray && FindWindowExA(tray, nullptr, "MSTaskSwWClass", nullptr))
        GTEST_SKIP() << "a taskbar with a task-switch window is running";
    std::string dir = MakeProgramCopy("nosubclass", "[pelmora]\r\nSubClass=1\r\n");
    ASSERT_FALSE(dir.empty());
    bool sawBox = false;
    DWORD code = RunUntilBox(dir, SubclassFailed, &sawBox);
    ASSERT_TRUE(sawBox);
    EXPECT_EQ(code, (DWORD)-1);
    ExpectEntryAndSystemText(ReadErrorLog(dir), std::string(SubclassFailed) + "\n");
    EXPECT_EQ(FindWindowA("pelmora", nullptr), nullptr);
}

// Points the taskbar-list class at a server that does not exist, and back afterwards.
class TaskbarListServerMissing {
public:
    TaskbarListServerMissing() {
        DWORD size = sizeof old_;
        had_ = RegGetValueA(HKEY_LOCAL_MACHINE, TaskbarListServerKey, nullptr, RRF_RT_REG_SZ,
                            nullptr, old_, &size) == ERROR_SUCCESS;
        const char missing[] = "Z:\\nowhere\\no_tasklist_server.dll";
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, TaskbarListServerKey, nullptr, REG_SZ, missing,
                        sizeof missing);
    }
    ~TaskbarListServerMissing() {
        if (had_)
            RegSetKeyValueA(HKEY_LOCAL_MACHINE, TaskbarListServerKey, nullptr, REG_SZ, old_,
                            (DWORD)strlen(old_) + 1);
        else
            RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, TaskbarListServerKey, nullptr);
    }

private:
    bool had_ = false;
    char old_[2048] = "";
};

TEST(StartupFailure, NoTaskbarListObjectGivesABoxTwoEntriesAndExitMinusOne) {
    std::string dir = MakeProgramCopy("nolist", "[pelmora]\r\nSubClass=0\r\n");
    ASSERT_FALSE(dir.empty());
    bool sawBox = false;
    DWORD code = 0;
    {
        TaskbarListServerMissing missing;
        code = RunUntilBox(dir, TaskbarListFailed, &sawBox);
    }
    ASSERT_TRUE(sawBox);
    EXPECT_EQ(code, (DWORD)-1);
    ExpectEntryAndSystemText(ReadErrorLog(dir), std::string(TaskbarListFailed) + "\n");
    EXPECT_EQ(FindWindowA("pelmora", nullptr), nullptr);
}

}  // namespace
