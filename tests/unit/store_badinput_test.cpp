// Crafted stores: each must give the same archive error through the updater and the read-only
// reader, naming the file, without a crash or a large allocation.
#include <gtest/gtest.h>

#include "compiler/ResourceUpdater.h"
#include "format/StoreReader.h"
#include "store_testutil.h"

namespace {

const std::vector<uint8_t> kStub = {'M', 'Z', 0, 0, 1, 2, 3, 4};

// A file of the stub, the given store bytes and a trailer pointing at them.
std::vector<uint8_t> WithStore(const Bytes& store) {
    return Bytes()
        .Raw(kStub)
        .Raw(store.Get())
        .U32(static_cast<uint32_t>(kStub.size()))
        .U16(0x474B)
        .Get();
}

// A valid start: root id, one type, its tag and type, then count n.
Bytes OneType(uint32_t n) {
    Bytes b;
    b.U16(0).U16(1).NewClass("CUpdateDir").U16(349);
    if (n < 0xFFFF)
        b.U16(static_cast<uint16_t>(n));
    else
        b.U16(0xFFFF).U32(n);
    return b;
}

struct BadCase {
    const char* name;
    std::vector<uint8_t> file;
    CArchiveException::Cause cause;
};

std::vector<BadCase> BadCases() {
    return {
        {"unknown class name",
         WithStore(Bytes().U16(0).U16(1).NewClass("CUpdateXyz").U16(1).U16(0)),
         CArchiveException::badClass},
        {"item class in the root",
         WithStore(Bytes().U16(0).U16(1).NewClass("CUpdateElem").U16(1).U16(0)),
         CArchiveException::badClass},
        {"directory class among items", WithStore(OneType(1).NewClass("CUpdateDir").U16(1).U16(0)),
         CArchiveException::badClass},
        {"class name longer than 63",
         WithStore(Bytes().U16(0).U16(1).NewClass(std::string(64, 'C'))),
         CArchiveException::badClass},
        {"schema 2", WithStore(Bytes().U16(0).U16(1).NewClass("CUpdateDir", 2).U16(1).U16(0)),
         CArchiveException::badSchema},
        {"schema 0 of the item class",
         WithStore(OneType(1).NewClass("CUpdateElem", 0).U16(1).U32(0)),
         CArchiveException::badSchema},
        {"reference to no class", WithStore(Bytes().U16(0).U16(1).U16(0x8001)),
         CArchiveException::badIndex},
        {"reference to an object, not a class",
         WithStore(
             Bytes().U16(0).U16(2).NewClass("CUpdateDir").U16(1).U16(0).U16(0x8002).U16(2).U16(0)),
         CArchiveException::badIndex},
        {"plain object number 0", WithStore(Bytes().U16(0).U16(1).U16(0x0000)),
         CArchiveException::badIndex},
        {"plain object number of an earlier object",
         WithStore(Bytes().U16(0).U16(2).NewClass("CUpdateDir").U16(1).U16(0).U16(0x0002)),
         CArchiveException::badIndex},
        {"long tag with an object number",
         WithStore(Bytes().U16(0).U16(2).NewClass("CUpdateDir").U16(1).U16(0).U16(0x7FFF).U32(1)),
         CArchiveException::badIndex},
        {"long tag naming no class", WithStore(Bytes().U16(0).U16(1).U16(0x7FFF).U32(0x80000009)),
         CArchiveException::badIndex},
        {"root ends early", WithStore(Bytes().U16(0)), CArchiveException::endOfFile},
        {"item data ends early",
         WithStore(OneType(1).NewClass("CUpdateElem").U16(1).U32(100).Text("ab")),
         CArchiveException::endOfFile},
        {"item size 4 GiB - 1",
         WithStore(OneType(1).NewClass("CUpdateElem").U16(1).U32(0xFFFFFFFF)),
         CArchiveException::endOfFile},
        {"item count 4 G", WithStore(OneType(0xFFFFFFFF).NewClass("CUpdateElem").U16(1).U32(0)),
         CArchiveException::endOfFile},
        {"type count 65534", WithStore(Bytes().U16(0).U16(0xFFFE)), CArchiveException::endOfFile},
        {"base beyond the file", Bytes().Raw(kStub).U32(1000000).U16(0x474B).Get(),
         CArchiveException::endOfFile},
        {"base 4 GiB - 1", Bytes().Raw(kStub).U32(0xFFFFFFFF).U16(0x474B).Get(),
         CArchiveException::endOfFile},
    };
}

TEST(StoreBadInput, UpdaterAndReaderRefuseTheSameWay) {
    CTempFolder dir;
    for (const BadCase& c : BadCases()) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("bad.exe");
        WriteAll(path, c.file);

        const long long largest = LargestAllocationDuring([&] {
            CResourceUpdater u;
            try {
                u.Open(path, false);
                ADD_FAILURE() << "updater decoded it";
            } catch (const CArchiveException& e) {
                EXPECT_EQ(e.m_cause, c.cause);
                EXPECT_EQ(e.m_strFileName, path);
            }
            CStoreReader r;
            try {
                r.Open(path);
                ADD_FAILURE() << "reader decoded it";
            } catch (const CArchiveException& e) {
                EXPECT_EQ(e.m_cause, c.cause);
                EXPECT_EQ(e.m_strFileName, path);
            }
            EXPECT_FALSE(r.HasStore());
            EXPECT_TRUE(r.Items().empty());
        });
        // Lengths and counts are checked against the file before anything is allocated.
        EXPECT_LT(largest, 1 << 20);
        // Nothing was written by a failed open.
        EXPECT_EQ(ReadAll(path), c.file);
    }
}

TEST(StoreBadInput, FileWithoutMarkerHasNoStore) {
    CTempFolder dir;
    const std::string path = dir.File("plain.exe");
    WriteAll(path, Bytes().Raw(kStub).U32(8).U16(0x474C).Get());
    CStoreReader r;
    r.Open(path);
    EXPECT_FALSE(r.HasStore());
    EXPECT_TRUE(r.Items().empty());
}

TEST(StoreBadInput, DuplicateIdsInALoadedStoreResolveToTheFirst) {
    // Never written by the updater, but a store may hold one id twice: lookups find the first,
    // removing it uncovers the second, as a scan from the head of the list would.
    CTempFolder dir;
    const std::string path = dir.File("dup.exe");
    WriteAll(path, WithStore(OneType(2)
                                 .NewClass("CUpdateElem")
                                 .U16(1)
                                 .U32(1)
                                 .Text("a")
                                 .U16(0x8003)
                                 .U16(1)
                                 .U32(2)
                                 .Text("bb")));
    {
        CStoreReader r;
        r.Open(path);
        ASSERT_EQ(r.Items().size(), 2u);
        EXPECT_EQ(r.Find(349, 1)->dwSize, 1u);
    }
    CResourceUpdater u;
    u.Open(path, false);
    u.Update(349, 1, nullptr, 0);
    u.Update(349, 1, "ccc", 3);
    u.Commit();
    u.Close();
    CStoreReader r;
    r.Open(path);
    ASSERT_EQ(r.Items().size(), 1u);
    EXPECT_EQ(r.Items()[0].dwSize, 3u);
}

}  // namespace
