// SendMessage of a code the hook ignores, 100,000 times, under ravik's global
// WH_CALLWNDPROC hook (the shipped ravik.dll) and under a do-nothing global
// hook (null_hook.dll). Under Wine any global hook makes SendMessage far
// slower; the ratio is our own cost. The two hooks take turns in chunks, so
// that load from other programs falls on both alike; each chunk is a sample.
//     bench_send_message.exe [calls [chunks]]
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include "bench/bench_util.h"
#include "core/scoped.h"
#include "tests/support/support.h"

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
    HMODULE ravik = LoadLibraryA((testing_support::ShippedDir() + "ravik.dll").c_str());
    auto setHook = ProcAs<int(__cdecl*)(int, int)>(ravik, "SetHook");
    auto freeHook = ProcAs<int(__cdecl*)()>(ravik, "FreeHook");
    if (!wnd || !nullProc || !setHook || !freeHook || perChunk <= 0) {
        printf("set-up failed\n");
        return 1;
    }
    auto send = [&] { SendMessageA(wnd, WM_USER + 1, 0, 0); };
    printf("SendMessage without any hook: %.2f us\n", NanosecondsPerCall(count, send) / 1000);

    freeHook();
    std::vector<double> ravikUs, floorUs;
    for (int chunk = 0; chunk < chunks; ++chunk) {
        HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, nullProc, nullHook, 0);
        floorUs.push_back(NanosecondsPerCall(perChunk, send) / 1000);
        UnhookWindowsHookEx(hook);
        if (!setHook(0, 0)) {
            printf("SetHook failed\n");
            return 1;
        }
        ravikUs.push_back(NanosecondsPerCall(perChunk, send) / 1000);
        freeHook();
    }
    printf("%ld SendMessage calls under each hook, in %d chunks taking turns\n", perChunk * chunks,
           chunks);
    printf("  median:  do-nothing hook %8.2f us, ravik %8.2f us, ratio %.3f\n", Median(floorUs),
           Median(ravikUs), Median(ravikUs) / Median(floorUs));
    char name[96];
    snprintf(name, sizeof name, "SendMessage under ravik's hook (%ld calls)", perChunk * chunks);
    PrintSeriesRow(name, "us/call", ravikUs, Median(floorUs), "do-nothing global hook");
    DestroyWindow(wnd);
    return 0;
}
