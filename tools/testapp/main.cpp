// testapp.exe: see testapp.h for its command line and commands.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "tools/common/ipc.h"
#include "tools/testapp/testapp.h"

namespace {

using namespace testapp;

LRESULT CALLBACK DispatchProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case RunCommandMessage: {
        auto* command = reinterpret_cast<UiCommand*>(lParam);
        command->reply = RunCommand(command->text);
        ReleaseCommand(command);
        return 1;
    }
    case HangMessage:
        HangUiThread(static_cast<DWORD>(wParam));
        return 0;
    case QuitMessage:
        DestroyAllWindows();
        PostQuitMessage(0);
        return 1;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

// The rest of the command line after the first `skip` words, quotes kept.
std::string CommandLineTail(int skip) {
    const char* p = GetCommandLineA();
    for (int i = 0; i < skip && *p; ++i) {
        while (*p == ' ' || *p == '\t')
            ++p;
        bool quoted = false;
        while (*p && (quoted || (*p != ' ' && *p != '\t'))) {
            if (*p == '"') quoted = !quoted;
            ++p;
        }
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

HWND FindApp(const std::string& who) {
    HWND hwnd = nullptr;
    while ((hwnd = FindWindowExA(HWND_MESSAGE, hwnd, ControlClass, nullptr))) {
        char title[256];
        GetWindowTextA(hwnd, title, sizeof title);
        // "testapp PID LABEL"
        std::string t = title, pid, label;
        size_t a = t.find(' '), b = t.find(' ', a + 1);
        if (a == std::string::npos) continue;
        pid = t.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
        label = b == std::string::npos ? "" : t.substr(b + 1);
        if (who == pid || (!label.empty() && who == label)) return hwnd;
    }
    return nullptr;
}

int SendTo(const std::string& who, const std::string& command) {
    std::string reply;
    if (!tool_ipc::Request(FindApp(who), command, &reply)) {
        fprintf(stderr, "testapp: no testapp %s answers\n", who.c_str());
        return 1;
    }
    fwrite(reply.data(), 1, reply.size(), stdout);
    if (reply.empty() || reply.back() != '\n') fputc('\n', stdout);
    return reply.compare(0, 6, "error:") == 0 ? 1 : 0;
}

int Run(const std::string& label, const std::string& first) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DispatchProc;
    wc.hInstance = instance;
    wc.lpszClassName = "PelmoraTestAppDispatch";
    RegisterClassA(&wc);
    HWND dispatch = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    instance, nullptr);
    if (!dispatch || !InitWindows(instance)) {
        fprintf(stderr, "testapp: cannot start: %s\n", tool_ipc::LastErrorText().c_str());
        return 1;
    }
    if (!first.empty()) {
        std::string reply = RunCommand(first);
        if (reply.compare(0, 6, "error:") == 0) fprintf(stderr, "testapp: %s\n", reply.c_str());
    }
    // The control window appears only now: a client that finds it finds the first windows too.
    if (!StartControl(dispatch, label)) return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    WaitForQuitReply();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // Lines end in "\n" for the shell scripts that read them.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc >= 3 && !strcmp(argv[1], "/to")) return SendTo(argv[2], CommandLineTail(3));
    if (argc >= 3 && !strcmp(argv[1], "/label")) return Run(argv[2], CommandLineTail(3));
    return Run("", CommandLineTail(1));
}
