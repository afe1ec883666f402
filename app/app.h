// The application shell: start-up, the wait loop and shutdown; the program's
// own windows (the hidden main window with its notification-area icon, the
// proxy windows' procedure) and the about box.
#pragma once

#include <windows.h>

// The message the notification-area icon reports its mouse messages with.
constexpr UINT TrayCallbackMessage = WM_APP + 100;

// Runs the whole program; returns its exit code (0, or -1 after a start-up failure).
int RunPelmora(HINSTANCE instance);

// Registers the classes "tabtab" (proxies) and "pelmora" (the main window)
// for the program's instance, as start-up does.
void RegisterWindowClasses();

// Waits on the hook library's ring event and this thread's message queue until
// WM_QUIT arrives; returns its wParam.
int RunEventLoop(HANDLE ringEvent);

// The window procedures (main_window.cpp, proxy_window.cpp).
LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK TabWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Notification-area icon (tray_icon.cpp).
void AddTrayIcon(HWND hwnd, HICON icon);
BOOL RemoveTrayIcon();
void TrayCallback(HWND hwnd, WPARAM wParam, LPARAM lParam);

// About box (about_box.cpp).
void OpenAboutBox();
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// For the message loop: 1 when msg was keyboard input of the open about box
// (Enter and Esc end it), handled there.
int PreTranslateAboutBox(MSG* msg);
