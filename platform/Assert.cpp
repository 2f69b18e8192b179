#include "platform/Assert.h"

#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {
#ifdef NDEBUG
bool g_stop = false;
#else
bool g_stop = true;
#endif
}  // namespace

void SetAssertStops(bool stop) {
    g_stop = stop;
}

bool AssertStops() {
    return g_stop;
}

void PvAssertFailed(const char* file, int line, const char* condition) {
    char text[1024];
    std::snprintf(text, sizeof text, "%s:%d: invariant failed: %s\n", file, line, condition);
    std::fputs(text, stderr);
    std::fflush(stderr);
#ifdef _WIN32
    OutputDebugStringA(text);
#endif
    if (g_stop)
        std::abort();
}
