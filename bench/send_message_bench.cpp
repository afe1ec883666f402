// SendMessage of a code the hook ignores, 100,000 times, under ravik's global
// WH_CALLWNDPROC hook and under a do-nothing global hook (null_hook.dll). Under
// Wine any global hook makes SendMessage far slower; the ratio is our own cost.
// The two hooks take turns in chunks, so that load from other programs falls on
// both alike; the fastest chunk of each is the figure least disturbed by it.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>

#include "bench/bench_util.h"
#include "core/scoped.h"
#include "hook/ravik.h"

static LRESULT CALLBACK QuietProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_NCCREATE ? TRUE : 0;
}

int main(int argc, char** argv) {
    long count = argc > 1 ? atol(argv[1]) : 100000;
    int chunks = argc > 2 ? atoi(argv[2]) : 20;
    long perChunk = count / chunks;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = QuietProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "RavikBench";
    RegisterClassA(&wc);
    HWND wnd = CreateWindowExA(0, "RavikBench", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               wc.hInstance, nullptr);
    HMODULE nullHook = LoadLibraryA("null_hook.dll");
    auto nullProc = ProcAs<HOOKPROC>(nullHook, "NullHookProc");
    if (!wnd || !nullProc || perChunk <= 0) {
        printf("set-up failed\n");
        return 1;
    }
    auto send = [&] { SendMessageA(wnd, WM_USER + 1, 0, 0); };
    printf("SendMessage without any hook: %.2f us\n", NanosecondsPerCall(count, send) / 1000);

    FreeHook();
    std::vector<double> ravik, floor;
    for (int chunk = 0; chunk < chunks; ++chunk) {
        HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, nullProc, nullHook, 0);
        floor.push_back(NanosecondsPerCall(perChunk, send));
        UnhookWindowsHookEx(hook);
        if (!SetHook(0, 0)) {
            printf("SetHook failed\n");
            return 1;
        }
        ravik.push_back(NanosecondsPerCall(perChunk, send));
        FreeHook();
    }
    double floorMean = 0, ravikMean = 0;
    for (int i = 0; i < chunks; ++i)
        floorMean += floor[i] / chunks, ravikMean += ravik[i] / chunks;
    double floorBest = *std::min_element(floor.begin(), floor.end());
    double ravikBest = *std::min_element(ravik.begin(), ravik.end());
    printf("%ld SendMessage calls under each hook, in %d chunks taking turns\n", perChunk * chunks,
           chunks);
    printf("  mean:    do-nothing hook %8.2f us, ravik %8.2f us, ratio %.3f\n", floorMean / 1000,
           ravikMean / 1000, ravikMean / floorMean);
    printf("  median:  do-nothing hook %8.2f us, ravik %8.2f us, ratio %.3f\n",
           Median(floor) / 1000, Median(ravik) / 1000, Median(ravik) / Median(floor));
    printf("  fastest: do-nothing hook %8.2f us, ravik %8.2f us, ratio %.3f\n", floorBest / 1000,
           ravikBest / 1000, ravikBest / floorBest);
    DestroyWindow(wnd);
    return 0;
}
