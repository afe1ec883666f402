// Timing helpers of the benchmarks, and the lines through which each benchmark
// hands its figures to tools/bench.sh.
#pragma once

#include <windows.h>
#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

// Seconds since an arbitrary start, from the performance counter (one clock
// for every process of the machine).
inline double Seconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline double NowMs() {
    return Seconds() * 1000.0;
}

// Nanoseconds per call of `body`, called `count` times.
template <class F> double NanosecondsPerCall(long count, F body) {
    double start = Seconds();
    for (long i = 0; i < count; ++i)
        body();
    return (Seconds() - start) * 1e9 / static_cast<double>(count);
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The median, or -1 (no figure) when there are no values.
inline double MedianOrNone(const std::vector<double>& values) {
    return values.empty() ? -1 : Median(values);
}

// The 95th percentile by nearest rank (the largest value of fewer than 20).
inline double Percentile95(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t rank = (values.size() * 95 + 99) / 100;
    return values[rank > 0 ? rank - 1 : 0];
}

// One row of the results table, printed as a tab-separated line that starts
// with "row"; tools/bench.sh collects these lines from every benchmark and adds
// the ratio figure / floor. A figure without spread (a single value) passes no
// p95; a figure without floor passes a negative floor.
//   row <name> <unit> <median> <p95|-> <n> <floor|-> <what the floor is|->
inline void PrintRow(const char* name, const char* unit, double median, double p95, size_t n,
                     double floor = -1, const char* floorName = nullptr) {
    auto number = [](double v) {
        char text[32];
        if (v < 0) return std::string("-");
        snprintf(text, sizeof text, v >= 100 ? "%.0f" : v >= 10 ? "%.1f" : "%.2f", v);
        return std::string(text);
    };
    printf("row\t%s\t%s\t%s\t%s\t%zu\t%s\t%s\n", name, unit, number(median).c_str(),
           number(p95).c_str(), n, number(floor).c_str(),
           floor >= 0 && floorName ? floorName : "-");
    fflush(stdout);
}

// The row of a series of samples: its median and 95th percentile.
inline void PrintSeriesRow(const char* name, const char* unit, const std::vector<double>& samples,
                           double floor = -1, const char* floorName = nullptr) {
    if (samples.empty()) {
        printf("row\t%s\t%s\tfailed\t-\t0\t-\t-\n", name, unit);
        fflush(stdout);
        return;
    }
    PrintRow(name, unit, Median(samples), Percentile95(samples), samples.size(), floor, floorName);
}
