// What the native benchmarks measure with: wall time, the process's processor time, its
// resident memory and the peak of it (Linux's /proc/self).
#pragma once

#include <time.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

inline double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Processor time of the whole process (every thread, user and system), in seconds.
inline double ProcessorSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// Kibibytes of a line of /proc/self/status ("VmHWM", "VmRSS"), 0 when it cannot be read.
inline long StatusKiB(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(in, line)) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            return std::atol(line.c_str() + prefix.size());
    }
    return 0;
}

// Starts a new peak of the resident memory (VmHWM) at the present size.
inline void ResetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}
