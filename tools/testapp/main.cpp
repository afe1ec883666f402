// testapp.exe: see testapp.h for its command line and commands.
#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

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

// The program's arguments in the ANSI code page, split by the system's rules
// on the Unicode command line (a Shift-JIS second byte 0x5C is no escape there).
std::vector<std::string> Arguments() {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return args;
    for (int i = 0; i < count; ++i) {
        int n = WideCharToMultiByte(CP_ACP, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(n > 0 ? n - 1 : 0, '\0');
        if (n > 1) WideCharToMultiByte(CP_ACP, 0, wide[i], -1, &arg[0], n, nullptr, nullptr);
        args.push_back(arg);
    }
    LocalFree(wide);
    return args;
}

// One command from the arguments from `first` on: an argument with a blank is
// put in quotes ("title=two words" and title "two words" both work).
std::string CommandFrom(const std::vector<std::string>& args, size_t first) {
    std::string command;
    for (size_t i = first; i < args.size(); ++i) {
        if (!command.empty()) command += ' ';
        bool blank = args[i].find_first_of(" \t") != std::string::npos;
        command += blank ? "\"" + args[i] + "\"" : args[i];
    }
    return command;
}

// The control window of the testapp with this process id or label, on this desktop.
HWND FindAppHere(void* context) {
    const std::string& who = *static_cast<const std::string*>(context);
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

int SendTo(std::string who, const std::string& command) {
    std::string reply;
    HWND app = tool_ipc::FindOnAnyDesktop(FindAppHere, &who);
    if (!tool_ipc::Request(app, command, &reply)) {
        fprintf(stderr, "testapp: no testapp %s answers\n", who.c_str());
        return 1;
    }
    fwrite(reply.data(), 1, reply.size(), stdout);
    if (reply.empty() || reply.back() != '\n') fputc('\n', stdout);
    return reply.compare(0, 6, "error:") == 0 ? 1 : 0;
}

// The next message of the UI thread; false for WM_QUIT. While a window spins,
// it gets a new title whenever no message waits.
bool NextMessage(MSG* msg) {
    while (AnyWindowSpins()) {
        if (PeekMessageA(msg, nullptr, 0, 0, PM_REMOVE)) return msg->message != WM_QUIT;
        SpinTitles();
    }
    return GetMessageA(msg, nullptr, 0, 0) > 0;
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
    while (NextMessage(&msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    WaitForQuitReply();
    return 0;
}

} // namespace

int main() {
    // Lines end in "\n" for the shell scripts that read them.
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<std::string> args = Arguments();
    if (args.size() >= 2 && args[1] == "/winevents") {
        testapp::RaiseSystemEvents();
        args.erase(args.begin() + 1);
    }
    if (args.size() >= 3 && args[1] == "/to") return SendTo(args[2], CommandFrom(args, 3));
    if (args.size() >= 3 && args[1] == "/label") return Run(args[2], CommandFrom(args, 3));
    return Run("", CommandFrom(args, 1));
}
