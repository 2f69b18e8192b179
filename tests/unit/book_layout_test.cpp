#include <gtest/gtest.h>

#include <algorithm>

#include "format/BookLayout.h"
#include "icon_fake_pe.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Table(const std::vector<std::pair<std::string, uint32_t>>& records) {
    Bytes table;
    for (const auto& r : records) {
        FileTableRecord record;
        record.strName = r.first;
        record.dwPage = r.second;
        record.dwInSequence = 1;
        record.dwReserved = 7;
        record.dwInSearch = 0;
        AppendFileTableRecord(table, record);
    }
    return table;
}

TEST(BookLayout, FileTableParsesWhatIsWrittenAndNamesTheBadRecord) {
    const Bytes good = Table({{"index.html", 1}, {"a/b.gif", 2}});
    struct Case {
        const char* name;
        Bytes bytes;
        bool ok;
        FileTableProblem::Kind kind;
        size_t record;
    };
    Bytes noZero = good;
    noZero.insert(noZero.end(), {'x', 'y'});
    Bytes shortFields = good;
    shortFields.resize(good.size() - 1);
    const Case cases[] = {
        {"two records", good, true, FileTableProblem::none, 0},
        {"empty table", Bytes(), true, FileTableProblem::none, 0},
        {"a name without its zero", noZero, false, FileTableProblem::cutOff, 3},
        {"fields cut short", shortFields, false, FileTableProblem::cutOff, 2},
        {"an empty name", Table({{"index.html", 1}, {"", 2}}), false, FileTableProblem::emptyName,
         2},
        {"one page under two names", Table({{"a.html", 1}, {"b.html", 2}, {"c.html", 1}}), false,
         FileTableProblem::repeatedPage, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<FileTableRecord> records;
        FileTableProblem problem;
        EXPECT_EQ(ParseFileTable(c.bytes.data(), c.bytes.size(), &records, &problem), c.ok);
        EXPECT_EQ(problem.kind, c.kind);
        EXPECT_EQ(problem.record, c.record);
        if (c.ok) {
            Bytes again;
            for (const FileTableRecord& r : records)
                AppendFileTableRecord(again, r);
            EXPECT_EQ(again, c.bytes);
        }
    }
    std::vector<FileTableRecord> records;
    FileTableProblem problem;
    ASSERT_TRUE(ParseFileTable(good.data(), good.size(), &records, &problem));
    EXPECT_EQ(records[1].strName, "a/b.gif");
    EXPECT_EQ(records[1].dwPage, 2u);
    EXPECT_EQ(records[1].dwReserved, 7u);
}

TEST(BookLayout, ProgramImageEndStaysInsideTheHead) {
    const Bytes viewer = fakepe::MakeViewer(0);
    EXPECT_EQ(ProgramImageEnd(viewer.data(), viewer.size()), fakepe::Layout::kStore);
    // Every head cut before the last field read (the second section's raw data offset) says
    // "no program".
    const size_t tableEnd = fakepe::Layout::kSections + 40 + 24;
    for (size_t n = 0; n < tableEnd; n += 7) {
        SCOPED_TRACE(n);
        const Bytes head(viewer.begin(), viewer.begin() + static_cast<long>(n));
        EXPECT_EQ(ProgramImageEnd(head.data(), head.size()), 0u);
    }
    Bytes farAway = viewer;
    const uint8_t lfanew[4] = {0xF0, 0xFF, 0xFF, 0xFF};  // the PE header "at" 0xFFFFFFF0
    std::copy(lfanew, lfanew + 4, farAway.begin() + 60);
    EXPECT_EQ(ProgramImageEnd(farAway.data(), farAway.size()), 0u);
}

}  // namespace

namespace {

// The program with a store of n bytes and its trailer (the store's bytes are not read here).
Bytes WithStore(Bytes b, size_t n) {
    const uint32_t base = static_cast<uint32_t>(b.size());
    b.insert(b.end(), n, 0x5A);
    PutLe32(b, base);
    b.push_back(0x4B);
    b.push_back(0x47);
    return b;
}

TrailerSearch Find(const Bytes& file, StoreTrailerPlace* place) {
    return FindStoreTrailer(
        file.data(), std::min<size_t>(file.size(), 4096), file.size(),
        [&file](uint64_t offset, uint8_t* buffer, size_t count) {
            ASSERT_LE(offset + count, file.size());
            std::copy_n(file.begin() + static_cast<long>(offset), count, buffer);
        },
        place);
}

TEST(BookLayout, TheStoreOfASignedBookEndsBeforeItsCertificateTable) {
    using fakepe::Entry4At;
    using fakepe::Sign;
    const Bytes book = WithStore(fakepe::MakeSignableViewer(), 13);  // 3 short of a multiple of 8
    const uint64_t trailer = book.size() - kStoreTrailerSize;
    const Bytes aligned = WithStore(fakepe::MakeSignableViewer(), 10);
    const Bytes book64 = WithStore(fakepe::MakeSignableViewer(true), 13);
    const Bytes signedBook = Sign(book, Bytes(3, 0));
    const size_t entry = Entry4At(false);

    Bytes notAtEnd = signedBook;
    notAtEnd.push_back(0);
    // The signed book with entry 4 naming another table.
    const auto entry4 = [&signedBook](uint64_t offset, uint64_t size) {
        Bytes b = signedBook;
        for (size_t k = 0; k < 4; ++k) {
            b.at(Entry4At(false) + k) = static_cast<uint8_t>(offset >> (8 * k));
            b.at(Entry4At(false) + 4 + k) = static_cast<uint8_t>(size >> (8 * k));
        }
        return b;
    };
    const uint64_t table = book.size() + 3;
    const Bytes pastEnd = entry4(table, 41);
    const Bytes sizeZero = entry4(table, 0);
    const Bytes offsetZero = entry4(0, 40);
    const Bytes inImage = entry4(0x100, signedBook.size() - 0x100);
    Bytes overlapping = book;  // a table claiming the store's last 10 bytes and its trailer
    fakepe::Put32(overlapping, entry, static_cast<uint32_t>(book.size() - 16));
    fakepe::Put32(overlapping, entry + 4, 16);
    Bytes fourDirectories = signedBook;  // no entry 4 to read: an unsigned program
    fakepe::Put32(fourDirectories, 0xF4, 4);

    struct Case {
        const char* name;
        Bytes file;
        TrailerSearch result;
        uint64_t trailerAt;
    };
    const Case cases[] = {
        {"unsigned", book, TrailerSearch::found, trailer},
        {"signed after 3 zero bytes", signedBook, TrailerSearch::found, trailer},
        {"signed without padding", Sign(aligned, Bytes()), TrailerSearch::found,
         aligned.size() - kStoreTrailerSize},
        {"signed PE32+", Sign(book64, Bytes(3, 0), true), TrailerSearch::found,
         book64.size() - kStoreTrailerSize},
        {"signed program without a store", Sign(fakepe::MakeSignableViewer(), Bytes()),
         TrailerSearch::none, 0},
        {"eight zero bytes before the table", Sign(book, Bytes(8, 0)), TrailerSearch::none, 0},
        {"fewer than five data directories", fourDirectories, TrailerSearch::none, 0},
        {"padding that is not zero", Sign(book, Bytes{0, 1, 0}), TrailerSearch::badFormat, 0},
        {"table past the end", pastEnd, TrailerSearch::badFormat, 0},
        {"table not at the end", notAtEnd, TrailerSearch::badFormat, 0},
        {"size 0 with an offset", sizeZero, TrailerSearch::badFormat, 0},
        {"offset 0 with a size", offsetZero, TrailerSearch::badFormat, 0},
        {"table overlapping the store", overlapping, TrailerSearch::badFormat, 0},
        {"table inside the program", inImage, TrailerSearch::badFormat, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StoreTrailerPlace place;
        EXPECT_EQ(Find(c.file, &place), c.result);
        if (c.result == TrailerSearch::found) {
            EXPECT_EQ(place.qwAt, c.trailerAt);
            EXPECT_EQ(place.dwBase, fakepe::Layout::kStore);
            EXPECT_EQ(place.qwDataEnd, c.trailerAt + kStoreTrailerSize);
        }
    }
    StoreTrailerPlace place;
    ASSERT_EQ(Find(signedBook, &place), TrailerSearch::found);
    EXPECT_EQ(place.cert.dwOffset, table);
    EXPECT_EQ(place.cert.dwSize, 40u);
    EXPECT_EQ(place.cert.qwEntryAt, entry);
    EXPECT_EQ(place.cert.qwChecksumAt, fakepe::kChecksumAt);
    // A signed program without a store keeps its bytes up to the table: a store goes there.
    ASSERT_EQ(Find(Sign(fakepe::MakeSignableViewer(), Bytes{0, 0}), &place), TrailerSearch::none);
    EXPECT_EQ(place.qwDataEnd, fakepe::Layout::kStore + 2);
    // Heads cut anywhere before the end of entry 4 read as unsigned.
    for (size_t n = 0; n < entry + 8; n += 5) {
        SCOPED_TRACE(n);
        CertificateEntry cert;
        EXPECT_FALSE(ReadCertificateEntry(signedBook.data(), n, &cert));
        EXPECT_FALSE(cert.IsSigned());
    }
}

}  // namespace
