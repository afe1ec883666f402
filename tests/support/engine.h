// The program's own code in the test process. Of the Windows tests only this
// header, support.h (res/resource.h), tests/wine/ravik_test.cpp and
// tests/e2e/recovery_test.cpp (the batch commands) include the program's
// headers, so that a move of its folders is mended there. Each test gets real
// windows of this process, a recorder behind TaskbarListObject, the default
// settings, an empty model, and a fresh folder as current and program folder.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <shobjidl.h>

#include "app/app.h"
#include "config/settings_dialog.h"
#include "config/state.h"
#include "core/classify.h"
#include "core/model.h"
#include "core/pure/text.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/store_apps.h"
#include "engine/dispatch.h"
#include "engine/passes.h"
#include "engine/scan.h"
#include "hook/ravik.h"
#include "taskbar/buttons.h"
#include "taskbar/group_menu.h"
#include "taskbar/proxy.h"
#include "taskbar/state.h"
#include "taskbar/visibility.h"
#include "tests/support/support.h"

// The test build's allocation switch (tests/seams/system_alloc.cpp). After `successes` more
// successful calls ObjAlloc refuses every request, until set again; negative: none (the default).
void ObjAllocFailAfter(int successes);
int ObjAllocRefusals(); // requests refused by the switch since it was last set
int ObjLiveBlocks();    // blocks obtained and not yet given back

namespace testing_support {

// Records the program's AddTab (true) and DeleteTab (false) calls, oldest first.
struct TaskbarRecorder : ITaskbarList {
    std::vector<std::pair<bool, HWND>> calls;
    std::function<void()> during; // runs once in the next call, as the shell is awaited
    HRESULT Record(bool add, HWND w) {
        calls.push_back({add, w});
        if (auto once = std::exchange(during, nullptr)) once();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        return *out = nullptr, E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE HrInit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE AddTab(HWND w) override { return Record(true, w); }
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND w) override { return Record(false, w); }
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return S_OK; }
};

// "" when the model is sound, else its first fault: lists linked both ways, no
// empty group, every member found through the index, groups and proxies naming
// each other, rules with their hashes, no member's button taken while its group
// has no proxy, and no block beyond those the records hold (nothing half made
// is left, nothing leaked).
std::string ModelFault(const TaskbarRecorder& taskbar);

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override; // the model sound, then every block given back
    // A top-level window of class "EngineA" or "EngineB" (both with a class icon).
    HWND Window(const char* cls = "EngineA", bool visible = true);
    // A group of this path and class as the program founds one, for a new hidden window.
    WndGroup* Group(const char* path, const char* cls);
    static void Reset(); // no proxy, group or rule; the settings of a missing file

    std::string dir; // the current and the program folder
    TaskbarRecorder taskbar;

  private:
    std::vector<HWND> windows_;
    std::string previousDir_;
};

} // namespace testing_support
