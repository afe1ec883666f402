// The test application's control thread. Its message-only window receives the
// commands (tools/common/ipc.h) and hands them to the UI thread, so that it
// still answers while the UI thread is hung on purpose ("hang"): "unhang",
// "pid" and "quit" are handled here, the rest is refused while hung.
#include "tools/testapp/testapp.h"

#include "tools/common/ipc.h"

namespace testapp {
namespace {

constexpr DWORD UiTimeoutMs = 5000;

HWND Dispatch = nullptr;
std::string Label;
HANDLE UnhangEvent = nullptr;
HANDLE QuitReplied = nullptr;
volatile LONG Hung = 0;

bool WaitFor(bool wantHung) {
    DWORD start = GetTickCount();
    while ((InterlockedCompareExchange(&Hung, 0, 0) != 0) != wantHung) {
        if (GetTickCount() - start > UiTimeoutMs) return false;
        Sleep(1);
    }
    return true;
}

std::string OnUiThread(const std::string& text) {
    if (IsUiHung()) return "error: the windows are hung (send unhang)";
    auto* command = new UiCommand;
    command->text = text;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(Dispatch, RunCommandMessage, 0, reinterpret_cast<LPARAM>(command),
                             SMTO_NORMAL, UiTimeoutMs, &result)) {
        ReleaseCommand(command);
        return "error: the UI thread did not answer";
    }
    std::string reply = command->reply;
    ReleaseCommand(command);
    return reply;
}

std::string Handle(const std::string& text, bool* quit) {
    if (text == "pid") return std::to_string(GetCurrentProcessId());
    if (text == "unhang") {
        SetEvent(UnhangEvent);
        return WaitFor(false) ? "ok" : "error: still hung";
    }
    if (text == "hang" || text.compare(0, 5, "hang ") == 0) {
        if (IsUiHung()) return "ok";
        DWORD ms = text.size() > 5 ? strtoul(text.c_str() + 5, nullptr, 10) : 0;
        ResetEvent(UnhangEvent);
        PostMessageA(Dispatch, HangMessage, ms, 0);
        return WaitFor(true) ? "ok" : "error: did not hang";
    }
    if (text == "quit") {
        *quit = true;
        if (!IsUiHung()) {
            DWORD_PTR result = 0;
            SendMessageTimeoutA(Dispatch, QuitMessage, 0, 0, SMTO_NORMAL, UiTimeoutMs, &result);
        }
        return "ok";
    }
    return OnUiThread(text);
}

LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COPYDATA) return DefWindowProcA(hwnd, message, wParam, lParam);
    std::string request;
    HWND replyTo = nullptr;
    if (!tool_ipc::ReadRequest(wParam, lParam, &request, &replyTo)) return FALSE;
    bool quit = false;
    tool_ipc::SendReply(replyTo, Handle(request, &quit));
    if (quit) {
        SetEvent(QuitReplied);
        // A hung UI thread cannot end the process by itself.
        if (IsUiHung()) ExitProcess(0);
    }
    return TRUE;
}

DWORD WINAPI ControlThread(LPVOID ready) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ControlProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = ControlClass;
    RegisterClassA(&wc);
    std::string title = "testapp " + std::to_string(GetCurrentProcessId()) + " " + Label;
    HWND hwnd = CreateWindowExA(0, ControlClass, title.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE,
                                nullptr, wc.hInstance, nullptr);
    SetEvent(static_cast<HANDLE>(ready));
    if (!hwnd) return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}

} // namespace

void ReleaseCommand(UiCommand* command) {
    if (InterlockedDecrement(&command->owners) == 0) delete command;
}

bool IsUiHung() {
    return InterlockedCompareExchange(&Hung, 0, 0) != 0;
}

void HangUiThread(DWORD ms) {
    InterlockedExchange(&Hung, 1);
    WaitForSingleObject(UnhangEvent, ms ? ms : INFINITE);
    InterlockedExchange(&Hung, 0);
}

bool StartControl(HWND dispatch, const std::string& label) {
    Dispatch = dispatch;
    Label = label;
    UnhangEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    QuitReplied = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, ControlThread, ready, 0, nullptr);
    if (!thread) return false;
    WaitForSingleObject(ready, 5000);
    CloseHandle(ready);
    CloseHandle(thread);
    return true;
}

void WaitForQuitReply() {
    WaitForSingleObject(QuitReplied, 2000);
}

} // namespace testapp
