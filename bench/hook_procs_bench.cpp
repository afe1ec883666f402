// The hook procedures called directly, nanoseconds per call: a message code
// they ignore (the compare and the call to the next hook), a code they record
// (ring mutex, 16-byte copy, event), and CallNextHookEx alone for reference.
// The series take turns in chunks, so that load from other programs falls on
// all alike; each chunk is one sample (its mean per call).
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <functional>

#include "bench/bench_util.h"
#include "hook/ravik_internal.h"

namespace {

struct Series {
    const char* name;
    std::function<void()> body;
    std::vector<double> chunks = {};
};

} // namespace

int main(int argc, char** argv) {
    long calls = argc > 1 ? atol(argv[1]) : 40000;
    int chunks = argc > 2 ? atoi(argv[2]) : 20;
    long perChunk = calls / chunks;
    OpenRingObjects(GetModuleHandleA(nullptr));
    if (!RingMutex || !RingEvent || perChunk <= 0) {
        printf("set-up failed\n");
        return 1;
    }
    HWND target = GetDesktopWindow();
    CWPSTRUCT ignored = {0, 0, WM_MOVE, target};
    CWPSTRUCT recorded = {0, 7, WM_SETTEXT, target};
    MSG ignoredMsg = {target, WM_MOUSEMOVE, 0, 0, 0, {0, 0}};
    MSG recordedMsg = {target, WM_NCACTIVATE, 1, 0, 0, {0, 0}};
    auto as = [](const void* p) { return reinterpret_cast<LPARAM>(p); };
    Series series[] = {
        {"CallNextHookEx alone", [&] { CallNextHookEx(nullptr, HC_ACTION, 0, as(&ignored)); }},
        {"CallWndProcHook, ignored (WM_MOVE)",
         [&] { CallWndProcHook(HC_ACTION, 0, as(&ignored)); }},
        {"GetMsgHook, ignored (WM_MOUSEMOVE)",
         [&] { GetMsgHook(HC_ACTION, PM_REMOVE, as(&ignoredMsg)); }},
        {"CallWndProcHook, recorded (WM_SETTEXT)",
         [&] { CallWndProcHook(HC_ACTION, 0, as(&recorded)); }},
        {"GetMsgHook, recorded (WM_NCACTIVATE)",
         [&] { GetMsgHook(HC_ACTION, PM_REMOVE, as(&recordedMsg)); }},
    };
    for (int chunk = 0; chunk < chunks; ++chunk)
        for (Series& s : series)
            s.chunks.push_back(NanosecondsPerCall(perChunk, s.body));

    printf("%ld calls of each in %d chunks taking turns, ns per call\n", perChunk * chunks, chunks);
    printf("  %-40s %10s %10s\n", "", "fastest", "median");
    for (const Series& s : series)
        printf("  %-40s %10.1f %10.1f\n", s.name,
               *std::min_element(s.chunks.begin(), s.chunks.end()), Median(s.chunks));
    // The floor: what a do-nothing hook procedure does, CallNextHookEx alone.
    double floor = Median(series[0].chunks);
    const char* floorName = "do-nothing hook procedure";
    PrintSeriesRow("hook procedure per call, ignored code (WH_CALLWNDPROC)", "ns", series[1].chunks,
                   floor, floorName);
    PrintSeriesRow("hook procedure per call, ignored code (WH_GETMESSAGE)", "ns", series[2].chunks,
                   floor, floorName);
    PrintSeriesRow("hook procedure per call, recorded code (WH_CALLWNDPROC)", "ns",
                   series[3].chunks, floor, floorName);
    PrintSeriesRow("hook procedure per call, recorded code (WH_GETMESSAGE)", "ns", series[4].chunks,
                   floor, floorName);
    CloseRingObjects();
    return 0;
}
