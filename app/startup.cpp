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
#include "core/scoped.h"
#include "core/screen_text.h"
#include "core/settings.h"
#include "core/state.h"
#include "engine/passes.h"
#include "engine/scan.h"
#include "engine/win_events.h"
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
// One pelmora per session, whatever folder it was started from.
constexpr char InstanceMutexName[] = "Local\\pelmora-instance";
// How long a start waits for a run that is ending to give the claim back.
constexpr DWORD InstanceWaitMs = 3000;
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

// The taskbar-list object, created and initialised, published in
// TaskbarListObject for as long as the guard lives; absent when either step
// failed, with the error kept for the report.
class TaskbarListGuard {
  public:
    TaskbarListGuard() {
        HRESULT hr = CoCreateInstance(CLSID_TaskbarList, nullptr, AnyComContext, IID_ITaskbarList,
                                      object_.Out());
        // An object that cannot initialise itself cannot add or delete buttons either.
        if (SUCCEEDED(hr) && object_.get()) hr = object_->HrInit();
        if (FAILED(hr) || !object_.get()) {
            object_.Reset();
            error_ = (DWORD)hr;
        }
        TaskbarListObject = object_.get();
    }
    // Nobody reads the global once the object is released, right after this.
    ~TaskbarListGuard() { TaskbarListObject = nullptr; }
    TaskbarListGuard(const TaskbarListGuard&) = delete;
    TaskbarListGuard& operator=(const TaskbarListGuard&) = delete;
    DWORD Error() const { return error_; }

  private:
    ScopedComPtr<ITaskbarList> object_;
    DWORD error_ = 0;
};

// AllocLock and EventLock for the whole run.
class ModelLocks {
  public:
    ModelLocks() { CreateModelLocks(); }
    ~ModelLocks() { DeleteModelLocks(); }
    ModelLocks(const ModelLocks&) = delete;
    ModelLocks& operator=(const ModelLocks&) = delete;
};

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

// A window that came after the scan and before the hook and the system's
// window events were in force was seen by neither (SetHook empties the ring):
// one more rescan finds it. The events also come from the windows that the
// hook cannot enter; the loop's drains empty their queue.
void CatchUpWithTheDesktop() {
    RescanWindows();
    RefreshGroups();
}

// The library's process attach made the ring's event already; this is a
// second handle to the same one.
HANDLE OpenRingEvent() {
    return CreateEventA(nullptr, FALSE, FALSE, RingEventName);
}

// A second start shows the running one's icon again (when its main window can
// be found) and ends with 0, touching no button.
int ShowRunningInstance() {
    HWND running = FindWindowA(MainClassName, nullptr);
    if (running) AddTrayIcon(running, GetWndIcon(running));
    return 0;
}

// The run's claim to be the one pelmora of the session: a named mutex, held
// until the run ends. A run that is ending (the user's exit, the program's own
// restart) gives it back, so a start waits a few seconds for it before it
// takes itself for a second start. A window of the class "pelmora" proves
// nothing: anyone can make one, and a run that is ending still has one.
class InstanceClaim {
  public:
    InstanceClaim() : mutex_(CreateMutexA(nullptr, FALSE, InstanceMutexName)) {
        // A name taken by an object of another kind leaves only the windows to go by.
        if (!mutex_) {
            held_ = FindWindowA(MainClassName, nullptr) == nullptr;
            return;
        }
        DWORD result = WaitForSingleObject(mutex_, InstanceWaitMs);
        held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    }
    ~InstanceClaim() {
        if (mutex_ && held_) ReleaseMutex(mutex_);
        if (mutex_) CloseHandle(mutex_);
    }
    InstanceClaim(const InstanceClaim&) = delete;
    InstanceClaim& operator=(const InstanceClaim&) = delete;
    bool Held() const { return held_; }

  private:
    HANDLE mutex_;
    bool held_ = false;
};

// Settings and rules, the program icon and the window classes.
void LoadConfiguration() {
    LoadSettings();
    LoadRules();
    ProgramIcon = LoadIconA(Instance, MAKEINTRESOURCEA(IDI_TRAY));
    RegisterWindowClasses();
}

// The hidden main window, created and hidden; destroyed at the end unless it
// is gone already (its destruction is what ends the loop). Its WM_DESTROY
// removes the notification-area icon; the WM_QUIT it then posts is never read.
class MainWindow {
  public:
    MainWindow() {
        MainWnd =
            CreateWindowExA(0, MainClassName, MainWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                            0, CW_USEDEFAULT, 0, nullptr, nullptr, Instance, nullptr);
        error_ = GetLastError();
        if (!MainWnd) return;
        ShowWindow(MainWnd, SW_HIDE);
        UpdateWindow(MainWnd);
    }
    ~MainWindow() {
        if (MainWnd && IsWindow(MainWnd)) DestroyWindow(MainWnd);
    }
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    DWORD Error() const { return error_; }

  private:
    DWORD error_ = 0;
};

// The global hook and, when in effect, the taskbar subclass. Once Install was
// called, the end removes whatever part of them this process holds (nothing
// when another program holds the hook), and says so when that fails.
class GlobalHook {
  public:
    GlobalHook() = default;
    ~GlobalHook() {
        if (installing_ && !FreeHook()) ReportFailure(UnhookFailedText, GetLastError());
    }
    GlobalHook(const GlobalHook&) = delete;
    GlobalHook& operator=(const GlobalHook&) = delete;
    // True when the hook (and the subclass in effect) is in place; a failure
    // is reported here.
    bool Install() {
        installing_ = true;
        ChooseSubclass();
        if (!SetHook(SubClassInEffect, Settings.ClassAddress)) {
            ReportFailure(HookFailedText, GetLastError());
            return false;
        }
        if (SubClassInEffect && !SetSubClass(LoadInEffect)) {
            ReportFailure(SubclassFailedText, GetLastError());
            return false;
        }
        return true;
    }

  private:
    bool installing_ = false;
};

// Gives every button back at the end: every proxy's button goes and every
// visible member gets its own back, and so does any other window whose button
// is still listed as taken.
class ButtonsGivenBack {
  public:
    ButtonsGivenBack() = default;
    ~ButtonsGivenBack() {
        TaskbarBurst burst;
        DestroyAllProxies();
        GiveBackTakenButtons();
    }
    ButtonsGivenBack(const ButtonsGivenBack&) = delete;
    ButtonsGivenBack& operator=(const ButtonsGivenBack&) = delete;
};

// Starts the program again at the end when a run that reached its loop was
// asked to (RestartRequested). The old run has released everything by then.
class RestartWhenAsked {
  public:
    RestartWhenAsked() = default;
    ~RestartWhenAsked() {
        if (!armed_ || RestartRequested != 1 || !ExecutablePath) return;
        HINSTANCE result =
            ShellExecuteA(nullptr, "open", ExecutablePath, nullptr, nullptr, SW_SHOWNORMAL);
        // Values up to 32 are errors; nobody is left to see a box, the log keeps it.
        if ((INT_PTR)result <= 32) ErrorLogWithLastError(RestartFailedText);
    }
    RestartWhenAsked(const RestartWhenAsked&) = delete;
    RestartWhenAsked& operator=(const RestartWhenAsked&) = delete;
    void Arm() { armed_ = true; }

  private:
    bool armed_ = false;
};

} // namespace

void RegisterWindowClasses() {
    RegisterWindowClass(TabWndClassName, TabWndProc);
    RegisterWindowClass(MainClassName, MainWndProc);
}

// Every exit leaves through the guards' destructors, in the reverse order of
// their declaration: the buttons come back before the hook goes, the main
// window goes after both, then the taskbar-list object, the locks and COM;
// the claim to be the one instance is given back before a restart starts the
// next run, which therefore finds it free.
int RunPelmora(HINSTANCE instance) {
    Instance = instance;
    RestartWhenAsked restart;
    InstanceClaim claim; // before anything else, so that a second start touches nothing
    if (!claim.Held()) return ShowRunningInstance();
    TaskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    SetProgramDir();
    ScopedCom com;
    ModelLocks locks;
    TaskbarListGuard taskbarList;
    if (!TaskbarListObject) { // no button could be taken away or given back: say so and end
        ReportFailure(TaskbarListFailedText, taskbarList.Error());
        return -1;
    }
    LoadConfiguration();
    MainWindow mainWindow;
    if (!MainWnd) {
        ReportFailure(MainWindowFailedText, mainWindow.Error());
        return -1;
    }
    GlobalHook hook;
    ButtonsGivenBack buttons;
    GroupTheDesktop();
    if (!hook.Install()) return -1;
    WindowEventSource windowEvents(MainWnd); // beside the hook in every mode
    CatchUpWithTheDesktop();
    ScopedHandle ringEvent(OpenRingEvent());
    int exitCode = RunEventLoop(ringEvent.get());
    restart.Arm();
    return exitCode;
}
