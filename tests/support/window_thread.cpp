#include "tests/support/window_thread.h"

namespace testing_support {

namespace {

constexpr UINT CreateRequest = WM_APP + 1;

const char* const WindowClass = "pelmora_test_window";
const char* const ControllerClass = "pelmora_test_window_thread";
const char* const IconProp = "pelmora_icon";
const char* const ShowOnMoveProp = "pelmora_show_on_move";

LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETICON:
        return (LRESULT)GetPropA(hwnd, IconProp);
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
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK ControllerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == CreateRequest) {
        const TestWindowOptions& o = *(const TestWindowOptions*)lParam;
        // Shown without activation: under Wine without a window manager an
        // activation waits on the X server.
        HWND w = CreateWindowExA(0, WindowClass, o.title, o.style & ~WS_VISIBLE, o.x, o.y, o.width,
                                 o.height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (w && (o.style & WS_VISIBLE)) ShowWindow(w, SW_SHOWNOACTIVATE);
        if (w && o.icon) SetPropA(w, IconProp, o.icon);
        if (w && o.showOnMove) SetPropA(w, ShowOnMoveProp, o.showOnMove);
        return (LRESULT)w;
    }
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
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    // The thread's windows go with it: that is much quicker under Wine than
    // destroying (and so unmapping) them one by one.
}

WindowThread::WindowThread() {
    ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread(Run, this);
    WaitForSingleObject(ready_, INFINITE);
}

WindowThread::~WindowThread() {
    PostMessageA(controller_, WM_QUIT, 0, 0);
    thread_.join();
    CloseHandle(ready_);
}

HWND WindowThread::Create(const TestWindowOptions& options) {
    return (HWND)SendMessageA(controller_, CreateRequest, 0, (LPARAM)&options);
}

} // namespace testing_support
