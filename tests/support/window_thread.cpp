#include "tests/support/window_thread.h"

namespace testing_support {

namespace {

constexpr UINT CreateRequest = WM_APP + 1;
constexpr UINT HangRequest = WM_APP + 3;
constexpr UINT PopupSystemMenuMessage = 0x313;

const char* const WindowClass = "pelmora_test_window";
const char* const ControllerClass = "pelmora_test_window_thread";
const char* const IconProp = "pelmora_icon";
const char* const RefuseCloseProp = "pelmora_refuse_close";
const char* const MenuCountProp = "pelmora_sysmenu_count";
const char* const MenuPositionProp = "pelmora_sysmenu_at";
const char* const ShowOnMoveProp = "pelmora_show_on_move";

LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETICON:
        return (LRESULT)GetPropA(hwnd, IconProp);
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE && GetPropA(hwnd, RefuseCloseProp)) return 0;
        break;
    case PopupSystemMenuMessage:
        // Recorded rather than shown: a real system menu would hold this
        // thread in a menu loop.
        SetPropA(hwnd, MenuCountProp, (HANDLE)((UINT_PTR)GetPropA(hwnd, MenuCountProp) + 1));
        SetPropA(hwnd, MenuPositionProp, (HANDLE)(UINT_PTR)(DWORD)lParam);
        return 0;
    case WM_WINDOWPOSCHANGED:
        if (HANDLE other = GetPropA(hwnd, ShowOnMoveProp)) {
            const WINDOWPOS* pos = (const WINDOWPOS*)lParam;
            if ((pos->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) {
                RemovePropA(hwnd, ShowOnMoveProp);
                ShowWindow((HWND)other, SW_SHOWNA);
            }
        }
        break;
    case WM_NCDESTROY:
        RemovePropA(hwnd, ShowOnMoveProp);
        RemovePropA(hwnd, IconProp);
        RemovePropA(hwnd, RefuseCloseProp);
        RemovePropA(hwnd, MenuCountProp);
        RemovePropA(hwnd, MenuPositionProp);
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK ControllerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case CreateRequest: {
        const TestWindowOptions& o = *(const TestWindowOptions*)lParam;
        // Shown without activation: under Wine without a window manager an
        // activation waits on the X server for a second.
        HWND w = CreateWindowExA(0, WindowClass, o.title, o.style & ~WS_VISIBLE, o.x, o.y, o.width,
                                 o.height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (w && (o.style & WS_VISIBLE)) ShowWindow(w, SW_SHOWNOACTIVATE);
        if (w) {
            if (o.icon) SetPropA(w, IconProp, o.icon);
            if (o.refuseClose) SetPropA(w, RefuseCloseProp, (HANDLE)1);
            if (o.showOnMove) SetPropA(w, ShowOnMoveProp, o.showOnMove);
        }
        return (LRESULT)w;
    }
    }
    (void)wParam;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void RegisterClasses() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TestWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = WindowClass;
    RegisterClassA(&wc); // fails harmlessly when a second thread registers it again
    WNDCLASSA cc = {};
    cc.lpfnWndProc = ControllerProc;
    cc.hInstance = GetModuleHandleA(nullptr);
    cc.lpszClassName = ControllerClass;
    RegisterClassA(&cc);
}

} // namespace

void WindowThread::Run(WindowThread* self) {
    RegisterClasses();
    self->controller_ = CreateWindowExA(0, ControllerClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                        nullptr, GetModuleHandleA(nullptr), nullptr);
    SetEvent(self->ready_);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == HangRequest) {
            SetEvent(self->hungEvent_);
            WaitForSingleObject(self->hangRelease_, INFINITE);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    // The thread's windows go with it: that is much quicker under Wine than
    // destroying (and so unmapping) them one by one.
}

WindowThread::WindowThread() {
    ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    hangRelease_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    hungEvent_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    thread_ = std::thread(Run, this);
    WaitForSingleObject(ready_, INFINITE);
}

WindowThread::~WindowThread() {
    if (hung_) Release();
    PostMessageA(controller_, WM_QUIT, 0, 0);
    thread_.join();
    CloseHandle(ready_);
    CloseHandle(hangRelease_);
    CloseHandle(hungEvent_);
}

HWND WindowThread::Create(const TestWindowOptions& options) {
    return (HWND)SendMessageA(controller_, CreateRequest, 0, (LPARAM)&options);
}

int WindowThread::SystemMenuRequests(HWND hwnd) {
    return (int)(UINT_PTR)GetPropA(hwnd, MenuCountProp);
}

LPARAM WindowThread::LastSystemMenuPosition(HWND hwnd) {
    return (LPARAM)(DWORD)(UINT_PTR)GetPropA(hwnd, MenuPositionProp);
}

void WindowThread::Hang() {
    PostMessageA(controller_, HangRequest, 0, 0);
    WaitForSingleObject(hungEvent_, INFINITE);
    hung_ = true;
}

void WindowThread::Release() {
    SetEvent(hangRelease_);
    hung_ = false;
}

} // namespace testing_support
