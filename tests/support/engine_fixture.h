// Fixtures for tests of the grouping engine and the group menu: real windows
// in the test process (or of the test application), a recorder behind
// TaskbarListObject, default settings, an empty model, and the error log in a
// fresh current directory.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/model.h"
#include "tests/support/model_support.h"
#include "tests/support/taskbar_recorder.h"
#include "tests/support/testapp.h"

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
void ResetModel();

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override; // checks ModelFault() and that every block is back

    // A top-level window, destroyed at the end of the test; with an icon, that
    // icon is its small icon.
    HWND MakeWindow(const char* cls = EngineClassA, bool visible = true, HICON icon = nullptr);
    void CloseWindow(HWND hwnd); // before the end of the test
    static std::string TitleOf(HWND hwnd);
    static HICON SmallIconOf(HWND hwnd) {
        return (HICON)SendMessageA(hwnd, WM_GETICON, ICON_SMALL, 0);
    }
    std::string ErrorLogText() const { return cwd.ErrorLogText(); }

    TempCurrentDir cwd;
    ScopedTaskbarRecorder taskbar;
    std::vector<HWND> windows;
};

// The engine's fixture plus the test application, whose windows are grouped
// straight into the model with a proxy.
class GroupMenuTest : public EngineTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Windows of the test application ("open" options, e.g. "count=3 title=w%d").
    std::vector<HWND> Open(const std::string& options = "");
    // A command for one window ("minimize", "hide"...); true when it answered "ok".
    bool Tell(const std::string& verb, HWND hwnd) {
        return app.Send(verb + " " + WindowRef(hwnd)) == "ok";
    }
    // Whether the window received the event ("syscommand 0xf060"...).
    bool Received(HWND hwnd, const std::string& event) const;
    // A group whose member list holds the windows in the order given, with its proxy.
    WndGroup* Group(const std::vector<HWND>& listed);
    HWND Proxy(const std::vector<HWND>& listed) {
        WndGroup* g = Group(listed);
        return g && g->tab ? g->tab->hwnd : nullptr;
    }
    static WndMember* MemberOf(const WndGroup* group, HWND hwnd);

    TestApp app;
};

} // namespace testing_support
