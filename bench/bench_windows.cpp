// A stand-in application for the engine benchmark: opens N visible top-level
// windows with an icon, signals a named event when they are all there, and
// counts the icon requests they receive: the only messages the engine sends
// to other processes' windows. (Under Wine, InSendMessage does not report
// every message sent by another process, so the requests are counted as such.)
//     bench_windows.exe COUNT READY_EVENT_NAME
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

namespace {

constexpr UINT QueryReceived = WM_APP + 1; // returns the icon requests received so far
constexpr UINT Quit = WM_APP + 2;          // ends the process

LONG received = 0;

LRESULT CALLBACK BenchWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case QueryReceived:
        return received;
    case Quit:
        PostQuitMessage(0);
        return 0;
    default:
        if (message == WM_GETICON) ++received;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    int count = atoi(argv[1]);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = BenchWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(nullptr, (LPCSTR)IDI_APPLICATION);
    wc.hIconSm = wc.hIcon;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = "PelmoraBenchWnd";
    if (!RegisterClassExA(&wc)) return 3;
    for (int i = 0; i < count; ++i) {
        char title[64];
        snprintf(title, sizeof title, "bench %lu %d", (unsigned long)GetCurrentProcessId(), i);
        HWND w = CreateWindowExA(0, "PelmoraBenchWnd", title, WS_OVERLAPPEDWINDOW, (i % 20) * 10,
                                 (i % 20) * 10, 200, 100, nullptr, nullptr, instance, nullptr);
        if (!w) return 4;
        // Set on the window as most applications do: Wine does not give
        // other processes the class icons.
        SendMessageA(w, WM_SETICON, ICON_SMALL, (LPARAM)wc.hIcon);
        SendMessageA(w, WM_SETICON, ICON_BIG, (LPARAM)wc.hIcon);
        ShowWindow(w, SW_SHOWNOACTIVATE);
    }
    if (HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2])) {
        SetEvent(ready);
        CloseHandle(ready);
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
