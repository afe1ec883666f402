// How soon the stand-in taskbar's tab control hears of a window change: from
// the call in this process to the tab message in the stand-in (timed there
// by standin_tabprobe.dll with the same clock).
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "bench/tab_probe.h"
#include "tests/support/support.h"

namespace {

TabProbe Probe;

// Runs change, then waits for the tab message that answers it; the delay in ms or -1.
double Measure(const std::function<void()>& change, UINT message) {
    Probe.Clear();
    double start = NowMs();
    change();
    double at = -1;
    testing_support::WaitUntil([&] { return (at = Probe.FirstTime(message)) >= 0; }, 3000);
    return at >= 0 ? at - start : -1;
}

void Report(const char* what, std::vector<double> samples) {
    int missed = static_cast<int>(std::count(samples.begin(), samples.end(), -1.0));
    samples.erase(std::remove(samples.begin(), samples.end(), -1.0), samples.end());
    std::string name = std::string("stand-in alone: ") + what;
    if (missed) name += " (" + std::to_string(missed) + " missed)";
    PrintSeriesRow(name.c_str(), "ms", samples);
}

} // namespace

int main() {
    testing_support::StandinTaskbar taskbar;
    if (!taskbar.Start()) return fprintf(stderr, "no stand-in taskbar\n"), 1;
    testing_support::TaskbarState state;
    taskbar.Read(&state);
    if (!Probe.Attach(testing_support::BinDir(), state.tray))
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
    Report("window shown -> tab item", shown);
    Report("window retitled -> tab item", retitled);
    Report("window hidden -> tab item gone", hidden);
    Report("window destroyed -> tab item gone", destroyed);
    Report("made visible silently (poll only) -> tab item", quietlyShown);
    Probe.Detach();
    return 0;
}
