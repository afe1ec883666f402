// The hook procedures called directly, nanoseconds per call: a message code
// they ignore (the compare and the call to the next hook), a code they record
// (ring mutex, 16-byte copy, event), and CallNextHookEx alone for reference.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include "bench/bench_util.h"
#include "hook/ravik_internal.h"

int main(int argc, char** argv) {
    OpenRingObjects(GetModuleHandleA(nullptr));
    if (!RingMutex || !RingEvent) {
        printf("the ring's named objects could not be opened\n");
        return 1;
    }
    const long calls = argc > 1 ? atol(argv[1]) : 20000;
    const int rounds = argc > 2 ? atoi(argv[2]) : 3;
    HWND target = GetDesktopWindow();
    CWPSTRUCT ignored = {0, 0, WM_MOVE, target};
    CWPSTRUCT recorded = {0, 7, WM_SETTEXT, target};
    MSG ignoredMsg = {target, WM_MOUSEMOVE, 0, 0, 0, {0, 0}};
    MSG recordedMsg = {target, WM_NCACTIVATE, 1, 0, 0, {0, 0}};
    auto pass = [](LPARAM m) { return CallNextHookEx(nullptr, HC_ACTION, 0, m); };

    std::vector<double> next, callIgnored, callRecorded, getIgnored, getRecorded;
    for (int round = 0; round < rounds; ++round) {
        next.push_back(
            NanosecondsPerCall(calls, [&] { pass(reinterpret_cast<LPARAM>(&ignored)); }));
        callIgnored.push_back(NanosecondsPerCall(
            calls, [&] { CallWndProcHook(HC_ACTION, 0, reinterpret_cast<LPARAM>(&ignored)); }));
        getIgnored.push_back(NanosecondsPerCall(calls, [&] {
            GetMsgHook(HC_ACTION, PM_REMOVE, reinterpret_cast<LPARAM>(&ignoredMsg));
        }));
        callRecorded.push_back(NanosecondsPerCall(calls, [&] {
            CallWndProcHook(HC_ACTION, 0, reinterpret_cast<LPARAM>(&recorded));
        }));
        getRecorded.push_back(NanosecondsPerCall(calls, [&] {
            GetMsgHook(HC_ACTION, PM_REMOVE, reinterpret_cast<LPARAM>(&recordedMsg));
        }));
    }
    printf("%ld calls, median of %d rounds, ns per call\n", calls, rounds);
    printf("  CallNextHookEx alone                   %8.1f\n", Median(next));
    printf("  CallWndProcHook, ignored code (WM_MOVE)  %8.1f\n", Median(callIgnored));
    printf("  GetMsgHook, ignored code (WM_MOUSEMOVE)  %8.1f\n", Median(getIgnored));
    printf("  CallWndProcHook, recorded (WM_SETTEXT)   %8.1f\n", Median(callRecorded));
    printf("  GetMsgHook, recorded (WM_NCACTIVATE)     %8.1f\n", Median(getRecorded));
    printf("  ignored path beyond CallNextHookEx       %8.1f\n",
           Median(callIgnored) - Median(next));
    CloseRingObjects();
    return 0;
}
