#include "tools/common/ipc.h"

#include <stdio.h>
#include <stdlib.h>

#include <vector>

namespace tool_ipc {
namespace {

constexpr char ReplyClass[] = "PelmoraToolReply";

LRESULT CALLBACK ReplyWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        auto* out = reinterpret_cast<std::string*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (cds->dwData != CopyDataTag || !out) return FALSE;
        out->assign(static_cast<const char*>(cds->lpData), cds->cbData);
        SetPropA(hwnd, "replied", (HANDLE)1);
        return TRUE;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND CreateReplyWindow() {
    static ATOM atom = 0;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!atom) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ReplyWndProc;
        wc.hInstance = instance;
        wc.lpszClassName = ReplyClass;
        atom = RegisterClassA(&wc);
        if (!atom && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    }
    return CreateWindowExA(0, ReplyClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                           nullptr);
}

// Each thread keeps one reply window: a window made and destroyed per request
// would fill pelmora's event ring with its creation and destruction when a
// test or benchmark polls a tool quickly.
thread_local HWND ThreadReplyWindow = nullptr;

} // namespace

int Request(HWND target, const std::string& request, std::string* reply, DWORD timeoutMs) {
    if (!target || !IsWindow(target)) return 0;
    if (!ThreadReplyWindow || !IsWindow(ThreadReplyWindow)) ThreadReplyWindow = CreateReplyWindow();
    HWND replyWnd = ThreadReplyWindow;
    if (!replyWnd) return 0;
    std::string answer;
    SetWindowLongPtrA(replyWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&answer));
    RemovePropA(replyWnd, "replied");
    COPYDATASTRUCT cds = {};
    cds.dwData = CopyDataTag;
    cds.cbData = static_cast<DWORD>(request.size());
    cds.lpData = const_cast<char*>(request.data());
    DWORD_PTR handled = 0;
    // No SMTO_BLOCK: the reply arrives as a message sent to this thread while it waits.
    LRESULT sent =
        SendMessageTimeoutA(target, WM_COPYDATA, reinterpret_cast<WPARAM>(replyWnd),
                            reinterpret_cast<LPARAM>(&cds), SMTO_ABORTIFHUNG, timeoutMs, &handled);
    int ok = sent && handled && GetPropA(replyWnd, "replied");
    RemovePropA(replyWnd, "replied");
    SetWindowLongPtrA(replyWnd, GWLP_USERDATA, 0);
    if (!ok) {
        // A late reply to this request must not pass for the next one's.
        DestroyWindow(replyWnd);
        ThreadReplyWindow = nullptr;
    }
    if (ok && reply) *reply = answer;
    return ok;
}

int ReadRequest(WPARAM wParam, LPARAM lParam, std::string* request, HWND* replyTo) {
    auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (!cds || cds->dwData != CopyDataTag) return 0;
    request->assign(static_cast<const char*>(cds->lpData), cds->cbData);
    *replyTo = reinterpret_cast<HWND>(wParam);
    return 1;
}

int SendReply(HWND replyTo, const std::string& reply) {
    COPYDATASTRUCT cds = {};
    cds.dwData = CopyDataTag;
    cds.cbData = static_cast<DWORD>(reply.size());
    cds.lpData = const_cast<char*>(reply.data());
    DWORD_PTR handled = 0;
    return SendMessageTimeoutA(replyTo, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds),
                               SMTO_ABORTIFHUNG, 2000, &handled) != 0 &&
           handled;
}

namespace {

BOOL CALLBACK CollectDesktop(LPSTR name, LPARAM lParam) {
    reinterpret_cast<std::vector<std::string>*>(lParam)->push_back(name);
    return TRUE;
}

} // namespace

HWND FindOnAnyDesktop(HWND (*find)(void* context), void* context) {
    if (HWND found = find(context)) return found;
    std::vector<std::string> names;
    EnumDesktopsA(GetProcessWindowStation(), CollectDesktop, reinterpret_cast<LPARAM>(&names));
    HDESK home = GetThreadDesktop(GetCurrentThreadId());
    for (const std::string& name : names) {
        HDESK desktop = OpenDesktopA(name.c_str(), 0, FALSE, GENERIC_ALL);
        if (!desktop) continue;
        if (SetThreadDesktop(desktop)) {
            if (HWND found = find(context)) return found; // the handle stays open
        }
        SetThreadDesktop(home);
        CloseDesktop(desktop);
    }
    return nullptr;
}

namespace {

std::wstring ToWide(const std::string& text, UINT codePage) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), &wide[0], n);
    return wide;
}

std::string FromWide(const std::wstring& wide, UINT codePage) {
    if (wide.empty()) return std::string();
    int n = WideCharToMultiByte(codePage, 0, wide.data(), (int)wide.size(), nullptr, 0, nullptr,
                                nullptr);
    std::string text(n, '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), (int)wide.size(), &text[0], n, nullptr, nullptr);
    return text;
}

} // namespace

std::string AnsiToUtf8(const std::string& ansi) {
    return FromWide(ToWide(ansi, CP_ACP), CP_UTF8);
}
std::string Utf8ToAnsi(const std::string& utf8) {
    return FromWide(ToWide(utf8, CP_UTF8), CP_ACP);
}
std::string WideToUtf8(const std::wstring& wide) {
    return FromWide(wide, CP_UTF8);
}

std::string HandleText(const void* handle) {
    char text[32];
    snprintf(text, sizeof text, "0x%llx", (unsigned long long)(ULONG_PTR)handle);
    return text;
}

HWND ParseHandle(const std::string& text) {
    char* end = nullptr;
    unsigned long long value = strtoull(text.c_str(), &end, 0);
    if (end == text.c_str() || *end) return nullptr;
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value));
}

std::string LastErrorText() {
    DWORD code = GetLastError();
    char buffer[512];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, buffer, sizeof buffer, nullptr);
    while (n && (buffer[n - 1] == '\n' || buffer[n - 1] == '\r'))
        --n;
    std::string text(buffer, n);
    char suffix[32];
    snprintf(suffix, sizeof suffix, " (error %lu)", (unsigned long)code);
    return text + suffix;
}

} // namespace tool_ipc
