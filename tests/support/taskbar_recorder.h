// An in-process ITaskbarList that records every AddTab and DeleteTab, put
// behind TaskbarListObject for the life of a ScopedTaskbarRecorder.
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <vector>

#include "app/state.h"
#include "config/state.h"
#include "core/state.h"
#include "taskbar/state.h"

namespace testing_support {

struct TaskbarCall {
    enum Kind { Add, Delete } kind;
    HWND hwnd;
    bool operator==(const TaskbarCall& o) const { return kind == o.kind && hwnd == o.hwnd; }
};
inline TaskbarCall AddCall(HWND w) {
    return {TaskbarCall::Add, w};
}
inline TaskbarCall DeleteCall(HWND w) {
    return {TaskbarCall::Delete, w};
}

class TaskbarRecorder : public ITaskbarList {
  public:
    std::vector<TaskbarCall> calls;

    void Clear() { calls.clear(); }
    // Whether the last call naming the window was of this kind (a window never
    // named keeps the button the system gave it).
    bool Last(HWND hwnd, TaskbarCall::Kind kind) const {
        for (auto c = calls.rbegin(); c != calls.rend(); ++c)
            if (c->hwnd == hwnd) return c->kind == kind;
        return false;
    }
    bool ButtonDeleted(HWND hwnd) const { return Last(hwnd, TaskbarCall::Delete); }
    bool ButtonAdded(HWND hwnd) const { return Last(hwnd, TaskbarCall::Add); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        *out = riid == IID_IUnknown || riid == IID_ITaskbarList ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE HrInit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE AddTab(HWND hwnd) override { return Record(AddCall(hwnd)); }
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND hwnd) override { return Record(DeleteCall(hwnd)); }
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return S_OK; }

  private:
    HRESULT Record(TaskbarCall c) {
        calls.push_back(c);
        return S_OK;
    }
};

class ScopedTaskbarRecorder {
  public:
    ScopedTaskbarRecorder() : previous_(TaskbarListObject) { TaskbarListObject = &recorder_; }
    ~ScopedTaskbarRecorder() { TaskbarListObject = previous_; }
    ScopedTaskbarRecorder(const ScopedTaskbarRecorder&) = delete;
    ScopedTaskbarRecorder& operator=(const ScopedTaskbarRecorder&) = delete;
    TaskbarRecorder* operator->() { return &recorder_; }

  private:
    TaskbarRecorder recorder_;
    ITaskbarList* previous_;
};

} // namespace testing_support
