// The viewer's search on large books: the time to build the index (unpack every page, read its
// text, index its words) and the time a query takes once it is built, on a generated book of
// 1,500 pages (about 6.5 MB of HTML) and, when given, on a real site (Debian's python3.11-doc
// HTML). Prints the figures and their ratios to the targets (index 2 s for the real site, 20 ms
// a query); a ratio of 1 or less meets the target.
//   bench_search CLI [SITE]     (CLI: the native pagevane-cli, which builds the e-books)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "book/Book.h"
#include "book/BookContents.h"
#include "book/BookSearch.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// 1,500 pages of about 4.3 KB: paragraphs of words drawn from a 20,000-word vocabulary with a
// skewed distribution, as in natural text.
void MakeSite(const std::string& dir) {
    std::mt19937 rng(7);
    std::vector<std::string> vocab;
    for (int i = 0; i < 20000; ++i) {
        std::string w;
        const int len = 3 + static_cast<int>(rng() % 8);
        for (int k = 0; k < len; ++k)
            w += static_cast<char>('a' + rng() % 26);
        vocab.push_back(w);
    }
    std::filesystem::create_directories(dir);
    for (int p = 0; p < 1500; ++p) {
        std::string html = "<html><head><title>Page " + std::to_string(p) + " " +
                           vocab[rng() % 200] + "</title></head><body>\n";
        while (html.size() < 4300) {
            html += "<p>";
            for (int k = 0; k < 40; ++k) {
                // Squaring a uniform number favours the first words of the vocabulary.
                const double u = (rng() % 100000) / 100000.0;
                html += vocab[static_cast<size_t>(u * u * vocab.size())] + " ";
            }
            html += "</p>\n";
        }
        html += "</body></html>\n";
        std::ofstream(dir + "/page" + std::to_string(p) + ".html") << html;
    }
}

struct Figures {
    double indexSeconds = 0;
    double querySeconds = 0;
    double contentsSeconds = 0;
    size_t pages = 0;
};

Figures Measure(const std::string& cli, const std::string& site, const std::string& book,
                const std::vector<std::string>& queries) {
    const std::string cmd = cli + " build '" + site + "' -o '" + book + "' -q 2>/dev/null";
    if (std::system(cmd.c_str()) != 0) {
        // Older command lines have no -q.
        const std::string plain = cli + " build '" + site + "' -o '" + book + "' 2>/dev/null";
        if (std::system(plain.c_str()) != 0) {
            std::fprintf(stderr, "bench_search: cannot build %s\n", book.c_str());
            std::exit(1);
        }
    }
    CBook b;
    if (!b.Open(book)) {
        std::fprintf(stderr, "bench_search: cannot open %s\n", book.c_str());
        std::exit(1);
    }
    Figures f;
    CBookSearch search;
    auto start = std::chrono::steady_clock::now();
    search.Build(b);
    f.indexSeconds = Seconds(start);
    const int rounds = 20;
    start = std::chrono::steady_clock::now();
    size_t found = 0;
    for (int r = 0; r < rounds; ++r)
        for (const std::string& q : queries)
            found += search.Search(b, q).nTotal;
    f.querySeconds = Seconds(start) / (rounds * queries.size());
    for (const BookFile& file : b.Files())
        f.pages += file.bInSearch ? 1 : 0;
    // The contents pane reads every page's title the first time it opens.
    start = std::chrono::steady_clock::now();
    const size_t entries = BookContents(b).size();
    f.contentsSeconds = Seconds(start);
    std::printf("  %zu contents entries\n", entries);
    std::printf("  %zu pages searched; %zu hits over %zu queries\n", f.pages, found / rounds,
                queries.size());
    return f;
}

void Print(const char* what, const Figures& f, bool indexTarget) {
    std::printf("%s: index %.3f s", what, f.indexSeconds);
    if (indexTarget)
        std::printf(" (ratio to 2 s: %.2f)", f.indexSeconds / 2.0);
    std::printf("; query %.3f ms (ratio to 20 ms: %.3f)", f.querySeconds * 1e3,
                f.querySeconds / 0.020);
    std::printf("; contents listing %.3f s (ratio to index: %.2f)\n", f.contentsSeconds,
                f.indexSeconds > 0 ? f.contentsSeconds / f.indexSeconds : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_search CLI [SITE]\n");
        return 2;
    }
    char tmpl[] = "/tmp/pv-bench-search-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    MakeSite(dir + "/site");
    const Figures gen = Measure(argv[1], dir + "/site", dir + "/generated.exe",
                                {"page", "lsbbuqs", "\"page 12\"", "a b c", "zzzzzz"});
    Print("generated book, 1,500 pages", gen, false);
    if (argc > 2) {
        const Figures real =
            Measure(argv[1], argv[2], dir + "/site.exe",
                    {"event loop", "\"event loop\"", "asyncio", "the", "dictionary comprehension",
                     "unicode normalization form", "zzzzzz"});
        Print("real site", real, true);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
