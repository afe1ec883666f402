// How soon the program's main window answers WM_NULL while a grouped window
// retitles itself without pause (the test application's "spin", about a
// thousand titles a second), with the default settings (titles are sent
// messages, which the message-queue hook does not record) and with hooks only
// (every title is an entry in the event ring), and with hooks only from an
// editor that also raises the system's window events as Windows does (every
// title is an entry and a name-change event too). tools/bench.sh runs it:
//     bench_answer.exe [seconds]      (5 seconds per setting by default)
// It prints the worst answer, which must stay under 250 ms, with the median
// and the 99th percentile, and the same while nothing retitles itself; the
// worst answer is a row of tools/bench.sh's table, beside the worst while idle.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "tests/support/support.h"

using namespace testing_support;

namespace {

// The answers to back-to-back WM_NULLs over `seconds`, in milliseconds.
std::vector<double> Answers(HWND main, double seconds) {
    std::vector<double> ms;
    double end = Seconds() + seconds;
    while (Seconds() < end) {
        double start = Seconds();
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result)) return {};
        ms.push_back((Seconds() - start) * 1000);
    }
    return ms;
}

// The worst answer, or -1 when there was none.
double Report(const char* what, std::vector<double> ms) {
    if (ms.empty()) {
        printf("%-44s no answer within 10 s\n", what);
        return -1;
    }
    std::sort(ms.begin(), ms.end());
    printf("%-44s worst %7.2f ms   median %6.3f ms   99th percentile %6.3f ms   (n=%zu)\n", what,
           ms.back(), ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.size());
    return ms.back();
}

bool HasButtonTitled(const StandinTaskbar& taskbar, const char* title) {
    for (const TaskbarButton& b : taskbar.Buttons())
        if (b.title == title) return true;
    return false;
}

void Measure(const char* label, const char* ini, double seconds, bool events = false) {
    StandinTaskbar taskbar;
    TestApp editor;
    ProgramProcess program;
    std::string open = events ? "/winevents open count=2" : "open count=2";
    if (!taskbar.Start() || !editor.Launch(open, "editor.exe") ||
        !program.Start(MakeProgramCopy("answer", ini)) ||
        !WaitUntil([&] { return HasButtonTitled(taskbar, "2 editor"); }, 30000)) {
        printf("%s: the program did not group the editor's windows\n", label);
        return;
    }
    HWND main = program.WaitMainWindow();
    double idle = Report((std::string(label) + ", idle").c_str(), Answers(main, seconds));
    editor.Send("spin #0 on");
    std::vector<double> busy = Answers(main, seconds);
    double worst = Report((std::string(label) + ", a member retitles").c_str(), busy);
    editor.Send("spin #0 off");
    std::string row = std::string("main window's worst answer (WM_NULL), a member retitling "
                                  "itself without pause, ") +
                      label;
    PrintRow(row.c_str(), "ms", worst, -1, busy.size(), idle, "the worst answer while idle");
    program.ExitThroughTrayMenu(30000);
}

} // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? atof(argv[1]) : 5;
    Measure("default settings", nullptr, seconds);
    Measure("hooks only (SubClass 0)", "[pelmora]\r\nSubClass=0\r\n", seconds);
    Measure("SubClass 0, hook and window events", "[pelmora]\r\nSubClass=0\r\n", seconds, true);
    return 0;
}
