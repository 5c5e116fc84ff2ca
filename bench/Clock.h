// The benchmarks' clock: the performance counter, in milliseconds.
#pragma once
#include <windows.h>

namespace bench {

inline double Milliseconds() {
    static const LONGLONG frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency);
}

} // namespace bench
