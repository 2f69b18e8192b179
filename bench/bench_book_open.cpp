// How the viewer's start-up grows with the size of the book: opening an e-book (settings, texts,
// file table, directory of every item) and reading its last page, for books of 500, 5,000 and
// 50,000 pages. Prints the best of five runs of each, the cost per page and the ratio of the
// per-page costs of the largest and the smallest book (target: 1.5 or less, i.e. linear), and
// what a page costs to read once the book is open.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "BenchClock.h"
#include "format/BookLayout.h"
#include "format/PackedBlock.h"
#include "compiler/ResourceUpdater.h"
#include "book/Book.h"

namespace {

std::string PageName(int i) {
    return "chapter" + std::to_string(i / 100) + "/page" + std::to_string(i) + ".html";
}

// An e-book of n pages: a stand-in stub, one packed page per entry, the file table, the
// settings record and the texts, filed as the build files them.
void MakeBook(const std::string& path, int n) {
    FILE* f = std::fopen(path.c_str(), "wb");
    const std::vector<uint8_t> stub(65536, 0x90);
    std::fwrite(stub.data(), 1, stub.size(), f);
    std::fclose(f);

    CResourceUpdater u;
    u.Open(path, false);
    std::vector<uint8_t> table;
    for (int i = 0; i < n; ++i) {
        const std::string name = PageName(i);
        const std::string html = "<html><head><title>Page " + std::to_string(i) +
                                 "</title></head><body><p>Text of page " + std::to_string(i) +
                                 ".</p></body></html>";
        const std::vector<uint8_t> block =
            PackBlock(reinterpret_cast<const uint8_t*>(html.data()), html.size());
        u.Update(kPageResourceType, i + 1, block.data(), static_cast<uint32_t>(block.size()));
        FileTableRecord record;
        record.strName = name;
        record.dwPage = static_cast<uint32_t>(i + 1);
        record.dwInSequence = 1;
        record.dwInSearch = 1;
        AppendFileTableRecord(table, record);
    }
    u.Update(kBookResourceType, kFileTableId, table.data(), static_cast<uint32_t>(table.size()));
    std::vector<uint8_t> settings(kSettingsRecordSize, 0);
    settings[4 * kShowToolbar] = 1;
    u.Update(kBookResourceType, kSettingsId, settings.data(), kSettingsRecordSize);
    const char title[] = "Bench";
    for (unsigned id : {kTitleId, kAuthorId, kCopyrightId, kUrlId, kEMailId, kAboutInfoId})
        u.Update(kBookResourceType, static_cast<int>(id), title, sizeof title);
    u.Update(kBookResourceType, kBookMarkerId, kBookMarker, sizeof kBookMarker);
    u.Commit();
}

struct Timing {
    double open = 1e9;  // open the book and read its last page
    double read = 1e9;  // read one page of the open book
};

Timing Measure(const std::string& path, int n) {
    Timing t;
    const std::string last = PageName(n - 1);
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        CBook book;
        if (!book.Open(path)) {
            std::fprintf(stderr, "bench_book_open: %s\n", book.GetErrorText().c_str());
            std::exit(1);
        }
        const BookFile* file = book.FindFile(last);
        std::vector<uint8_t> data;
        std::string error;
        if (!file || !book.ReadFile(*file, &data, &error)) {
            std::fprintf(stderr, "bench_book_open: cannot read %s\n", last.c_str());
            std::exit(1);
        }
        const double opened = Seconds(start);
        if (opened < t.open)
            t.open = opened;

        const int reads = 200;
        const auto readStart = std::chrono::steady_clock::now();
        for (int k = 0; k < reads; ++k) {
            const BookFile* f = book.FindFile(PageName((k * 7919) % n));
            if (!f || !book.ReadFile(*f, &data, &error))
                std::exit(1);
        }
        const double perRead = Seconds(readStart) / reads;
        if (perRead < t.read)
            t.read = perRead;
    }
    return t;
}

}  // namespace

int main() {
    char dir[] = "/tmp/pv-bench-book-XXXXXX";
    if (!mkdtemp(dir)) {
        std::perror("mkdtemp");
        return 1;
    }
    const int sizes[] = {500, 5000, 50000};
    Timing timings[3];
    for (int k = 0; k < 3; ++k) {
        const std::string path = std::string(dir) + "/book" + std::to_string(sizes[k]) + ".exe";
        MakeBook(path, sizes[k]);
        timings[k] = Measure(path, sizes[k]);
        std::printf("%6d pages: open + last page %8.2f ms (%.2f us/page); one page %.1f us\n",
                    sizes[k], timings[k].open * 1e3, timings[k].open * 1e6 / sizes[k],
                    timings[k].read * 1e6);
        unlink(path.c_str());
    }
    rmdir(dir);
    const double perPageRatio = (timings[2].open / sizes[2]) / (timings[0].open / sizes[0]);
    std::printf("per-page open cost, 50,000 vs 500 pages: ratio %.2f (target <= 1.5)\n",
                perPageRatio);
    std::printf("one page read, 50,000 vs 500 pages: ratio %.2f\n",
                timings[2].read / timings[0].read);
    return 0;
}
