// How soon a new window reaches its proxy: the shipped pelmora.exe with the
// stand-in taskbar, from a window's creation in another process to the stand-in
// showing the proxy retitled ("3 editor", "4 editor", ...), over 50 windows, with
// the default settings and with SubClass 0. The floor is the stand-in's own
// delay in showing a new window's button (no pelmora), measured before and
// after the program's runs, so that it sees the same load. Both are timed at
// the stand-in's tab control, by standin_tabprobe.dll, with no request to it.
// With SubClass 0 also what the system's window events cost: an editor that
// raises them as Windows does (both sources), and one whose process the hook
// library cannot enter (the events alone), beside the editor that raises none
// (the hook alone; Wine itself raises only the creation event).
//     bench_shell.exe [windows]
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "bench/tab_probe.h"
#include "core/scoped.h"
#include "tests/support/support.h"

using namespace testing_support;

namespace {

// Each window is timed on an idle stand-in: one that has had no tab message for
// longer than it puts off a repaint.
constexpr double StandinQuietMs = 50;

// Polls every millisecond until cond holds; the time since `start`, or -1
// after boundMs.
template <typename Cond> double TimeUntil(double start, Cond cond, double boundMs = 5000) {
    for (;;) {
        if (cond()) return NowMs() - start;
        if (NowMs() - start > boundMs) return -1;
        Sleep(1);
    }
}

// A window's title as the system holds it, read without a message to its program.
std::string TitleOf(HWND hwnd) {
    wchar_t text[256];
    int n = InternalGetWindowText(hwnd, text, 256);
    char ansi[512];
    int m = WideCharToMultiByte(CP_ACP, 0, text, n, ansi, sizeof ansi, nullptr, nullptr);
    return std::string(ansi, m > 0 ? m : 0);
}

HWND ButtonTitled(const StandinTaskbar& taskbar, const std::string& title) {
    for (const TaskbarButton& b : taskbar.Buttons())
        if (b.title == title) return b.hwnd;
    return nullptr;
}

bool HasButtonOf(const StandinTaskbar& taskbar, HWND w) {
    for (const TaskbarButton& b : taskbar.Buttons())
        if (b.hwnd == w) return true;
    return false;
}

// The stand-in's own delay: a window of an application pelmora never groups
// (one window), until the stand-in's tab control inserts its button.
void StandinDelay(StandinTaskbar& taskbar, TabProbe& probe, int windows, std::vector<double>* ms) {
    TestApp app;
    if (!app.Launch("", "single.exe")) return;
    for (int i = 0; i < windows; ++i) {
        probe.WaitQuiet(StandinQuietMs);
        probe.Clear();
        double start = NowMs();
        std::vector<HWND> w = app.Open("title=\"single window\"");
        if (w.empty()) break;
        double at = -1;
        TimeUntil(start, [&] { return (at = probe.FirstTime(TCM_INSERTITEMW, w[0])) >= 0; });
        // Checked once the time is taken: a state request costs the stand-in a reply
        // listing every button, which asked every millisecond would slow it down.
        if (at >= 0 && TimeUntil(start, [&] { return HasButtonOf(taskbar, w[0]); }) >= 0)
            ms->push_back(at - start);
        app.Send("destroy " + WindowRef(w[0]));
        TimeUntil(NowMs(), [&] { return !HasButtonOf(taskbar, w[0]); });
    }
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

// Which sources tell the program of the editor's windows.
enum class Sources { Hook, HookAndEvents, Events };

// Wine's override for one program keeps the hook library out of its processes.
struct LibraryKeptOut {
    explicit LibraryKeptOut(bool on) : on_(on) {
        if (on_) RegSetKeyValueA(HKEY_CURRENT_USER, Key, "ravik", REG_SZ, "disabled", 9);
    }
    ~LibraryKeptOut() {
        if (on_) RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\editor.exe");
    }
    static constexpr char Key[] = "Software\\Wine\\AppDefaults\\editor.exe\\DllOverrides";
    bool on_;
};

std::vector<double> Latency(StandinTaskbar& taskbar, TabProbe& probe, int windows, const char* ini,
                            Sources sources = Sources::Hook) {
    std::vector<double> ms;
    TestApp editor;
    LibraryKeptOut keptOut(sources == Sources::Events);
    std::string raise = sources == Sources::Hook ? "" : "/winevents ";
    if (!editor.Launch(raise + "open count=2 title=\"memo%d - editor\"", "editor.exe")) return ms;
    std::string dir = MakeProgramCopy("bench", ini);
    if (dir.empty()) return ms;
    ProgramProcess program;
    if (!program.Start(dir)) return ms;
    HMODULE ravik = LoadLibraryA((dir + "ravik.dll").c_str());
    auto newMessage = ProcAs<int(__cdecl*)()>(ravik, "NewMessage");
    HWND proxy = nullptr;
    TimeUntil(
        NowMs(), [&] { return (proxy = ButtonTitled(taskbar, "2 editor")) != nullptr; }, 60000);
    for (int i = 0; proxy && i < windows; ++i) {
        WaitRingEmpty(newMessage);
        probe.WaitQuiet(StandinQuietMs);
        probe.Clear();
        double start = NowMs();
        if (editor.Open("title=\"another memo - editor\"").empty()) break;
        std::string title = std::to_string(3 + i) + " editor";
        // The proxy window has its new title first, then the stand-in's button
        // follows; its retitle is the last TCM_SETITEMW the probe saw by then.
        bool shown = TimeUntil(start, [&] { return TitleOf(proxy) == title; }) >= 0 &&
                     TimeUntil(start, [&] { return ButtonTitled(taskbar, title) == proxy; }) >= 0;
        double at = probe.LastTime(TCM_SETITEMW);
        if (!shown || at < 0) { // the program never took the window in
            fprintf(stderr, "window %d: no \"%s\"\n%s", i + 1, title.c_str(),
                    taskbar.Text().c_str());
            break;
        }
        ms.push_back(at - start);
    }
    program.ExitThroughTrayMenu(30000);
    if (ravik) FreeLibrary(ravik);
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    int windows = argc > 1 ? atoi(argv[1]) : 50;
    StandinTaskbar taskbar;
    if (!taskbar.Start()) {
        fprintf(stderr, "the stand-in taskbar did not start\n");
        return 1;
    }
    TaskbarState state;
    TabProbe probe;
    if (!taskbar.Read(&state) || !probe.Attach(BinDir(), state.tray)) {
        fprintf(stderr, "no probe in the stand-in taskbar\n");
        return 1;
    }
    std::vector<double> floor;
    StandinDelay(taskbar, probe, windows / 2, &floor);
    std::vector<double> byDefault = Latency(taskbar, probe, windows, nullptr);
    const char* hooksOnly = "[pelmora]\r\nSubClass=0\r\n";
    std::vector<double> noSubclass = Latency(taskbar, probe, windows, hooksOnly);
    std::vector<double> both = Latency(taskbar, probe, windows, hooksOnly, Sources::HookAndEvents);
    std::vector<double> events = Latency(taskbar, probe, windows, hooksOnly, Sources::Events);
    StandinDelay(taskbar, probe, windows - windows / 2, &floor);
    probe.Detach();
    const char* floorName = "stand-in alone: new window -> its button";
    PrintSeriesRow(floorName, "ms", floor);
    PrintSeriesRow("new window -> proxy retitled (default settings)", "ms", byDefault,
                   MedianOrNone(floor), floorName);
    PrintSeriesRow("new window -> proxy retitled (SubClass 0)", "ms", noSubclass,
                   MedianOrNone(floor), floorName);
    const char* hookAlone = "the same with the hook alone (SubClass 0)";
    PrintSeriesRow("new window -> proxy retitled (SubClass 0), hook and window events", "ms", both,
                   MedianOrNone(noSubclass), hookAlone);
    PrintSeriesRow("new window -> proxy retitled (SubClass 0), window events alone", "ms", events,
                   MedianOrNone(noSubclass), hookAlone);
    return 0;
}
