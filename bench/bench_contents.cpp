// The contents finder (book/BookContents.h) on large books: the time from the start of the build
// to the tree, on a real site when given (Debian's python3.11-doc HTML: 530 pages, about 50 MB)
// and on generated books whose home page holds a nested contents list naming every page, at
// 5,000 and 50,000 pages. Beside the time on every thread it prints the time on one thread, the
// processor time, the time to only unpack the same pages (what no reading can avoid), and the
// process's peak memory while the tree is found, above what the open book held.
// Targets: the real site's tree in 0.5 s on two processors, 32 MiB above the open book; the
// 50,000-page book in 3 s, and linear in the book's size: the ratio of the time per page at
// 50,000 pages to that at 5,000 is about 1 (a ratio to the target of 1 or less meets it).
//   bench_contents CLI [SITE]     (CLI: the native pagevane-cli, which builds the e-books)
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchClock.h"
#include "book/Book.h"
#include "book/BookContents.h"
#include "book/BookSearch.h"

namespace {

// A book of `pages` pages in chapters of 50, in folders of 1,000: the home page's nested list
// names every chapter and page (three levels); every page has a heading, some text, and
// previous/next links, as generated manuals have.
void MakeSite(const std::string& dir, int pages) {
    std::filesystem::create_directories(dir);
    auto name = [](int p) {
        return "part" + std::to_string(p / 1000) + "/page" + std::to_string(p) + ".html";
    };
    std::string home =
        "<!DOCTYPE html><html><head><title>Generated manual</title></head><body>"
        "<h1>Generated manual</h1><nav class=\"toc\"><ul>\n";
    for (int part = 0; part * 1000 < pages; ++part) {
        std::filesystem::create_directories(dir + "/part" + std::to_string(part));
        home +=
            "<li><a href=\"" + name(part * 1000) + "\">Part " + std::to_string(part) + "</a><ul>\n";
        for (int chapter = part * 1000; chapter < std::min(pages, part * 1000 + 1000);
             chapter += 50) {
            home += "<li><a href=\"" + name(chapter) + "#top\">Chapter " +
                    std::to_string(chapter / 50) + "</a><ul>\n";
            for (int p = chapter; p < std::min(pages, chapter + 50); ++p)
                home +=
                    "<li><a href=\"" + name(p) + "\">Section " + std::to_string(p) + "</a></li>\n";
            home += "</ul></li>\n";
        }
        home += "</ul></li>\n";
    }
    home += "</ul></nav></body></html>\n";
    std::ofstream(dir + "/index.html") << home;
    for (int p = 0; p < pages; ++p) {
        std::string page = "<!DOCTYPE html><html><head><title>Section " + std::to_string(p) +
                           " - Generated manual</title></head><body><div class=\"nav\">"
                           "<a href=\"../index.html\" rel=\"start\">Contents</a> ";
        if (p > 0)
            page += "<a rel=\"prev\" href=\"../" + name(p - 1) + "\">Previous</a> ";
        if (p + 1 < pages)
            page += "<a rel=\"next\" href=\"../" + name(p + 1) + "\">Next</a>";
        page += "</div><h1 id=\"top\">Section " + std::to_string(p) + "</h1>";
        for (int k = 0; k < 6; ++k)
            page +=
                "<p>Some text of the section, with <em>a few</em> words in it, and a "
                "<a href=\"#top\">link</a> back to its top.</p>\n";
        page += "</body></html>\n";
        std::ofstream(dir + "/" + name(p)) << page;
    }
}

void Build(const std::string& cli, const std::string& site, const std::string& book) {
    const std::string cmd = cli + " build '" + site + "' -o '" + book + "' -q 2>/dev/null";
    if (std::system(cmd.c_str()) != 0) {
        std::fprintf(stderr, "bench_contents: cannot build %s\n", book.c_str());
        std::exit(1);
    }
}

struct Figures {
    double seconds = 1e30;
    double oneThreadSeconds = 1e30;
    double processorSeconds = 1e30;
    double unpackSeconds = 1e30;
    double peakMiB = 0;
    size_t pages = 0;
    size_t entries = 0;
    int depth = 0;
    std::string source;
};

Figures Measure(const std::string& bookPath, int runs) {
    CBook book;
    if (!book.Open(bookPath)) {
        std::fprintf(stderr, "bench_contents: cannot open %s\n", bookPath.c_str());
        std::exit(1);
    }
    Figures f;
    f.pages = book.Sequence().size();
    for (int run = 0; run < runs; ++run) {
        auto start = std::chrono::steady_clock::now();
        for (size_t index : book.Sequence()) {
            std::vector<uint8_t> data;
            std::string error;
            book.ReadFile(book.Files()[index], &data, &error);
        }
        f.unpackSeconds = std::min(f.unpackSeconds, Seconds(start));
        {
            CContentsTree alone;
            start = std::chrono::steady_clock::now();
            BuildBookContents(book, &alone, nullptr, 1);
            f.oneThreadSeconds = std::min(f.oneThreadSeconds, Seconds(start));
        }
        CContentsTree tree;
        const long before = StatusKiB("VmRSS");
        ResetPeakMemory();
        start = std::chrono::steady_clock::now();
        const double cpu = ProcessorSeconds();
        BuildBookContents(book, &tree);
        f.seconds = std::min(f.seconds, Seconds(start));
        f.processorSeconds = std::min(f.processorSeconds, ProcessorSeconds() - cpu);
        f.peakMiB = std::max(f.peakMiB, (StatusKiB("VmHWM") - before) / 1024.0);
        f.entries = tree.Size();
        f.source = tree.SourceText(book);
        f.depth = 0;
        for (const ContentsEntry& e : tree.Entries())
            f.depth = std::max(f.depth, e.nDepth + 1);
    }
    return f;
}

void Print(const char* what, const Figures& f) {
    std::printf("%s: %zu pages, %zu entries, depth %d, %s\n", what, f.pages, f.entries, f.depth,
                f.source.c_str());
    std::printf(
        "  tree %.3f s on %u threads; one thread %.3f s (ratio %.2f); processor time %.3f s; "
        "unpacking the pages alone %.3f s (tree / unpack %.2f); peak memory %.1f MiB above the "
        "open book\n",
        f.seconds, std::min(std::max(std::thread::hardware_concurrency(), 1u), kMaxSearchThreads),
        f.oneThreadSeconds, f.seconds / f.oneThreadSeconds, f.processorSeconds, f.unpackSeconds,
        f.seconds / f.unpackSeconds, f.peakMiB);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_contents CLI [SITE]\n");
        return 2;
    }
    char tmpl[] = "/tmp/pv-bench-contents-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    if (argc > 2) {
        Build(argv[1], argv[2], dir + "/site.exe");
        const Figures real = Measure(dir + "/site.exe", 3);
        Print("real site", real);
        std::printf("  ratio to 0.5 s: %.2f; ratio to 32 MiB: %.2f\n", real.seconds / 0.5,
                    real.peakMiB / 32);
    }
    Figures sized[2];
    const int sizes[2] = {5000, 50000};
    for (int k = 0; k < 2; ++k) {
        const std::string site = dir + "/generated" + std::to_string(sizes[k]);
        MakeSite(site, sizes[k]);
        Build(argv[1], site, site + ".exe");
        std::filesystem::remove_all(site);
        sized[k] = Measure(site + ".exe", k == 0 ? 3 : 1);
        const std::string what = "generated book, " + std::to_string(sizes[k]) + " pages";
        Print(what.c_str(), sized[k]);
    }
    // Per page, in wall time and in processor time (which a busy machine disturbs far less).
    const double perPageSmall = sized[0].seconds / sized[0].pages;
    const double perPageLarge = sized[1].seconds / sized[1].pages;
    const double cpuSmall = sized[0].processorSeconds / sized[0].pages;
    const double cpuLarge = sized[1].processorSeconds / sized[1].pages;
    std::printf(
        "50,000 pages: ratio to 3 s: %.2f; time per page %.1f us at 5,000 pages, %.1f us at "
        "50,000 (ratio %.2f; 1 is linear); processor time per page %.1f us and %.1f us (ratio "
        "%.2f)\n",
        sized[1].seconds / 3, perPageSmall * 1e6, perPageLarge * 1e6, perPageLarge / perPageSmall,
        cpuSmall * 1e6, cpuLarge * 1e6, cpuLarge / cpuSmall);
    std::filesystem::remove_all(dir);
    return 0;
}
