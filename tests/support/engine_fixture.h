// A fixture for tests of the grouping engine: real windows in the test
// process, a recorder behind TaskbarListObject, default settings, an empty
// model, and the error log in a fresh current directory.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/model.h"
#include "tests/support/model_support.h"
#include "tests/support/taskbar_recorder.h"

namespace testing_support {

// Window classes of the test windows. Windows of one process share their
// executable path, so tests that need several applications in one process
// group by class name instead (Settings.Path 0, Settings.Class 1).
constexpr char EngineClassA[] = "EngineTestA";
constexpr char EngineClassB[] = "EngineTestB";
constexpr char EngineClassNoIcon[] = "EngineTestNoIcon";

// A distinct icon of its own (the n-th one made by this process).
HICON DistinctIcon();

// The display name of the running test executable ("wine_scan_test"...).
std::string OwnDisplayName();

// Registers "tabtab" and the test classes once per process and creates the
// model's locks; Instance is the test executable.
void PrepareEngineProcess();

// Destroys every proxy (giving the members their buttons back), then gives
// back every group, rule and block and puts the settings back to defaults.
// The members' windows are left alone.
void ResetModel();

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A top-level window of the given class, visible or hidden, destroyed at
    // the end of the test; with an icon, that icon is its small icon.
    HWND MakeWindow(const char* cls = EngineClassA, bool visible = true, HICON icon = nullptr);
    // Destroys a window made by MakeWindow before the end of the test.
    void CloseWindow(HWND hwnd);

    // Title of a window as GetWindowTextA gives it.
    static std::string TitleOf(HWND hwnd);
    // The small icon set on a window (its WM_GETICON answer).
    static HICON SmallIconOf(HWND hwnd);
    // The contents of errorlog.txt in the test's directory ("" when none).
    std::string ErrorLogText() const { return cwd.ErrorLogText(); }

    TempCurrentDir cwd;
    ScopedTaskbarRecorder taskbar;
    std::vector<HWND> windows;
};

// The allocation-failure entry, as the program writes it.
extern const char AllocFailureText[];

} // namespace testing_support
