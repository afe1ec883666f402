// Start-up, shutdown and restart of the program.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shobjidl.h>
#include <stdlib.h>
#include <string.h>

#include "app/app.h"
#include "app/pure/shell.h"
#include "config/settings.h"
#include "core/classify.h"
#include "core/errorlog.h"
#include "core/globals.h"
#include "core/scan.h"
#include "hook/ravik.h"
#include "res/resource.h"
#include "taskbar/proxy.h"

namespace {

constexpr char MainClassName[] = "pelmora";
constexpr char MainWindowTitle[] = "";  // also the tip of the notification-area icon
constexpr DWORD AnyComContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

constexpr char HookFailedText[] = "グローバルフックの設定に失敗しました";
constexpr char SubclassFailedText[] = "タスクバーのサブクラス化に失敗しました";
constexpr char UnhookFailedText[] = "グローバルフックの解除に失敗しました";
constexpr char TaskbarListFailedText[] = "タスクバーを操作するオブジェクトの作成に失敗しました";
constexpr char MainWindowFailedText[] = "メインウィンドウの作成に失敗しました";
constexpr char RestartFailedText[] = "pelmoraの再起動に失敗しました\n";

// Full path of the executable, kept for the restart.
char* ExecutablePath = nullptr;

int IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte); }

// The executable's full path in a buffer of its own; null when it cannot be had.
char* CopyExecutablePath() {
    DWORD size = MAX_PATH;
    for (;;) {
        char* buffer = (char*)malloc(size);
        if (!buffer) return nullptr;
        DWORD n = GetModuleFileNameA(nullptr, buffer, size);
        if (n == 0) {
            free(buffer);
            return nullptr;
        }
        if (n < size - 1 || size >= 32768) {
            char* exact = (char*)realloc(buffer, n + 1);
            return exact ? exact : buffer;
        }
        free(buffer);
        size *= 2;
    }
}

// ProgramDir: the executable's directory with its trailing backslash.
void SetProgramDir() {
    ExecutablePath = CopyExecutablePath();
    const char* path = ExecutablePath ? ExecutablePath : "";
    size_t n = strlen(path);
    ProgramDir = (char*)malloc(n + 1);
    if (!ProgramDir) {
        static char empty[1] = "";
        ProgramDir = empty;
        return;
    }
    memcpy(ProgramDir, path, n + 1);
    CutToProgramDir(ProgramDir, IsLeadByte);
}

// A failure the user must hear of: the message box (no owner, the system's
// caption, OK) comes first, then the two log entries. The error text is formatted
// from the code the failing call left, before the box can change it.
void ReportFailure(const char* text, DWORD code) {
    char errorText[ErrorTextSize];
    FormatErrorText(code, errorText);
    MessageBoxA(nullptr, text, nullptr, MB_OK);
    char entry[256];
    wsprintfA(entry, "%s\n", text);
    ErrorLog(entry);
    ErrorLog(errorText);
}

void CreateTaskbarListObject() {
    ITaskbarList* object = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_TaskbarList, nullptr, AnyComContext, IID_ITaskbarList,
                                  (void**)&object);
    if (FAILED(hr) || !object) {
        SetLastError((DWORD)hr);
        return;
    }
    // An object that cannot initialise itself cannot add or delete buttons either.
    hr = object->HrInit();
    if (FAILED(hr)) {
        object->Release();
        SetLastError((DWORD)hr);
        return;
    }
    TaskbarListObject = object;
}

void ReleaseTaskbarListObject() {
    if (!TaskbarListObject) return;
    TaskbarListObject->Release();
    TaskbarListObject = nullptr;
}

void ReleaseLocksAndCom() {
    DeleteModelLocks();
    CoUninitialize();
}

void RegisterWindowClass(const char* name, WNDPROC procedure) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = procedure;
    wc.hInstance = Instance;
    wc.hIcon = LoadIconA(Instance, MAKEINTRESOURCEA(IDI_PROGRAM));
    wc.hIconSm = ProgramIcon;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = name;
    RegisterClassExA(&wc);
}

// Every proxy's button goes, every visible member gets its own button back, and
// the library forgets the proxy. The proxies themselves end with the process.
void RestoreAllButtons() {
    for (TabWnd* tab = TabWndList; tab; tab = tab->next) {
        // Directly, not through DeleteTabIfVisible: a proxy is never visible.
        if (TaskbarListObject) TaskbarListObject->DeleteTab(tab->hwnd);
        if (tab->group) ShowMembers(tab->group->members);
        RmWnd(tab->hwnd);
    }
}

// The orderly stop after a start-up failure that came after the main window.
int StopAfterFailure() {
    RestoreAllButtons();
    // Its WM_DESTROY removes the notification-area icon; the WM_QUIT it posts is
    // never read.
    DestroyWindow(MainWnd);
    ReleaseTaskbarListObject();
    ReleaseLocksAndCom();
    return -1;
}

int Shutdown(int exitCode) {
    RestoreAllButtons();
    if (!FreeHook()) ReportFailure(UnhookFailedText, GetLastError());
    ReleaseTaskbarListObject();
    ReleaseLocksAndCom();
    if (RestartRequested == 1 && ExecutablePath) {
        HINSTANCE result =
            ShellExecuteA(nullptr, "open", ExecutablePath, nullptr, nullptr, SW_SHOWNORMAL);
        // Values up to 32 are errors; nobody is left to see a box, the log keeps it.
        if ((INT_PTR)result <= 32) ErrorLogWithLastError(RestartFailedText);
    }
    return exitCode;
}

}  // namespace

int RunPelmora(HINSTANCE instance) {
    Instance = instance;
    SetProgramDir();
    CoInitialize(nullptr);
    CreateModelLocks();
    CreateTaskbarListObject();
    DWORD taskbarListError = GetLastError();

    // One instance: a second start shows the running one's icon again and ends.
    HWND running = FindWindowA(MainClassName, nullptr);
    if (running) {
        AddTrayIcon(running, GetWndIcon(running));
        return 0;
    }

    // Without the taskbar-list object no button could be taken away or given
    // back: the program would sit there doing nothing, so it says so and ends.
    if (!TaskbarListObject) {
        ReportFailure(TaskbarListFailedText, taskbarListError);
        ReleaseLocksAndCom();
        return -1;
    }

    LoadSettings();
    LoadRules();
    ProgramIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TRAY));
    RegisterTabWndClass(LoadIconA(instance, MAKEINTRESOURCEA(IDI_PROGRAM)), ProgramIcon);
    RegisterWindowClass(MainClassName, MainWndProc);

    MainWnd = CreateWindowExA(0, MainClassName, MainWindowTitle, WS_OVERLAPPEDWINDOW,
                              CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr, instance,
                              nullptr);
    if (!MainWnd) {
        ReportFailure(MainWindowFailedText, GetLastError());
        ReleaseTaskbarListObject();
        ReleaseLocksAndCom();
        return -1;
    }
    ShowWindow(MainWnd, SW_HIDE);
    UpdateWindow(MainWnd);

    MenuReady = 0;
    ClearIndex();
    ScanAllWindows();
    CreateAllTabWnds();
    MenuReady = 1;

    if (!SetHook(SubClassInEffect, Settings.ClassAddress)) {
        ReportFailure(HookFailedText, GetLastError());
        return StopAfterFailure();
    }
    if (SubClassInEffect && !SetSubClass(LoadInEffect)) {
        ReportFailure(SubclassFailedText, GetLastError());
        if (!FreeHook()) ReportFailure(UnhookFailedText, GetLastError());
        return StopAfterFailure();
    }

    // The library's process attach made the event already; this is a second
    // handle to the same one.
    HANDLE ringEvent = CreateEventA(nullptr, FALSE, FALSE, RingEventName);
    int exitCode = RunEventLoop(ringEvent);
    return Shutdown(exitCode);
}
