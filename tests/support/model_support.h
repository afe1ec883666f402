// Helpers for tests that work on the program's model: a clean model for every
// test, records built by hand, and a current directory of its own so that
// errorlog.txt can be read back.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/model.h"

namespace testing_support {

// The allocation-failure entry of errorlog.txt, as the program writes it.
constexpr char AllocFailureText[] = "メモリの確保に失敗しました\n";

// Creates AllocLock and EventLock once per process, as start-up does.
void EnsureModelLocks();

// Gives back every group (with its members and strings), proxy record, rule and
// index entry, empties the lists, puts Settings back to its defaults and lets
// ObjAlloc succeed again. Windows (members' and proxies') are left alone.
void FreeModel();

// Records built by hand and linked as the program links them: groups, members
// and proxies at the head of their lists, rules at the tail of RuleList.
WndGroup* AddTestGroup(const char* path, const char* className, GroupRule* rule = nullptr);
WndMember* AddTestMember(WndGroup* group, HWND hwnd, bool indexed = true);
TabWnd* AddTestTabWnd(WndGroup* group, HWND proxy);
GroupRule* AppendTestRule(const char* id, int type, int enable = 1, int winNum = -1,
                          const char* title = "");

// The whole content of a file ("" when it cannot be read), and writing one.
std::string ReadFileText(const std::string& path);
bool WriteFileText(const std::string& path, const std::string& text);

// Top-level windows made for a test and destroyed with this object. Visible()
// shows a caption-less popup without activating it: under Wine without a window
// manager, destroying a shown window that was activated or has a caption waits
// 2 s for a withdrawn state that never comes; such a popup is not waited for.
class TestWindows {
  public:
    TestWindows() = default;
    ~TestWindows();
    TestWindows(const TestWindows&) = delete;
    TestWindows& operator=(const TestWindows&) = delete;
    HWND Make(DWORD style, DWORD exStyle = 0, HWND parent = nullptr); // as created
    HWND Visible();                                                   // shown without activation
    HWND Hidden();

  private:
    std::vector<HWND> windows_;
};

// Makes a fresh temporary directory the current directory for its lifetime.
class TempCurrentDir {
  public:
    TempCurrentDir();
    ~TempCurrentDir();
    TempCurrentDir(const TempCurrentDir&) = delete;
    TempCurrentDir& operator=(const TempCurrentDir&) = delete;
    const std::string& path() const { return dir_; } // with its trailing backslash
    // errorlog.txt read as text (its lines end in CR LF on disk).
    std::string ErrorLogText() const;

  private:
    std::string previous_;
    std::string dir_;
};

// Fixture: every test starts from an empty model in a current directory of its
// own, and ends with the model freed and every block given back.
class ModelTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    std::string ErrorLogText() const { return cwd_.ErrorLogText(); }

    TempCurrentDir cwd_;
    int blocksBefore_ = 0;
};

} // namespace testing_support
