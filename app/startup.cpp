// Start-up, shutdown and restart of the program.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shobjidl.h>
#include <stdlib.h>
#include <string.h>

#include "app/app.h"
#include "app/state.h"
#include "core/classify.h"
#include "core/errorlog.h"
#include "core/screen_text.h"
#include "core/settings.h"
#include "core/state.h"
#include "engine/scan.h"
#include "hook/ravik.h"
#include "res/resource.h"
#include "taskbar/buttons.h"
#include "taskbar/proxy.h"
#include "taskbar/state.h"
#include "taskbar/taken_buttons.h"
#include "taskbar/task_switch.h"

namespace {

constexpr char MainClassName[] = "pelmora";
constexpr char MainWindowTitle[] = ""; // also the tip of the notification-area icon
constexpr DWORD AnyComContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

constexpr char HookFailedText[] = "グローバルフックの設定に失敗しました";
constexpr char SubclassFailedText[] = "タスクバーのサブクラス化に失敗しました";
constexpr char UnhookFailedText[] = "グローバルフックの解除に失敗しました";
constexpr char TaskbarListFailedText[] = "タスクバーを操作するオブジェクトの作成に失敗しました";
constexpr char MainWindowFailedText[] = "メインウィンドウの作成に失敗しました";
constexpr char RestartFailedText[] = "pelmoraの再起動に失敗しました\n";
constexpr char NoTabControlText[] =
    "タスクバーにタブコントロールがないため、サブクラス化せずに動作します\n";

// Full path of the executable, kept for the restart.
char* ExecutablePath = nullptr;

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
    CutToProgramDir(ProgramDir, IsSystemLeadByte);
}

// A failure the user must hear of: the message box (no owner, the system's
// caption, OK) comes first, then the two log entries. The error text is formatted
// from the code the failing call left, before the box can change it.
void ReportFailure(const char* text, DWORD code) {
    char errorText[TextBufferSize];
    FormatErrorText(code, errorText);
    ShowMessageBox(nullptr, text, nullptr, MB_OK);
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
    wc.hIconSm = LoadIconA(Instance, MAKEINTRESOURCEA(IDI_TRAY));
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = name;
    RegisterClassExA(&wc);
}

LONG CrashSeen = 0;

// A crash gives the buttons back before the process dies: the proxies go
// with the process, the members' own buttons would not come back by
// themselves. What cannot be given back now stays listed for the next run.
// The process then ends at once: kept alive for a debugger or a crash report,
// its other threads (the loop, when another thread crashed) would take the
// buttons away again.
LONG WINAPI GiveButtonsBackOnCrash(EXCEPTION_POINTERS* info) {
    if (InterlockedExchange(&CrashSeen, 1) == 0) {
        StopTakingButtons();
        GiveBackTakenButtons();
        SaveTakenButtons(); // also when the crash came inside a burst
    }
    TerminateProcess(GetCurrentProcess(), info->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

// Every proxy's button goes and every visible member gets its own back, and
// so does any other window whose button is still listed as taken.
void GiveAllButtonsBack() {
    TaskbarBurst burst;
    DestroyAllProxies();
    GiveBackTakenButtons();
}

// Buttons an earlier run took away and could not give back (it was killed,
// or it crashed) come back before the windows are grouped again; grouping
// then takes away what it should.
void GroupTheDesktop() {
    TaskbarBurst burst;
    LoadTakenButtons();
    SetUnhandledExceptionFilter(GiveButtonsBackOnCrash);
    GiveBackTakenButtons();
    MenuReady = 0;
    ClearIndex();
    ScanAllWindows();
    CreateAllTabWnds();
    MenuReady = 1;
}

// The orderly stop after a start-up failure that came after the main window.
int StopAfterFailure() {
    GiveAllButtonsBack();
    // Its WM_DESTROY removes the notification-area icon; the WM_QUIT it posts is
    // never read.
    DestroyWindow(MainWnd);
    ReleaseTaskbarListObject();
    ReleaseLocksAndCom();
    return -1;
}

int Shutdown(int exitCode) {
    // Every grouped window has its own button again before the hook goes.
    GiveAllButtonsBack();
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

// The shells of XP and later hold a toolbar or a task list where Windows 2000
// has its tab control: a subclass there would record nothing, and with Load the
// hook would stop seeing sent messages too. Such a run goes on as with SubClass
// off (the windows' own events drive it); the saved setting keeps the user's
// choice. No task-switch window at all is left to SetSubClass, which fails.
void ChooseSubclass() {
    if (!SubClassInEffect || InspectTaskSwitch() != TaskSwitchContent::Other) return;
    SubClassInEffect = 0;
    ErrorLog(NoTabControlText);
}

} // namespace

void RegisterWindowClasses() {
    RegisterWindowClass(TabWndClassName, TabWndProc);
    RegisterWindowClass(MainClassName, MainWndProc);
}

int RunPelmora(HINSTANCE instance) {
    Instance = instance;
    TaskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
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
    RegisterWindowClasses();

    MainWnd = CreateWindowExA(0, MainClassName, MainWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              0, CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
    if (!MainWnd) {
        ReportFailure(MainWindowFailedText, GetLastError());
        ReleaseTaskbarListObject();
        ReleaseLocksAndCom();
        return -1;
    }
    ShowWindow(MainWnd, SW_HIDE);
    UpdateWindow(MainWnd);

    GroupTheDesktop();

    ChooseSubclass();
    if (!SetHook(SubClassInEffect, Settings.ClassAddress)) {
        ReportFailure(HookFailedText, GetLastError());
        // Gives back whatever part of the hook this process holds; nothing
        // when another program holds it.
        FreeHook();
        return StopAfterFailure();
    }
    if (SubClassInEffect && !SetSubClass(LoadInEffect)) {
        ReportFailure(SubclassFailedText, GetLastError());
        if (!FreeHook()) ReportFailure(UnhookFailedText, GetLastError());
        return StopAfterFailure();
    }

    // A window that came after the scan and before the hook was in force was
    // seen by neither (SetHook empties the ring): one more rescan finds it.
    RescanWindows();
    RefreshGroups();

    // The library's process attach made the event already; this is a second
    // handle to the same one.
    HANDLE ringEvent = CreateEventA(nullptr, FALSE, FALSE, RingEventName);
    int exitCode = RunEventLoop(ringEvent);
    return Shutdown(exitCode);
}
