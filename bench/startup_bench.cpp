// Start-up with 200 windows open (four applications of 50 windows) on the
// stand-in taskbar: the time from starting the shipped pelmora.exe to its main
// window, and to the stand-in showing the four proxies and none of the 200
// windows' own buttons. The floor is bench_bare_startup.exe, which starts the
// same way and makes the same taskbar-list calls and nothing else; the two take
// turns, so that load from other programs falls on both alike. A third start
// finds a takenbuttons.dat of 5,000 records (the open windows, each with a
// process that has ended), against the plain start as its floor.
//     bench_startup.exe [runs]
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "bench/bare_startup.h"
#include "bench/bench_util.h"
#include "taskbar/proxy.h"
#include "tests/support/support.h"

using namespace testing_support;

namespace {

constexpr int WindowsPerApp = 50;
const char* const Names[] = {"alpha", "bravo", "charlie", "delta"}; // the applications
constexpr int Apps = sizeof Names / sizeof Names[0];
constexpr double BoundMs = 60000;

// The stand-in's button count, asked of its tab control directly: far cheaper
// for the stand-in than a state request, so that polling it does not slow down
// the start-up being timed. -1 when it does not answer.
int ButtonCount(HWND tab) {
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutA(tab, TCM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 1000, &count))
        return -1;
    return static_cast<int>(count);
}

// The process's windows of the class (at most `enough` of them are looked for).
int WindowsOfProcess(const char* className, DWORD pid, int enough, HWND* first = nullptr) {
    int n = 0;
    HWND w = nullptr;
    while (n < enough && (w = FindWindowExA(nullptr, w, className, nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner != pid) continue;
        if (first && !n) *first = w;
        ++n;
    }
    return n;
}

// Polls cond every pollMs; the time since start when it held, or -1 after BoundMs.
template <typename Cond> double TimeUntil(double start, Cond cond, DWORD pollMs) {
    for (;;) {
        if (cond()) return NowMs() - start;
        if (NowMs() - start > BoundMs) return -1;
        Sleep(pollMs);
    }
}

// The stand-in's tab control, named in its state's first line ("tab=0x...").
HWND TabControl(const TaskbarState& state) {
    size_t at = state.text.find(" tab=");
    return at == std::string::npos
               ? nullptr
               : reinterpret_cast<HWND>(strtoull(state.text.c_str() + at + 5, nullptr, 16));
}

bool ShowsProxies(const StandinTaskbar& taskbar) {
    int found = 0;
    for (const TaskbarButton& b : taskbar.Buttons())
        for (const char* name : Names)
            if (b.title == std::to_string(WindowsPerApp) + " " + name) ++found;
    return found == Apps;
}

struct Subject {
    std::string commandLine, dir;
    const char* mainClass;
    const char* proxyClass; // its proxies' (the bare program's main window has it too)
    UINT endMessage;        // posted to the main window to end it
    WPARAM endParam;
    std::vector<double> mainMs, proxiesMs;
    std::string takenButtons; // the takenbuttons.dat it finds, none when empty
};

// Records of the windows a killed run took buttons from: each of these windows
// with a process id that no longer matches, so every record is read, checked
// and dropped.
std::string TakenButtonsOf(const std::vector<HWND>& windows, int records) {
    std::string data;
    for (int i = 0; i < records; ++i) {
        DWORD record[2] = {HandleToUlong(windows[i % windows.size()]), 0x40000u + 4 * i};
        data.append(reinterpret_cast<const char*>(record), sizeof record);
    }
    return data;
}

// One start of the subject: the times to its main window and to the proxies,
// then its end, after which every window has its own button again.
bool RunOnce(Subject& s, const StandinTaskbar& taskbar, HWND tab, int before, int after) {
    DWORD pid = 0;
    std::string list = s.dir + "takenbuttons.dat";
    if (s.takenButtons.empty()
            ? !DeleteFileA(list.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND
            : !WriteFileText(list, s.takenButtons))
        return false;
    double start = NowMs();
    HANDLE process = StartProcess(s.commandLine, &pid, s.dir.c_str());
    if (!process) return false;
    HWND main = nullptr;
    double mainMs = TimeUntil(
        start, [&] { return WindowsOfProcess(s.mainClass, pid, 1, &main) > 0; }, 1);
    // Every question to the stand-in is a message it handles between the
    // program's taskbar-list calls: it is asked only once the last proxy exists.
    int proxies = Apps + (strcmp(s.proxyClass, s.mainClass) == 0 ? 1 : 0);
    double proxiesMs = TimeUntil(
        start,
        [&] {
            return WindowsOfProcess(s.proxyClass, pid, proxies) == proxies &&
                   ButtonCount(tab) == after && ShowsProxies(taskbar);
        },
        2);
    bool ok = mainMs >= 0 && proxiesMs >= 0;
    if (ok) s.mainMs.push_back(mainMs), s.proxiesMs.push_back(proxiesMs);
    if (main) PostMessageA(main, s.endMessage, s.endParam, 0);
    if (WaitForSingleObject(process, 30000) != WAIT_OBJECT_0) TerminateProcess(process, 1);
    CloseHandle(process);
    ok = TimeUntil(
             NowMs(), [&] { return ButtonCount(tab) == before; }, 20) >= 0 &&
         ok;
    Sleep(300); // lets the stand-in and the applications settle
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? atoi(argv[1]) : 5;
    StandinTaskbar taskbar;
    TaskbarState state;
    if (!taskbar.Start() || !taskbar.Read(&state)) return fprintf(stderr, "no stand-in\n"), 1;
    TestApp apps[Apps];
    std::string bareArguments;
    std::vector<HWND> windows;
    for (int i = 0; i < Apps; ++i) {
        std::string first = "open count=" + std::to_string(WindowsPerApp) + " title=\"window %d\"";
        if (!apps[i].Launch(first, std::string(Names[i]) + ".exe"))
            return fprintf(stderr, "cannot start %s\n", Names[i]), 1;
        DWORD pid = 0;
        std::vector<HWND> own = apps[i].Windows();
        windows.insert(windows.end(), own.begin(), own.end());
        GetWindowThreadProcessId(own.front(), &pid);
        bareArguments += std::to_string(pid) + ":" + Names[i] + " ";
    }
    HWND tab = TabControl(state);
    int before = -1;
    TimeUntil(
        NowMs(), [&] { return (before = ButtonCount(tab)) >= Apps * WindowsPerApp; }, 20);
    int after = before - Apps * WindowsPerApp + Apps;

    std::string dir = MakeProgramCopy("bench", nullptr);
    if (dir.empty()) return fprintf(stderr, "no copy of the shipped program\n"), 1;
    Subject bare = {"\"" + BinDir() + "bench_bare_startup.exe\" " + bareArguments,
                    BinDir(),
                    bare_startup::WindowClass,
                    bare_startup::WindowClass,
                    WM_CLOSE,
                    0,
                    {},
                    {},
                    ""};
    Subject pelmora = {"\"" + dir + "pelmora.exe\"",
                       dir,
                       "pelmora",
                       TabWndClassName,
                       WM_COMMAND,
                       IDC_TRAY_EXIT,
                       {},
                       {},
                       ""};
    Subject listed = pelmora;
    listed.takenButtons = TakenButtonsOf(windows, 5000);
    for (int run = 0; run < runs; ++run) {
        if (!RunOnce(bare, taskbar, tab, before, after) ||
            !RunOnce(pelmora, taskbar, tab, before, after) ||
            !RunOnce(listed, taskbar, tab, before, after)) {
            fprintf(stderr, "run %d failed\n%s", run + 1, taskbar.Text().c_str());
            break;
        }
        printf("run %d: main window %.0f ms (bare %.0f ms), proxies %.0f ms (bare %.0f ms, "
               "5,000 listed %.0f ms)\n",
               run + 1, pelmora.mainMs.back(), bare.mainMs.back(), pelmora.proxiesMs.back(),
               bare.proxiesMs.back(), listed.proxiesMs.back());
    }
    auto seconds = [](std::vector<double> ms) {
        for (double& v : ms)
            v /= 1000;
        return ms;
    };
    PrintSeriesRow("start-up to the main window (200 windows)", "s", seconds(pelmora.mainMs),
                   MedianOrNone(seconds(bare.mainMs)), "bare program to its window");
    PrintSeriesRow("start-up to the proxies of 200 windows (4 applications)", "s",
                   seconds(pelmora.proxiesMs), MedianOrNone(seconds(bare.proxiesMs)),
                   "bare program, same taskbar-list calls");
    PrintSeriesRow("start-up to the proxies with a list of 5,000 taken buttons", "s",
                   seconds(listed.proxiesMs), MedianOrNone(seconds(pelmora.proxiesMs)),
                   "the same start with no list");
    return 0;
}
