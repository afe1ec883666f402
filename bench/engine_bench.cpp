// Benchmarks of the grouping engine under Wine, with windows of ten stand-in
// applications (ten copies of bench_windows.exe under different names):
//   - ScanAllWindows and the refresh pass after it (proxies made) for N
//     top-level windows: time and committed memory per window, the scan beside
//     the same walk without classification, and the icon requests (WM_GETICON,
//     the only messages the engine sends to other processes) that reached the
//     applications; Wine delivers none across processes, Windows every one;
//   - one ProcessWndMessages drain of 99 ring entries against 10 collapsed
//     groups of 3 windows, for several mixes of entries.
//     engine_bench.exe [N...]   (default 200 1000)
#include <windows.h>
#include <shobjidl.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "bench/bench_util.h"
#include "engine/dispatch.h"
#include "app/state.h"
#include "config/state.h"
#include "core/state.h"
#include "taskbar/state.h"
#include "engine/passes.h"
#include "engine/scan.h"
#include "core/classify.h"
#include "hook/pure/ring.h"
#include "hook/ravik.h"
#include "taskbar/buttons.h"
#include "taskbar/proxy.h"

namespace {

constexpr int Applications = 10;
constexpr UINT QueryReceived = WM_APP + 1;
constexpr UINT Quit = WM_APP + 2;
constexpr int DrainRepeats = 5;

// Counts the taskbar-list calls and does nothing else.
class CountingTaskbarList : public ITaskbarList {
  public:
    int adds = 0, deletes = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE HrInit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE AddTab(HWND) override {
        ++adds;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND) override {
        ++deletes;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return S_OK; }
};

CountingTaskbarList taskbarList;

// Private memory committed in this process, in bytes.
SIZE_T CommittedBytes() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION info;
    for (BYTE* p = nullptr; VirtualQuery(p, &info, sizeof info) == sizeof info;
         p = (BYTE*)info.BaseAddress + info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
    }
    return total;
}

struct App {
    PROCESS_INFORMATION process = {};
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param) {
    App* app = (App*)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == app->process.dwProcessId && IsWindowVisible(hwnd)) app->windows.push_back(hwnd);
    return TRUE;
}

std::string ExeDir() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

// Ten applications with `perApp` windows each, every one from its own copy
// of the helper so that each has its own executable path.
std::vector<App> StartApps(int perApp) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::vector<App> apps(Applications);
    std::vector<HANDLE> ready;
    for (int i = 0; i < Applications; ++i) {
        char exe[MAX_PATH], event[64], command[MAX_PATH + 80];
        snprintf(exe, sizeof exe, "%sbenchapp%d.exe", temp, i);
        CopyFileA((ExeDir() + "bench_windows.exe").c_str(), exe, FALSE);
        snprintf(event, sizeof event, "pelmora-bench-ready-%d", i);
        HANDLE e = CreateEventA(nullptr, TRUE, FALSE, event);
        ready.push_back(e);
        snprintf(command, sizeof command, "\"%s\" %d %s", exe, perApp, event);
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        if (!CreateProcessA(exe, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                            &apps[i].process)) {
            fprintf(stderr, "cannot start %s\n", exe);
            exit(1);
        }
        CloseHandle(apps[i].process.hThread);
    }
    for (HANDLE e : ready) {
        if (WaitForSingleObject(e, 600000) != WAIT_OBJECT_0) {
            fprintf(stderr, "applications did not start\n");
            exit(1);
        }
        CloseHandle(e);
    }
    for (App& app : apps)
        EnumWindows(CollectWindow, (LPARAM)&app);
    return apps;
}

void StopApps(std::vector<App>& apps) {
    for (App& app : apps) {
        if (!app.windows.empty()) PostMessageA(app.windows[0], Quit, 0, 0);
        if (WaitForSingleObject(app.process.hProcess, 10000) != WAIT_OBJECT_0)
            TerminateProcess(app.process.hProcess, 1);
        CloseHandle(app.process.hProcess);
    }
    apps.clear();
}

// Icon requests the applications' windows received so far.
long Received(const std::vector<App>& apps) {
    long total = 0;
    for (const App& app : apps)
        total += (long)SendMessageA(app.windows[0], QueryReceived, 0, 0);
    return total;
}

int CountWindows(const std::vector<App>& apps) {
    int n = 0;
    for (const App& app : apps)
        n += (int)app.windows.size();
    return n;
}

// The scan's walk without classification: the same windows and the same
// questions (taskbar candidate, icon), but no path, class or group.
int WalkWithoutClassification() {
    int n = 0;
    for (HWND w = GetTopWindow(GetDesktopWindow()); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (!IsTaskbarCandidate(w) || LookupGroup(w)) continue;
        GetWndIcon(w);
        ++n;
    }
    return n;
}

// ScanAllWindows and the refresh pass that follows it at start-up (proxies
// made, members' buttons taken) over `total` windows, `repeats` times.
void BenchScan(int total, int repeats) {
    std::vector<App> apps = StartApps(total / Applications);
    int windows = CountWindows(apps);
    std::vector<double> walkUs, scanUs, refreshUs, memoryKiB;
    long sent = 0;
    for (int r = 0; r < repeats; ++r) {
        ClearIndex();
        double t0 = Seconds();
        WalkWithoutClassification();
        double t1 = Seconds();
        SIZE_T memBefore = CommittedBytes();
        long sentBefore = Received(apps);
        double t2 = Seconds();
        ScanAllWindows();
        double t3 = Seconds();
        RefreshGroups();
        double t4 = Seconds();
        memoryKiB.push_back((double)(CommittedBytes() - memBefore) / 1024.0 / windows);
        sent += Received(apps) - sentBefore;
        walkUs.push_back((t1 - t0) * 1e6 / windows);
        scanUs.push_back((t3 - t2) * 1e6 / windows);
        refreshUs.push_back((t4 - t3) * 1e6 / windows);
        DestroyAllGroups();
    }
    printf("%d windows: icon requests delivered to the applications: %.2f per window\n", windows,
           (double)sent / windows / repeats);
    char name[96];
    snprintf(name, sizeof name, "scan per window (%d windows)", windows);
    PrintSeriesRow(name, "us", scanUs, Median(walkUs), "the same walk without classification");
    snprintf(name, sizeof name, "refresh pass making the proxies, per window (%d windows)",
             windows);
    PrintSeriesRow(name, "us", refreshUs);
    snprintf(name, sizeof name, "committed memory per window (%d windows)", windows);
    PrintSeriesRow(name, "KiB", memoryKiB);
    StopApps(apps);
}

enum Step { NcActivate, SetText, Activate };

void SendStep(HWND w, Step step) {
    switch (step) {
    case NcActivate:
        SendMessageA(w, WM_NCACTIVATE, TRUE, 0);
        break;
    case SetText:
        SendMessageA(w, WM_SETTEXT, 0, (LPARAM) "bench");
        break;
    case Activate:
        SendMessageA(w, WM_ACTIVATE, WA_INACTIVE, 0);
        break;
    }
}

void BenchDrain() {
    std::vector<App> apps = StartApps(3);
    ClearIndex();
    ScanAllWindows();
    CreateAllTabWnds();
    int proxies = 0;
    for (TabWnd* t = TabWndList; t; t = t->next)
        ++proxies;
    SetHook(0, 0);

    struct Mix {
        const char* name;
        std::vector<Step> pattern;
    };
    const Mix mixes[] = {
        {"title-bar flashing", {NcActivate, NcActivate, SetText}},
        {"activations", {Activate}},
        {"activations, flashing, titles", {Activate, NcActivate, SetText}},
    };
    for (const Mix& mix : mixes) {
        std::vector<double> ms;
        for (int r = 0; r < DrainRepeats; ++r) {
            ProcessWndMessages(); // whatever the hook saw so far
            for (int i = 0; i < 99; ++i) {
                const App& app = apps[i % Applications];
                SendStep(app.windows[(i / Applications) % app.windows.size()],
                         mix.pattern[i % mix.pattern.size()]);
            }
            int pending = (NewMessage() + RingSize) % RingSize; // negative once the writer wrapped
            double t0 = Seconds();
            ProcessWndMessages();
            double t1 = Seconds();
            if (pending == 99) ms.push_back((t1 - t0) * 1e3);
        }
        char name[128];
        snprintf(name, sizeof name, "drain of 99 entries, %d collapsed groups: %s", proxies,
                 mix.name);
        PrintSeriesRow(name, "ms", ms);
    }

    // What one button insert forwarded by the taskbar subclass costs.
    long sentBefore = Received(apps);
    double t0 = Seconds();
    RescanWindows();
    RefreshGroups();
    double t1 = Seconds();
    printf("one button insert (RescanWindows + RefreshGroups): %.2f ms, %ld messages sent\n",
           (t1 - t0) * 1e3, Received(apps) - sentBefore);

    FreeHook();
    DestroyAllGroups();
    StopApps(apps);
}

} // namespace

int main(int argc, char** argv) {
    Instance = GetModuleHandleA(nullptr);
    CreateModelLocks();
    RegisterWindowClasses();
    TaskbarListObject = &taskbarList;
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(atoi(argv[i]));
    if (sizes.empty()) sizes = {200, 1000};
    for (int n : sizes)
        BenchScan(n, n <= 200 ? 5 : 3);
    BenchDrain();
    return 0;
}
