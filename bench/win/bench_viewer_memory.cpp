// The viewer's reading of one e-book in a 32-bit process, under Wine: what the splash and the
// contents pane get from it, and what they cost in memory.
//
//     bench_viewer_memory BOOK.exe
//
// Reads the splash picture as the viewer does when it starts, then lists the contents as Ctrl+T
// does, and prints for each whether it finished or an exception escaped it (as one would escape
// the viewer's UI thread), how many pages the contents named unreadable, the seconds, and the
// process's peak working set. Made for books a 32-bit process cannot hold whole: a page of
// hundreds of megabytes, a 16384 x 16384 splash picture.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <exception>
#include <string>

#include "WinBench.h"
#include "book/Book.h"
#include "book/BookContents.h"

namespace {

double PeakMiB() {
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return static_cast<double>(pmc.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_viewer_memory BOOK.exe\n");
        return 2;
    }
    CBook book;
    if (!book.Open(argv[1])) {
        std::fprintf(stderr, "%s\n", book.GetErrorText().c_str());
        return 1;
    }
    std::printf("opened: %zu files, peak %.0f MiB\n", book.Files().size(), PeakMiB());

    double start = Now();
    try {
        SplashImage splash;
        const bool shown = book.ReadSplash(&splash);
        std::printf("splash: %s", book.HasSplash() ? (shown ? "shown" : "none (refused)") : "none");
        if (shown)
            std::printf(" %dx%d", splash.nWidth, splash.nHeight);
    } catch (const std::exception& e) {
        std::printf("splash: escaped (%s)", e.what());
    }
    std::printf(", %.2f s, peak %.0f MiB\n", Now() - start, PeakMiB());

    start = Now();
    try {
        size_t pages = 0, unreadable = 0;
        CContentsTree tree;
        BuildBookContents(book, &tree);
        for (const ContentsEntry& e : tree.Entries()) {
            pages += e.nFile >= 0 ? 1 : 0;
            unreadable += e.bUnreadable ? 1 : 0;
            if (e.bUnreadable)
                std::printf("  unreadable: %s\n", e.strLabel.c_str());
        }
        std::printf("contents: %zu pages, %zu unreadable", pages, unreadable);
    } catch (const std::exception& e) {
        std::printf("contents: escaped (%s)", e.what());
    }
    std::printf(", %.2f s, peak %.0f MiB\n", Now() - start, PeakMiB());
    return 0;
}
