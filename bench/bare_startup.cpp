// The floor of the start-up benchmark: a bare program that makes the same
// taskbar-list calls as pelmora's start-up, and nothing else. Like pelmora it
// starts, makes the taskbar-list object and a hidden main window; then, for
// each application, it makes a hidden window titled like a proxy ("50 alpha"),
// adds its button and deletes the buttons of the application's visible windows.
// Closing its main window gives every button back.
//     bench_bare_startup.exe PID:NAME ...   (one argument per application)
#include <windows.h>
#include <shobjidl.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "bench/bare_startup.h"

namespace {

struct Application {
    DWORD pid;
    std::string name;
    std::vector<HWND> windows; // its visible top-level windows
    HWND proxy = nullptr;
};

ITaskbarList* Tasks = nullptr; // the taskbar-list object
std::vector<Application> Applications;

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    for (Application& app : Applications)
        if (app.pid == pid && IsWindowVisible(hwnd)) app.windows.push_back(hwnd);
    return TRUE;
}

void TakeButtons(HINSTANCE instance) {
    EnumWindows(CollectWindow, 0);
    for (Application& app : Applications) {
        char title[128];
        snprintf(title, sizeof title, "%d %s", static_cast<int>(app.windows.size()),
                 app.name.c_str());
        app.proxy =
            CreateWindowExA(0, bare_startup::WindowClass, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                            0, CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
        if (!app.proxy) continue;
        Tasks->AddTab(app.proxy);
        for (HWND w : app.windows)
            Tasks->DeleteTab(w);
    }
}

void GiveButtonsBack() {
    for (Application& app : Applications) {
        if (!app.proxy) continue;
        for (HWND w : app.windows)
            if (IsWindowVisible(w)) Tasks->AddTab(w);
        Tasks->DeleteTab(app.proxy);
        DestroyWindow(app.proxy);
    }
}

LRESULT CALLBACK BareWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        GiveButtonsBack();
        DestroyWindow(hwnd);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    for (int i = 1; i < __argc; ++i) {
        const char* colon = strchr(__argv[i], ':');
        if (colon) Applications.push_back({strtoul(__argv[i], nullptr, 10), colon + 1, {}});
    }
    CoInitialize(nullptr);
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList,
                                reinterpret_cast<void**>(&Tasks))) ||
        FAILED(Tasks->HrInit()))
        return 1;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = BareWndProc;
    wc.hInstance = instance;
    wc.lpszClassName = bare_startup::WindowClass;
    RegisterClassA(&wc);
    HWND main =
        CreateWindowExA(0, bare_startup::WindowClass, "", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                        CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
    if (!main) return 1;
    TakeButtons(instance);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    Tasks->Release();
    CoUninitialize();
    return 0;
}
