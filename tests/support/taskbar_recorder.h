// An in-process ITaskbarList that records every AddTab and DeleteTab, for
// tests that check the exact button calls of the program's code.
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <vector>

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
    // Calls that concern one window, in order.
    std::vector<TaskbarCall> CallsFor(HWND hwnd) const;
    // Whether the last call for the window deleted its button (a window never
    // named keeps the button the system gave it).
    bool ButtonDeleted(HWND hwnd) const;
    // Whether the last call for the window added its button.
    bool ButtonAdded(HWND hwnd) const;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE HrInit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE AddTab(HWND hwnd) override;
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND hwnd) override;
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return S_OK; }
};

// Puts a recorder behind TaskbarListObject for the life of the guard and
// restores the previous object afterwards.
class ScopedTaskbarRecorder {
  public:
    ScopedTaskbarRecorder();
    ~ScopedTaskbarRecorder();
    ScopedTaskbarRecorder(const ScopedTaskbarRecorder&) = delete;
    ScopedTaskbarRecorder& operator=(const ScopedTaskbarRecorder&) = delete;
    TaskbarRecorder* operator->() { return &recorder_; }
    TaskbarRecorder& operator*() { return recorder_; }

  private:
    TaskbarRecorder recorder_;
    ITaskbarList* previous_;
};

} // namespace testing_support
