// standin_taskbar.exe: a stand-in for the Windows taskbar, for tests and the
// demo under Wine (whose own shell has no task-switch window).
//
//   standin_taskbar.exe                  runs the taskbar until asked to quit
//   standin_taskbar.exe /layout NAME     the same with the class tree of another
//                                        shell: 2000 (the default), xp or win7
//   standin_taskbar.exe /print           prints the running taskbar's state
//   standin_taskbar.exe /wait [ms]       waits until a taskbar is running
//   standin_taskbar.exe /clearlog        empties the log of taskbar-list calls
//   standin_taskbar.exe /taskbarcreated  broadcasts "TaskbarCreated"
//   standin_taskbar.exe /hang MS         makes the running taskbar stop answering
//                                        for MS milliseconds (0: until killed)
//   standin_taskbar.exe /quit            ends the running taskbar and waits for
//                                        it; one that does not answer is killed
#include <windows.h>
#include <commctrl.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "tools/common/ipc.h"
#include "tools/standin_taskbar/protocol.h"
#include "tools/standin_taskbar/standin.h"

StandinWindows Standin;

bool RegisterStandinClass(const char* name, WNDPROC proc, UINT style, HBRUSH background) {
    std::wstring wideName(name, name + strlen(name)); // the class names are ASCII
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = Standin.instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = wideName.c_str();
    return RegisterClassExW(&wc) != 0;
}

namespace {

HWND FindControlHere(void*) {
    return FindWindowExA(HWND_MESSAGE, nullptr, standin::ControlClass, nullptr);
}

HWND FindControl() {
    return FindControlHere(nullptr);
}

// The command-line modes also find a taskbar that runs on another desktop.
HWND FindControlAnywhere() {
    return tool_ipc::FindOnAnyDesktop(FindControlHere, nullptr);
}

// The hook library that reports window changes; without it the poll alone
// keeps the buttons right, only more slowly.
HHOOK InstallWatchHook() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    dir = dir.substr(0, dir.find_last_of('\\') + 1);
    HMODULE library = LoadLibraryA((dir + standin::HookLibraryName).c_str());
    auto proc = library ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(
                              GetProcAddress(library, standin::HookProcName)))
                        : nullptr;
    HHOOK hook = proc ? SetWindowsHookExA(WH_CALLWNDPROCRET, proc, library, 0) : nullptr;
    if (!hook)
        fprintf(stderr, "standin_taskbar: cannot install the window hook of %s: %s\n",
                standin::HookLibraryName, tool_ipc::LastErrorText().c_str());
    return hook;
}

void CreateFonts() {
    // 9 points, the Windows 2000 Japanese taskbar font.
    Standin.font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ Ｐゴシック");
    Standin.boldFont = CreateFontW(-12, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ Ｐゴシック");
}

int RunTaskbar(TaskbarLayout layout) {
    if (FindControl()) {
        fprintf(stderr, "standin_taskbar: a stand-in taskbar is already running\n");
        return 1;
    }
    Standin.instance = GetModuleHandleA(nullptr);
    Standin.layout = layout;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&icc);
    CreateFonts();
    if (!RegisterControlClass() || !RegisterTrayClass() || !RegisterTaskSwitchClass() ||
        !RegisterNotifyAreaClass()) {
        fprintf(stderr, "standin_taskbar: cannot register the window classes: %s\n",
                tool_ipc::LastErrorText().c_str());
        return 1;
    }
    Standin.control = CreateControlWindow();
    if (!Standin.control || !CreateTrayWindow()) {
        fprintf(stderr, "standin_taskbar: cannot create the taskbar: %s\n",
                tool_ipc::LastErrorText().c_str());
        return 1;
    }
    HHOOK hook = InstallWatchHook();
    ScanWindowsAtStart();
    // As a freshly started shell does: programs put their notification icons back.
    SendNotifyMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);

    // Requests are answered only from here on, so an answered request means "ready".
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (hook) UnhookWindowsHookEx(hook);
    DestroyWindow(Standin.tray);
    DestroyWindow(Standin.control);
    return 0;
}

int Client(const char* request) {
    std::string reply;
    if (!tool_ipc::Request(FindControlAnywhere(), request, &reply)) {
        fprintf(stderr, "standin_taskbar: no stand-in taskbar answers\n");
        return 1;
    }
    fwrite(reply.data(), 1, reply.size(), stdout);
    if (!reply.empty() && reply.back() != '\n') fputc('\n', stdout);
    return reply.compare(0, 6, "error:") == 0 ? 1 : 0;
}

int WaitForTaskbar(DWORD timeoutMs) {
    DWORD start = GetTickCount();
    std::string reply;
    while (!tool_ipc::Request(FindControlAnywhere(), "state", &reply, 1000)) {
        if (GetTickCount() - start > timeoutMs) {
            fprintf(stderr, "standin_taskbar: no stand-in taskbar after %lu ms\n",
                    (unsigned long)timeoutMs);
            return 1;
        }
        Sleep(20);
    }
    return 0;
}

// A taskbar that was told to hang (or hangs for any reason) cannot be asked
// to quit: its process is ended instead.
bool Kill(HWND control) {
    DWORD pid = 0;
    GetWindowThreadProcessId(control, &pid);
    HANDLE process = pid ? OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid) : nullptr;
    if (!process) return false;
    bool ended =
        TerminateProcess(process, 1) && WaitForSingleObject(process, 5000) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

int Quit() {
    HWND control = FindControlAnywhere();
    if (!control) return 0;
    std::string reply;
    if (!tool_ipc::Request(control, "quit", &reply, 2000)) {
        if (Kill(control)) return 0;
        fprintf(stderr, "standin_taskbar: the stand-in taskbar neither answers nor ends\n");
        return 1;
    }
    printf("%s\n", reply.c_str());
    DWORD start = GetTickCount();
    while (IsWindow(control)) {
        if (GetTickCount() - start > 5000) {
            fprintf(stderr, "standin_taskbar: the stand-in taskbar did not end\n");
            return 1;
        }
        Sleep(20);
    }
    return 0;
}

bool ParseLayout(const char* name, TaskbarLayout* layout) {
    const struct {
        const char* name;
        TaskbarLayout layout;
    } layouts[] = {
        {"2000", TaskbarLayout::Win2000}, {"xp", TaskbarLayout::Xp}, {"win7", TaskbarLayout::Win7}};
    for (const auto& l : layouts) {
        if (_stricmp(name, l.name) == 0) {
            *layout = l.layout;
            return true;
        }
    }
    return false;
}

int Usage() {
    fprintf(stderr, "usage: standin_taskbar.exe [/layout 2000|xp|win7 | /print | /wait [ms] | "
                    "/clearlog | /taskbarcreated | /hang MS | /quit]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    // Lines end in "\n" for the shell scripts that read them.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2) return RunTaskbar(TaskbarLayout::Win2000);
    const char* command = argv[1];
    if (!strcmp(command, "/layout")) {
        TaskbarLayout layout;
        return argc == 3 && ParseLayout(argv[2], &layout) ? RunTaskbar(layout) : Usage();
    }
    if (!strcmp(command, "/hang"))
        return argc == 3 ? Client((std::string("hang ") + argv[2]).c_str()) : Usage();
    if (!strcmp(command, "/print")) return Client("state");
    if (!strcmp(command, "/clearlog")) return Client("clearlog");
    if (!strcmp(command, "/taskbarcreated")) return Client("taskbarcreated");
    if (!strcmp(command, "/quit")) return Quit();
    if (!strcmp(command, "/wait")) return WaitForTaskbar(argc > 2 ? atoi(argv[2]) : 10000);
    return Usage();
}
