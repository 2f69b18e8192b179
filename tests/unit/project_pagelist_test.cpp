#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "project/PageList.h"

namespace {

// A project with entries named "0" .. "n-1".
void Fill(CBookProject& p, int n) {
    for (int i = 0; i < n; ++i) {
        auto e = std::make_unique<CPieceElem>();
        e->m_strFile = std::to_string(i);
        p.AddPage(std::move(e));
    }
}

std::string Order(const CBookProject& p) {
    std::string s;
    for (const auto& page : p.m_arrPages)
        s += page->m_strFile;
    return s;
}

std::string Marks(const std::vector<bool>& flags) {
    std::string s;
    for (bool f : flags)
        s += f ? 'x' : '.';
    return s;
}

}  // namespace

TEST(PageListMoves, SelectedRunsMoveAsBlocks) {
    struct Case {
        const char* name;
        bool up;
        const char* selected;  // one mark per row
        const char* order;
        const char* after;
    };
    const Case cases[] = {
        {"up 1,2,4", true, ".xx.x", "12043", "xx.x."},
        {"up 0,1,3: the leading run stays", true, "xx.x.", "01324", "xxx.."},
        {"up last row", true, "....x", "01243", "...x."},
        {"up nothing", true, ".....", "01234", "....."},
        {"up all", true, "xxxxx", "01234", "xxxxx"},
        {"down last row only", false, "....x", "01234", "....x"},
        {"down 0,1,3", false, "xx.x.", "20143", ".xx.x"},
        {"down 0", false, "x....", "10234", ".x..."},
        {"down trailing run stays", false, "...xx", "01234", "...xx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CBookProject p;
        Fill(p, 5);
        std::vector<bool> flags;
        for (const char* m = c.selected; *m; ++m)
            flags.push_back(*m == 'x');
        if (c.up)
            MoveSelectedUp(p, flags);
        else
            MoveSelectedDown(p, flags);
        EXPECT_EQ(Order(p), c.order);
        EXPECT_EQ(Marks(flags), c.after);
    }
}

TEST(PageListMoves, ReportsEachExchangeInOrder) {
    CBookProject p;
    Fill(p, 5);
    std::vector<bool> flags = {false, true, true, false, true};
    std::vector<std::pair<size_t, size_t>> swaps;
    MoveSelectedUp(p, flags, [&](size_t a, size_t b) { swaps.push_back({a, b}); });
    const std::vector<std::pair<size_t, size_t>> expected = {{0, 1}, {1, 2}, {3, 4}};
    EXPECT_EQ(swaps, expected);
}

TEST(PageListMoves, MismatchedOrEmptyListsAreSafe) {
    CBookProject empty;
    std::vector<bool> flags = {true, true};
    MoveSelectedUp(empty, flags);
    MoveSelectedDown(empty, flags);
    EXPECT_EQ(Marks(flags), "xx");

    CBookProject p;
    Fill(p, 4);
    std::vector<bool> fewer = {false, true};  // only two rows known: rows 2, 3 take no part
    MoveSelectedDown(p, fewer);
    EXPECT_EQ(Order(p), "0123");
    MoveSelectedUp(p, fewer);
    EXPECT_EQ(Order(p), "1023");
    std::vector<bool> more = {false, false, false, true, true, true};
    MoveSelectedUp(p, more);
    EXPECT_EQ(Order(p), "1032");
}

TEST(PageListMoves, MoveToFrontKeepsTheEntryItself) {
    CBookProject p;
    Fill(p, 5);
    CPieceElem* last = p.GetPage(4);
    MoveToFront(p, 4);
    EXPECT_EQ(Order(p), "40123");
    EXPECT_EQ(p.GetPage(0), last);
    MoveToFront(p, 0);
    EXPECT_EQ(Order(p), "40123");
    MoveToFront(p, 5);  // past the end: nothing happens
    EXPECT_EQ(Order(p), "40123");
}

TEST(PageListRows, FileNameAndIncludedMark) {
    CPieceElem e;
    e.m_strFile = "img\\a.gif";
    EXPECT_EQ(GetRowText(e, 0), "img\\a.gif");
    EXPECT_EQ(GetRowText(e, 1), "*");
    e.m_bInProject = 0;
    EXPECT_EQ(GetRowText(e, 1), " ");
    e.m_bInProject = 7;  // any non-zero value counts
    EXPECT_EQ(GetRowText(e, 1), "*");
    EXPECT_EQ(GetRowText(e, 2), "");
}
