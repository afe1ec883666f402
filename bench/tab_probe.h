// The stand-in's tab-control messages as standin_tabprobe.dll records them
// inside the stand-in's process, each with its time: read from memory the
// library shares, so that watching the stand-in costs it no request.
#pragma once

#include <windows.h>

#include <string>

#include "bench/bench_util.h"
#include "tools/tabprobe/tabprobe.h"

class TabProbe {
  public:
    // Loads the library from the bin folder (with its trailing backslash) and
    // puts the probe in front of the tray's tab control; false when it cannot.
    bool Attach(const std::string& binDir, HWND tray) {
        HMODULE library = LoadLibraryA((binDir + "standin_tabprobe.dll").c_str());
        if (!library || !Bind(library, &install_, "ProbeInstall") ||
            !Bind(library, &subclass_, "ProbeSubclass") ||
            !Bind(library, &restore_, "ProbeRestore") || !Bind(library, &count_, "ProbeCount") ||
            !Bind(library, &recordAt_, "ProbeRecordAt") || !Bind(library, &clear_, "ProbeClear"))
            return false;
        tray_ = tray;
        return install_(tray) && subclass_(tray);
    }
    // Gives the tab control back the procedure it had.
    void Detach() {
        if (tray_) restore_(tray_, 0);
        tray_ = nullptr;
    }
    void Clear() { clear_(); }
    // Waits until the tab control has had no message for quietMs (at most
    // boundMs): the stand-in has painted what it put off and is idle.
    void WaitQuiet(double quietMs, double boundMs = 2000) {
        Clear();
        int seen = 0;
        double start = NowMs(), since = start;
        while (NowMs() - since < quietMs && NowMs() - start < boundMs) {
            Sleep(2);
            int n = count_();
            if (n == seen) continue;
            since = NowMs();
            seen = n;
            if (n > 256) Clear(), seen = 0; // the records are few; counting is enough
        }
    }
    // When the first `message` since Clear arrived (with `item` as the inserted
    // item's window, unless null), in NowMs's milliseconds; -1 when none did.
    double FirstTime(UINT message, HWND item = nullptr) const {
        for (int i = 0; i < count_(); ++i) {
            TabProbeRecord r = recordAt_(i);
            if (r.message == message && (!item || r.itemParam == reinterpret_cast<ULONG_PTR>(item)))
                return Millis(r.time);
        }
        return -1;
    }
    // When the last `message` since Clear arrived; -1 when none did.
    double LastTime(UINT message) const {
        double last = -1;
        for (int i = 0; i < count_(); ++i) {
            TabProbeRecord r = recordAt_(i);
            if (r.message == message) last = Millis(r.time);
        }
        return last;
    }

  private:
    template <typename F> static bool Bind(HMODULE library, F* f, const char* name) {
        *f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
        return *f != nullptr;
    }
    static double Millis(long long ticks) {
        static LARGE_INTEGER frequency = [] {
            LARGE_INTEGER f;
            QueryPerformanceFrequency(&f);
            return f;
        }();
        return static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency.QuadPart);
    }

    HWND tray_ = nullptr;
    int(__cdecl* install_)(HWND) = nullptr;
    int(__cdecl* subclass_)(HWND) = nullptr;
    int(__cdecl* restore_)(HWND, int) = nullptr;
    int(__cdecl* count_)() = nullptr;
    TabProbeRecord(__cdecl* recordAt_)(int) = nullptr;
    void(__cdecl* clear_)() = nullptr;
};
