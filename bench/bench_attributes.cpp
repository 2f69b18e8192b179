// Tag reading speed as one tag's attribute count grows, the shape a hostile page can take.
//
//   bench_attributes [N]
//
// A page holding one start tag with N distinct attributes (80,000 unless given) and one with 2N
// are read by the link finder, which every reader of pages shares (the link check, the search
// index, the contents); the time ratio shows the growth (2 for linear, 4 for quadratic).
// Target: a ratio under 3. Every time is the best of three runs, or of one when it takes more
// than two seconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "html/HtmlLinks.h"
#include "html/HtmlTokenizer.h"

namespace {

const int kRuns = 3;

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::u32string PageWithAttributes(size_t n) {
    std::u32string page = U"<a";
    for (size_t i = 0; i < n; ++i) {
        page += U" x";
        for (char c : std::to_string(i))
            page += static_cast<char32_t>(c);
        page += U"=1";
    }
    return page + U" href=b.html>b</a>";
}

// Best time of kRuns readings of the page; *count receives the references found (so that the
// reading is not optimised away).
double BestTime(const std::u32string& page, size_t* count) {
    double best = 1e9;
    for (int r = 0; r < kRuns; ++r) {
        const double t0 = Now();
        *count = FindPageReferences(page).refs.size();
        best = std::min(best, Now() - t0);
        if (best > 2)
            break;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const size_t n = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 80000;
    const size_t sizes[] = {n, 2 * n};
    double times[2];
    for (int k = 0; k < 2; ++k) {
        size_t count = 0;
        times[k] = BestTime(PageWithAttributes(sizes[k]), &count);
        std::printf("%zu attributes: %.3f s (%zu reference)\n", sizes[k], times[k], count);
    }
    std::printf("ratio: %.2f (2 is linear, 4 quadratic)\n", times[1] / times[0]);
    return 0;
}
