// Request and reply between the test tools and their clients (tests, the demo
// script, the tools' own command-line modes): a request is a line of text sent
// with WM_COPYDATA to a tool's control window, the reply is text sent back with
// WM_COPYDATA to a reply window of the caller while the caller still waits.
#pragma once

#include <windows.h>

#include <string>

namespace tool_ipc {

// dwData of every request and reply, so that other WM_COPYDATA traffic
// (Shell_NotifyIcon's, for instance) is never taken for one.
constexpr ULONG_PTR CopyDataTag = 0x504C4D52; // "PLMR"

// Sends request to the control window target and waits at most timeoutMs for
// its reply. Returns 1 with *reply set, 0 when the window is gone, hung or
// did not answer.
int Request(HWND target, const std::string& request, std::string* reply, DWORD timeoutMs = 5000);

// In a control window's WM_COPYDATA handler: 1 and the request text and the
// caller's reply window when the message is a request, else 0.
int ReadRequest(WPARAM wParam, LPARAM lParam, std::string* request, HWND* replyTo);

// Sends the reply text to the caller's reply window (the caller is waiting
// inside Request, so this returns at once).
int SendReply(HWND replyTo, const std::string& reply);

// Runs find on this thread's desktop and, while it returns null, on the other
// desktops of the window station (a program started with "explorer /desktop="
// runs on a desktop of its own). The thread stays on the desktop where the
// window was found; it must have no windows yet. Returns what find returned.
HWND FindOnAnyDesktop(HWND (*find)(void* context), void* context);

// Text in the ANSI code page <-> UTF-8.
std::string AnsiToUtf8(const std::string& ansi);
std::string Utf8ToAnsi(const std::string& utf8);
std::string WideToUtf8(const std::wstring& wide);

// "0x1a2b" for a window handle, and back (0 when the text is not a number).
std::string HandleText(const void* handle);
HWND ParseHandle(const std::string& text);

// The system's message text for GetLastError(), on one line.
std::string LastErrorText();

} // namespace tool_ipc
