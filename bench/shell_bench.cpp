// Benchmarks of the real program with the stand-in taskbar (run by hand under
// Wine, never by ctest):
//   latency  the time from a window's creation in another process to the
//            stand-in showing the updated proxy button, over 50 windows, with
//            the default settings and with SubClass 0; and, for comparison,
//            the stand-in's own delay in showing a new window's button at all;
//   startup  the time from starting pelmora.exe to the stand-in showing the
//            proxies of 200 open windows (four applications of 50 windows).
// Usage: bench_shell.exe [latency|startup]   (both when no argument is given)
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/support.h"

using namespace testing_support;

namespace {

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * (double)t.QuadPart / (double)frequency.QuadPart;
}

// Polls every `pollMs` until cond holds; the elapsed time since `start`, or a
// negative value after boundMs. Each poll of the stand-in costs it a reply, so
// long waits poll less often: the stand-in is also the one handling the
// program's taskbar calls.
template <typename Cond>
double TimeUntil(double start, Cond cond, double boundMs = 5000, DWORD pollMs = 1) {
    for (;;) {
        if (cond()) return NowMs() - start;
        if (NowMs() - start > boundMs) return -1;
        Sleep(pollMs);
    }
}

bool HasButtonTitled(const StandinTaskbar& taskbar, const std::string& title) {
    for (const TaskbarButton& b : taskbar.Buttons())
        if (b.title == title) return true;
    return false;
}

bool HasButtonOf(const StandinTaskbar& taskbar, HWND w) {
    for (const TaskbarButton& b : taskbar.Buttons())
        if (b.hwnd == w) return true;
    return false;
}

void Report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    if (ms.empty() || ms.front() < 0) {
        printf("%-44s failed\n", what);
        return;
    }
    double median = ms[ms.size() / 2];
    double p95 = ms[std::min(ms.size() - 1, (ms.size() * 95 + 99) / 100 - 1)];
    printf("%-44s median %7.1f ms   95th percentile %7.1f ms   (n=%zu)\n", what, median, p95,
           ms.size());
}

constexpr int LatencyWindows = 50;

// The stand-in's own delay: a window of an application pelmora never groups
// (one window) until its button shows.
void StandinDelay(StandinTaskbar& taskbar) {
    TestApp app;
    if (!app.Launch("", "single.exe")) return;
    std::vector<double> ms;
    for (int i = 0; i < LatencyWindows; ++i) {
        double start = NowMs();
        std::vector<HWND> w = app.Open("title=\"single window\"");
        if (w.empty()) break;
        ms.push_back(TimeUntil(start, [&] { return HasButtonOf(taskbar, w[0]); }));
        app.Send("destroy " + WindowRef(w[0]));
        TimeUntil(NowMs(), [&] { return !HasButtonOf(taskbar, w[0]); });
    }
    Report("stand-in alone: new window -> its button", ms);
}

// Waits until the program has handled every entry of its event ring (read
// through the program's own copy of the library), so that each window is timed
// on an idle program rather than behind the entries of the one before.
void WaitRingEmpty(int(__cdecl* newMessage)()) {
    if (!newMessage) return;
    double start = NowMs();
    int quiet = 0;
    while (quiet < 3 && NowMs() - start < 10000) {
        quiet = newMessage() == 0 ? quiet + 1 : 0;
        Sleep(10);
    }
}

void Latency(StandinTaskbar& taskbar, const char* label, const char* ini) {
    TestApp editor;
    if (!editor.Launch("open count=2 title=\"memo%d - editor\"", "editor.exe")) return;
    std::string dir = MakeProgramCopy("bench", ini);
    ProgramProcess program;
    if (!program.Start(dir)) return;
    HMODULE ravik = LoadLibraryA((dir + "ravik.dll").c_str());
    auto newMessage = ravik ? reinterpret_cast<int(__cdecl*)()>(
                                  reinterpret_cast<void*>(GetProcAddress(ravik, "NewMessage")))
                            : nullptr;
    TimeUntil(NowMs(), [&] { return HasButtonTitled(taskbar, "2 editor"); }, 60000);
    std::vector<double> ms;
    for (int i = 0; i < LatencyWindows; ++i) {
        WaitRingEmpty(newMessage);
        double start = NowMs();
        if (editor.Open("title=\"another memo - editor\"").empty()) break;
        std::string title = std::to_string(3 + i) + " editor";
        double t = TimeUntil(start, [&] { return HasButtonTitled(taskbar, title); });
        ms.push_back(t);
        if (t < 0) {  // the program never took the window in
            fprintf(stderr, "window %d: no \"%s\"\n%s", i + 1, title.c_str(),
                    taskbar.Text().c_str());
            break;
        }
    }
    Report(label, ms);
    program.ExitThroughTrayMenu(30000);
    if (ravik) FreeLibrary(ravik);
}

void Startup(StandinTaskbar& taskbar) {
    const char* names[] = {"alpha.exe", "bravo.exe", "charlie.exe", "delta.exe"};
    TestApp apps[4];
    for (int i = 0; i < 4; ++i)
        if (!apps[i].Launch("open count=50 title=\"window %d\"", names[i])) return;
    std::vector<double> ms, mainMs;
    for (int run = 0; run < 5; ++run) {
        std::string dir = MakeProgramCopy("bench", nullptr);
        ProgramProcess program;
        double start = NowMs();
        if (!program.Start(dir)) return;
        // The main window comes before the scan: the time to it is Wine's process
        // start, COM and the settings files.
        mainMs.push_back(TimeUntil(start, [&] {
            return !FindWindowOf(program.Pid(), "pelmora", nullptr, true);
        }, 60000));
        ms.push_back(TimeUntil(start, [&] {
            return HasButtonTitled(taskbar, "50 alpha") && HasButtonTitled(taskbar, "50 bravo") &&
                   HasButtonTitled(taskbar, "50 charlie") && HasButtonTitled(taskbar, "50 delta");
        }, 60000, 20));
        program.WaitMainWindow();
        program.ExitThroughTrayMenu(30000);
    }
    Report("start-up to the main window (200 windows)", mainMs);
    Report("start-up to the proxies of 200 windows", ms);
}

}  // namespace

int main(int argc, char** argv) {
    bool latency = argc < 2 || strcmp(argv[1], "latency") == 0;
    bool startup = argc < 2 || strcmp(argv[1], "startup") == 0;
    StandinTaskbar taskbar;
    if (!taskbar.Start()) {
        fprintf(stderr, "the stand-in taskbar did not start\n");
        return 1;
    }
    if (latency) {
        StandinDelay(taskbar);
        Latency(taskbar, "new window -> proxy retitled (default)", nullptr);
        Latency(taskbar, "new window -> proxy retitled (SubClass 0)", "[pelmora]\r\nSubClass=0\r\n");
    }
    if (startup) Startup(taskbar);
    return 0;
}
