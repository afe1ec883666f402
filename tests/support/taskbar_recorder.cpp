#include "tests/support/taskbar_recorder.h"

#include "core/globals.h"

namespace testing_support {

std::vector<TaskbarCall> TaskbarRecorder::CallsFor(HWND hwnd) const {
    std::vector<TaskbarCall> out;
    for (const TaskbarCall& c : calls)
        if (c.hwnd == hwnd) out.push_back(c);
    return out;
}

bool TaskbarRecorder::ButtonDeleted(HWND hwnd) const {
    std::vector<TaskbarCall> own = CallsFor(hwnd);
    return !own.empty() && own.back().kind == TaskbarCall::Delete;
}

bool TaskbarRecorder::ButtonAdded(HWND hwnd) const {
    std::vector<TaskbarCall> own = CallsFor(hwnd);
    return !own.empty() && own.back().kind == TaskbarCall::Add;
}

HRESULT STDMETHODCALLTYPE TaskbarRecorder::QueryInterface(REFIID riid, void** out) {
    if (riid == IID_IUnknown || riid == IID_ITaskbarList) {
        *out = static_cast<ITaskbarList*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE TaskbarRecorder::AddTab(HWND hwnd) {
    calls.push_back(AddCall(hwnd));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TaskbarRecorder::DeleteTab(HWND hwnd) {
    calls.push_back(DeleteCall(hwnd));
    return S_OK;
}

ScopedTaskbarRecorder::ScopedTaskbarRecorder() : previous_(TaskbarListObject) {
    TaskbarListObject = &recorder_;
}

ScopedTaskbarRecorder::~ScopedTaskbarRecorder() {
    TaskbarListObject = previous_;
}

} // namespace testing_support
