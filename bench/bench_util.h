// Timing helpers of the benchmarks.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

// Seconds since an arbitrary start, from the performance counter.
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
