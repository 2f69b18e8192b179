// What the Windows benchmarks share.
#pragma once

#include <windows.h>

// Seconds on the performance counter.
inline double Now() {
    LARGE_INTEGER f, t;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}
