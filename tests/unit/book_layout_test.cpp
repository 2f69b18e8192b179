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
