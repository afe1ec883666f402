// tasklist_server.dll: an in-process COM server for CLSID_TaskbarList. The test
// prefix registers it in place of Wine's own object, whose AddTab and
// DeleteTab change nothing. Every call is sent to the stand-in taskbar and
// waited for, so that its buttons have changed when the call returns; with no
// stand-in running every call succeeds and does nothing, as on a system
// without a taskbar. AddTab and DeleteTab mark the window as the shell does. A hung stand-in is
// waited for only briefly (see Tell).
#include <windows.h>
#include <shobjidl.h>

#include <new>

#include "tools/standin_taskbar/protocol.h"

namespace {

LONG LockCount = 0; // objects alive plus LockServer locks

constexpr char DeletedTabMark[] = "ITaskList_Deleted";

// The stand-in's task-switch window: the first "Shell_TrayWnd" that has one.
HWND FindTaskSwitch() {
    HWND tray = nullptr;
    while ((tray = FindWindowExA(nullptr, tray, standin::TrayClass, nullptr)))
        if (HWND tasks = standin::FindTaskSwitchIn(tray)) return tasks;
    return nullptr;
}

// Kept between calls: with hundreds of windows open, looking the stand-in up
// among them at every call would cost more than the call itself.
HWND KnownTaskSwitch = nullptr;

// How long a call waits for the stand-in. An answering stand-in replies within
// a few milliseconds, so a call to it still completes before it returns. A hung
// one must cost its callers little, also a program that makes many calls:
// - every call is sent with SMTO_ABORTIFHUNG, so that once Wine deems the
//   stand-in hung (5 s without reading its queue) a call gives up at once;
// - before that, a call waits at most CallBoundMs; after a call timed out,
//   later calls wait at most RetryBoundMs each, until one is answered again.
// A call that timed out may still reach the stand-in when it wakes up.
constexpr UINT CallBoundMs = 1000;
constexpr UINT RetryBoundMs = 50;
volatile LONG Unanswered = 0; // the last call to KnownTaskSwitch timed out

void Tell(WPARAM code, HWND hwnd) {
    if (!KnownTaskSwitch || !IsWindow(KnownTaskSwitch)) {
        KnownTaskSwitch = FindTaskSwitch();
        InterlockedExchange(&Unanswered, 0);
    }
    HWND tasks = KnownTaskSwitch;
    if (!tasks) return;
    static const UINT shellHook = RegisterWindowMessageA(standin::ShellHookMessageName);
    UINT bound = InterlockedCompareExchange(&Unanswered, 0, 0) ? RetryBoundMs : CallBoundMs;
    DWORD_PTR result = 0;
    bool answered = SendMessageTimeoutA(tasks, shellHook, code, reinterpret_cast<LPARAM>(hwnd),
                                        SMTO_ABORTIFHUNG, bound, &result) != 0;
    InterlockedExchange(&Unanswered, answered ? 0 : 1);
}

class TaskbarListServer : public ITaskbarList2 {
  public:
    TaskbarListServer() { InterlockedIncrement(&LockCount); }
    virtual ~TaskbarListServer() { InterlockedDecrement(&LockCount); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ITaskbarList) ||
            IsEqualIID(riid, IID_ITaskbarList2)) {
            *out = static_cast<ITaskbarList2*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE HrInit() override { return S_OK; }
    // The shell marks a window whose button was deleted through the taskbar
    // list, and takes the mark off when a button is added for it again.
    HRESULT STDMETHODCALLTYPE AddTab(HWND hwnd) override {
        RemovePropA(hwnd, DeletedTabMark);
        Tell(standin::ShellAddTab, hwnd);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND hwnd) override {
        SetPropA(hwnd, DeletedTabMark, reinterpret_cast<HANDLE>(1));
        Tell(standin::ShellDeleteTab, hwnd);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND hwnd) override {
        Tell(standin::ShellActivateTab, hwnd);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND hwnd) override {
        Tell(standin::ShellSetActiveAlt, hwnd);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND, BOOL) override { return S_OK; }

  private:
    LONG refs_ = 1;
};

class ClassFactory : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is a static object: its count never ends it.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* object = new (std::nothrow) TaskbarListServer();
        if (!object) return E_OUTOFMEMORY;
        HRESULT hr = object->QueryInterface(riid, out);
        object->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            InterlockedIncrement(&LockCount);
        else
            InterlockedDecrement(&LockCount);
        return S_OK;
    }
};

ClassFactory Factory;

} // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_TaskbarList)) return CLASS_E_CLASSNOTAVAILABLE;
    return Factory.QueryInterface(riid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return LockCount == 0 ? S_OK : S_FALSE;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
