// SendMessage of a code the hook ignores, 100,000 times, under ravik's global
// WH_CALLWNDPROC hook and under a do-nothing global hook (null_hook.dll). Under
// Wine any global hook makes SendMessage far slower; the ratio is our own cost.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include "bench/bench_util.h"
#include "core/scoped.h"
#include "hook/ravik.h"

static LRESULT CALLBACK QuietProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_NCCREATE ? TRUE : 0;
}

int main(int argc, char** argv) {
    long count = argc > 1 ? atol(argv[1]) : 100000;
    int rounds = argc > 2 ? atoi(argv[2]) : 3;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = QuietProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "RavikBench";
    RegisterClassA(&wc);
    HWND wnd = CreateWindowExA(0, "RavikBench", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               wc.hInstance, nullptr);
    HMODULE nullHook = LoadLibraryA("null_hook.dll");
    auto nullProc = ProcAs<HOOKPROC>(nullHook, "NullHookProc");
    if (!wnd || !nullProc) {
        printf("set-up failed\n");
        return 1;
    }
    auto send = [&] { SendMessageA(wnd, WM_USER + 1, 0, 0); };
    printf("SendMessage without any hook: %.2f us\n", NanosecondsPerCall(count, send) / 1000);

    FreeHook();
    std::vector<double> ravik, floor;
    for (int round = 0; round < rounds; ++round) {
        HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, nullProc, nullHook, 0);
        floor.push_back(NanosecondsPerCall(count, send));
        UnhookWindowsHookEx(hook);
        if (!SetHook(0, 0)) {
            printf("SetHook failed\n");
            return 1;
        }
        ravik.push_back(NanosecondsPerCall(count, send));
        FreeHook();
        printf("round %d: do-nothing hook %.2f us, ravik %.2f us, ratio %.3f\n", round + 1,
               floor.back() / 1000, ravik.back() / 1000, ravik.back() / floor.back());
    }
    printf("median: do-nothing hook %.2f us, ravik %.2f us per SendMessage, ratio %.3f\n",
           Median(floor) / 1000, Median(ravik) / 1000, Median(ravik) / Median(floor));
    DestroyWindow(wnd);
    return 0;
}
