// How soon the stand-in taskbar's tab control hears of a window change: from
// the call in this process to the tab message in the stand-in (timed there
// by standin_tabprobe.dll with the same clock). Run by hand under Wine:
//     . tools/wine-env.sh build/win64; $PELMORA_WINE build/win64/bin/bench_standin_latency.exe
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/support.h"
#include "tools/tabprobe/tabprobe.h"

namespace {

struct ProbeFunctions {
    int(__cdecl* install)(HWND);
    int(__cdecl* subclass)(HWND);
    int(__cdecl* restore)(HWND, int);
    int(__cdecl* count)();
    TabProbeRecord(__cdecl* recordAt)(int);
    void(__cdecl* clear)();
} Probe;

template <typename F> bool Bind(HMODULE library, F* f, const char* name) {
    *f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return *f != nullptr;
}

double Millis(long long ticks) {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    return ticks * 1000.0 / frequency.QuadPart;
}

long long Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

// Runs change, then waits for the tab message that answers it; the delay in ms or -1.
double Measure(const std::function<void()>& change, UINT message) {
    Probe.clear();
    long long start = Now();
    change();
    double result = -1;
    testing_support::WaitUntil(
        [&] {
            for (int i = 0; i < Probe.count(); ++i) {
                TabProbeRecord r = Probe.recordAt(i);
                if (r.message == message) {
                    result = Millis(r.time - start);
                    return true;
                }
            }
            return false;
        },
        3000);
    return result;
}

void Report(const char* what, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    int missed = static_cast<int>(std::count(samples.begin(), samples.end(), -1.0));
    samples.erase(samples.begin(), samples.begin() + missed);
    if (samples.empty()) {
        printf("%-40s no answer\n", what);
        return;
    }
    printf("%-40s median %6.1f ms  p90 %6.1f ms  max %6.1f ms  (%zu runs, %d missed)\n", what,
           samples[samples.size() / 2], samples[samples.size() * 9 / 10], samples.back(),
           samples.size(), missed);
}

} // namespace

int main() {
    testing_support::StandinTaskbar taskbar;
    if (!taskbar.Start()) return fprintf(stderr, "no stand-in taskbar\n"), 1;
    testing_support::TaskbarState state;
    taskbar.Read(&state);
    HMODULE library = LoadLibraryA((testing_support::BinDir() + "standin_tabprobe.dll").c_str());
    if (!library || !Bind(library, &Probe.install, "ProbeInstall") ||
        !Bind(library, &Probe.subclass, "ProbeSubclass") ||
        !Bind(library, &Probe.restore, "ProbeRestore") ||
        !Bind(library, &Probe.count, "ProbeCount") ||
        !Bind(library, &Probe.recordAt, "ProbeRecordAt") ||
        !Bind(library, &Probe.clear, "ProbeClear") || !Probe.install(state.tray) ||
        !Probe.subclass(state.tray))
        return fprintf(stderr, "no probe\n"), 1;

    constexpr int Runs = 40;
    std::vector<double> shown, hidden, retitled, destroyed, quietlyShown;
    for (int i = 0; i < Runs; ++i) {
        HWND w = CreateWindowExA(0, "STATIC", "bench", WS_OVERLAPPEDWINDOW, 100, 100, 200, 100,
                                 nullptr, nullptr, nullptr, nullptr);
        shown.push_back(Measure([&] { ShowWindow(w, SW_SHOWNOACTIVATE); }, TCM_INSERTITEMW));
        retitled.push_back(
            Measure([&] { SetWindowTextA(w, std::to_string(i).c_str()); }, TCM_SETITEMW));
        hidden.push_back(Measure([&] { ShowWindow(w, SW_HIDE); }, TCM_DELETEITEM));
        // Made visible without any message: only the poll can see it.
        quietlyShown.push_back(Measure(
            [&] { SetWindowLongPtrA(w, GWL_STYLE, GetWindowLongPtrA(w, GWL_STYLE) | WS_VISIBLE); },
            TCM_INSERTITEMW));
        destroyed.push_back(Measure([&] { DestroyWindow(w); }, TCM_DELETEITEM));
    }
    Report("shown (window event)", shown);
    Report("retitled (window event)", retitled);
    Report("hidden (window event)", hidden);
    Report("destroyed (window event)", destroyed);
    Report("made visible silently (poll only)", quietlyShown);
    Probe.restore(state.tray, 0);
    return 0;
}
