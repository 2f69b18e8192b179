#include <gtest/gtest.h>

#include <cstring>

#include "compiler/ResourceUpdater.h"
#include "format/StoreFormat.h"
#include "format/StoreReader.h"
#include "icon_fake_pe.h"
#include "store_testutil.h"

struct ResourceUpdaterAccess {
    static const CUpdateDir& Root(const CResourceUpdater& u) { return u.m_root; }
};

namespace {

std::vector<uint8_t> Pattern(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(i * 7 + 3);
    return v;
}

// "type/id=size" for every item of the store in file order, as the read-only reader sees it.
std::string Listing(const std::string& path) {
    CStoreReader reader;
    reader.Open(path);
    std::string s;
    for (const CStoreReader::Item& item : reader.Items())
        s += std::to_string(item.wType) + "/" + std::to_string(item.wId) + "=" +
             std::to_string(item.dwSize) + " ";
    return s;
}

class StoreTest : public ::testing::Test {
  protected:
    std::string MakeFile(const std::vector<uint8_t>& bytes, const std::string& name = "book.exe") {
        const std::string path = m_dir.File(name);
        WriteAll(path, bytes);
        return path;
    }
    std::string MakeWorkedExample() {
        const std::string path = MakeFile(Pattern(364544));
        CResourceUpdater u;
        u.Open(path, false);
        u.Update(349, 1, "abc", 3);
        u.Update(349, 2, "de", 2);
        u.Update(350, 3, "\x01\x00", 2);
        u.Commit();
        return path;
    }
    CTempFolder m_dir;
};

TEST_F(StoreTest, WorkedExampleAppendsTheExactBytes) {
    const std::string path = MakeWorkedExample();
    // The 82 bytes: root, type 349 with items 1 and 2, type 350 with item 3, trailer.
    std::vector<uint8_t> expected = Pattern(364544);
    const std::string hex =
        "0000 0200 FFFF 0100 0A00 43557064617465446972 5D01 0200"
        "FFFF 0100 0B00 4355706461746545 6C656D 0100 03000000 616263"
        "0380 0200 02000000 6465 0180 5E01 0100 0380 0300 02000000 0100"
        "00900500 4B47";
    for (size_t i = 0; i < hex.size(); ++i) {
        if (hex[i] != ' ') {
            expected.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
            ++i;
        }
    }
    ASSERT_EQ(expected.size(), 364544u + 82);
    EXPECT_EQ(ReadAll(path), expected);
}

TEST_F(StoreTest, CommitWithoutUpdatesAppendsAnEmptyRootAndTrailer) {
    const std::string path = MakeFile(Pattern(100));
    CResourceUpdater u;
    u.Open(path, false);
    u.Commit();
    EXPECT_EQ(ReadAll(path), Bytes().Raw(Pattern(100)).U32(0).U32(100).U16(0x474B).Get());
}

TEST_F(StoreTest, UpdaterOpenedOnAnotherFileCarriesNothingOver) {
    const std::string book = MakeWorkedExample();
    const std::string other = MakeFile(Pattern(100), "other.exe");
    CResourceUpdater u;
    u.Open(book, false);
    u.Close();
    u.Open(other, false);
    u.Commit();
    EXPECT_EQ(ReadAll(other), Bytes().Raw(Pattern(100)).U32(0).U32(100).U16(0x474B).Get());
}

TEST_F(StoreTest, ReopenAndCommitUnchangedKeepsTheFile) {
    const std::string path = MakeWorkedExample();
    const std::vector<uint8_t> before = ReadAll(path);
    {
        CResourceUpdater u;
        u.Open(path, false);
        u.Commit();
    }
    EXPECT_EQ(ReadAll(path), before);
    {
        // Opened, changed, never committed: untouched.
        CResourceUpdater u;
        u.Open(path, false);
        u.Update(349, 1, "zzzzzz", 6);
        u.Update(351, 9, "q", 1);
    }
    EXPECT_EQ(ReadAll(path), before);
}

TEST_F(StoreTest, SignedBooksReadAndLoseTheirSignatureWhenChanged) {
    // An unsigned e-book, and the same signed after 3 and after 0 bytes of padding.
    const std::string plain = MakeFile(fakepe::MakeSignableViewer(), "plain.exe");
    {
        CResourceUpdater u;
        u.Open(plain, false);
        u.Update(349, 1, "abc", 3);
        u.Update(350, 3, "def", 3);
        u.Commit();
    }
    const std::vector<uint8_t> unsigned_ = ReadAll(plain);
    ASSERT_NE(unsigned_.size() % 8, 0u);
    const size_t padding = 8 - unsigned_.size() % 8;
    const std::vector<uint8_t> signedBook = fakepe::Sign(unsigned_, std::vector<uint8_t>(padding));
    std::vector<uint8_t> noPadding = unsigned_;
    noPadding.resize(unsigned_.size() + padding);  // zeros inside the program, not padding
    for (const auto& c : {std::make_pair("padded", signedBook),
                          std::make_pair("aligned", fakepe::Sign(noPadding, {}))}) {
        SCOPED_TRACE(c.first);
        const std::string path = MakeFile(c.second, "signed.exe");
        EXPECT_EQ(Listing(path), Listing(plain));
        CStoreReader reader;
        reader.Open(path);
        EXPECT_EQ(reader.ReadCertificateTable(), std::vector<uint8_t>(40, 0xC3));
        reader.Close();
        // An update of the store drops the certificate table and clears entry 4 and the
        // checksum.
        CResourceUpdater u;
        u.Open(path, false);
        u.Update(349, 2, "fg", 2);
        u.Commit();
        u.Close();
        const std::vector<uint8_t> after = ReadAll(path);
        EXPECT_EQ(fakepe::Get32(after, fakepe::Entry4At(false)), 0u);
        EXPECT_EQ(fakepe::Get32(after, fakepe::Entry4At(false) + 4), 0u);
        EXPECT_EQ(fakepe::Get32(after, fakepe::kChecksumAt), 0u);
        EXPECT_EQ(Listing(path), "349/1=3 349/2=2 350/3=3 ");
    }
    // Removing the signature gives back the unsigned bytes.
    const std::string path = MakeFile(signedBook, "signed.exe");
    CFile file;
    file.Open(path, CFile::modeReadWrite | CFile::shareExclusive);
    StoreTrailerPlace place;
    ASSERT_TRUE(FindSignature(file, &place));
    CutSignature(file, place);
    file.Close();
    EXPECT_EQ(ReadAll(path), unsigned_);
}

TEST_F(StoreTest, UpdatesKeepOrderAndReplaceInPlace) {
    struct Case {
        const char* name;
        std::function<void(CResourceUpdater&)> apply;
        std::string listing;
        long long growth;  // file size change against the worked example
    };
    const Case cases[] = {
        {"new item goes last in its type", [](CResourceUpdater& u) { u.Update(349, 7, "xyzw", 4); },
         "349/1=3 349/2=2 349/7=4 350/3=2 ", 8 + 4},
        {"new type goes last", [](CResourceUpdater& u) { u.Update(348, 1, "x", 1); },
         "349/1=3 349/2=2 350/3=2 348/1=1 ", 2 + 2 + 2 + 2 + 6 + 1},
        {"replace keeps the position", [](CResourceUpdater& u) { u.Update(349, 1, "ABCDEFG", 7); },
         "349/1=7 349/2=2 350/3=2 ", 4},
        {"shorter data shrinks the store", [](CResourceUpdater& u) { u.Update(349, 1, "A", 1); },
         "349/1=1 349/2=2 350/3=2 ", -2},
        {"id 65537 is id 1", [](CResourceUpdater& u) { u.Update(349, 65537, "A", 1); },
         "349/1=1 349/2=2 350/3=2 ", -2},
        {"type 65885 is type 349", [](CResourceUpdater& u) { u.Update(349 + 65536, 2, "Q", 1); },
         "349/1=3 349/2=1 350/3=2 ", -1},
        {"size 0 removes one item", [](CResourceUpdater& u) { u.Update(349, 1, nullptr, 0); },
         "349/2=2 350/3=2 ", -(8 + 3)},
        {"removing the last item drops its type",
         [](CResourceUpdater& u) { u.Update(350, 3, nullptr, 0); }, "349/1=3 349/2=2 ",
         -(2 + 2 + 2 + 2 + 6 + 2)},
        {"size 0 for a missing id or type changes nothing",
         [](CResourceUpdater& u) {
             u.Update(349, 5, nullptr, 0);
             u.Update(400, 1, nullptr, 0);
         },
         "349/1=3 349/2=2 350/3=2 ", 0},
        {"removed and added again goes last",
         [](CResourceUpdater& u) {
             u.Update(349, 1, nullptr, 0);
             u.Update(349, 1, "abc", 3);
         },
         "349/2=2 349/1=3 350/3=2 ", 0},
        {"removing every item leaves an empty root",
         [](CResourceUpdater& u) {
             u.Update(349, 1, nullptr, 0);
             u.Update(349, 2, nullptr, 0);
             u.Update(350, 3, nullptr, 0);
         },
         "", 10 - 82},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = MakeWorkedExample();
        const std::vector<uint8_t> before = ReadAll(path);
        {
            CResourceUpdater u;
            u.Open(path, false);
            c.apply(u);
            u.Commit();
        }
        const std::vector<uint8_t> after = ReadAll(path);
        EXPECT_EQ(Listing(path), c.listing);
        EXPECT_EQ(static_cast<long long>(after.size()) - static_cast<long long>(before.size()),
                  c.growth);
        // The bytes before the store are untouched and the trailer names the same base.
        ASSERT_GE(after.size(), 364544u + 6);
        EXPECT_TRUE(std::equal(before.begin(), before.begin() + 364544, after.begin()));
        EXPECT_EQ(std::vector<uint8_t>(after.end() - 6, after.end()),
                  Bytes().U32(364544).U16(0x474B).Get());
    }
}

TEST_F(StoreTest, ItemBytesRoundTripThroughBothReaders) {
    const std::string path = MakeFile(Pattern(10));
    const std::vector<uint8_t> big = Pattern(100000);  // larger than the archive's buffer
    {
        CResourceUpdater u;
        u.Open(path, false);
        std::vector<uint8_t> copy = big;
        u.Update(349, 4, copy.data(), static_cast<uint32_t>(copy.size()));
        copy.assign(copy.size(), 0);  // the updater holds its own copy
        u.Update(350, 1, "x", 1);
        u.Commit();
    }
    CStoreReader reader;
    reader.Open(path);
    ASSERT_TRUE(reader.HasStore());
    EXPECT_EQ(reader.GetStoreBase(), 10u);
    const CStoreReader::Item* item = reader.Find(349, 4);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(reader.Read(*item), big);
    uint8_t part[5];
    reader.ReadPart(*item, 99995, part, 5);
    EXPECT_EQ(0, std::memcmp(part, big.data() + 99995, 5));
    EXPECT_THROW(reader.ReadPart(*item, 99996, part, 5), CFileException);
    EXPECT_EQ(reader.Find(349, 5), nullptr);

    CResourceUpdater again;
    again.Open(path, true);
    const CUpdateDir& root = ResourceUpdaterAccess::Root(again);
    ASSERT_EQ(root.GetCount(), 2u);
    const CUpdateDir& dir = static_cast<const CUpdateDir&>(*root.Children().front());
    const CUpdateElem* elem = dir.Find(4);
    ASSERT_NE(elem, nullptr);
    ASSERT_EQ(elem->m_dwSize, big.size());
    EXPECT_EQ(0, std::memcmp(elem->m_pData.get(), big.data(), big.size()));
}

TEST_F(StoreTest, CountsOf65535AndMoreTakeTheLongForm) {
    for (const uint32_t n : {65534u, 65535u}) {
        SCOPED_TRACE(n);
        const std::string path = MakeFile(Pattern(6), "count" + std::to_string(n));
        {
            CResourceUpdater u;
            u.Open(path, false);
            for (uint32_t id = 0; id < n; ++id)
                u.Update(349, static_cast<int>(id), "z", 1);
            u.Commit();
        }
        const std::vector<uint8_t> bytes = ReadAll(path);
        // root id, 1 type, the directory tag (16 bytes), the type, then the item count.
        const size_t at = 6 + 2 + 2 + 16 + 2;
        const std::vector<uint8_t> count(bytes.begin() + at, bytes.begin() + at + 6);
        if (n < 65535)
            EXPECT_EQ(count, Bytes().U16(static_cast<uint16_t>(n)).U16(0xFFFF).U16(1).Get());
        else
            EXPECT_EQ(count, Bytes().U16(0xFFFF).U32(n).Get());
        CStoreReader reader;
        reader.Open(path);
        EXPECT_EQ(reader.Items().size(), n);
        EXPECT_EQ(reader.Items().back().wId, static_cast<uint16_t>(n - 1));
    }
}

TEST_F(StoreTest, OpenFailuresAreFileErrors) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;  // empty name: no file at all
        bool create;
        CFileException::Cause cause;
    };
    const Case cases[] = {
        {"missing file", {}, false, CFileException::fileNotFound},
        {"empty file", {}, true, CFileException::badSeek},
        {"five bytes", {1, 2, 3, 4, 5}, true, CFileException::badSeek},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = m_dir.File(std::string("f-") + c.name);
        if (c.create)
            WriteAll(path, c.bytes);
        CResourceUpdater u;
        try {
            u.Open(path, false);
            ADD_FAILURE() << "opened";
        } catch (const CFileException& e) {
            EXPECT_EQ(e.m_cause, c.cause);
            EXPECT_EQ(e.m_strFileName, path);
        }
        CStoreReader r;
        try {
            r.Open(path);
            ADD_FAILURE() << "reader opened";
        } catch (const CFileException& e) {
            EXPECT_EQ(e.m_cause, c.cause);
        }
    }
}

// Six bytes 00 00 00 00 4B 47 would be a store at offset 0 whose root id and count are the
// trailer itself: a file that is nothing but a trailer. Both readers call it damaged, as they do a
// root that stops short of the trailer and a base inside the program the store is appended to.
TEST_F(StoreTest, TrailersThatDoNotEndTheirStoreAreDamaged) {
    std::vector<uint8_t> program = fakepe::MakeViewer(0);
    Bytes inside;
    inside.Raw(program).U16(0).U16(0).U32(0x100).U16(0x474B);
    Bytes gap;
    gap.Raw(program).U16(0).U16(0).U8(0).U32(static_cast<uint32_t>(program.size())).U16(0x474B);
    Bytes good;
    good.Raw(program).U16(0).U16(0).U32(static_cast<uint32_t>(program.size())).U16(0x474B);
    const std::pair<const char*, std::vector<uint8_t>> cases[] = {
        {"only a trailer", Bytes().U32(0).U16(0x474B).Get()},
        {"base inside the program", inside.Get()},
        {"a byte between root and trailer", gap.Get()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        const std::string path = MakeFile(c.second);
        CStoreReader r;
        try {
            r.Open(path);
            ADD_FAILURE() << "opened";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::badIndex);
            EXPECT_EQ(e.m_strFileName, path);
        }
        CResourceUpdater u;
        EXPECT_THROW(u.Open(path, false), CArchiveException);
        EXPECT_EQ(ReadAll(path), c.second);
    }
    CStoreReader r;
    r.Open(MakeFile(good.Get()));
    EXPECT_TRUE(r.HasStore());
}

TEST_F(StoreTest, WritingUpdaterHoldsTheFileAlone) {
    const std::string path = MakeWorkedExample();
    CResourceUpdater writer;
    writer.Open(path, false);
    CStoreReader reader;
    try {
        reader.Open(path);
        ADD_FAILURE() << "shared";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::sharingViolation);
    }
    writer.Close();
    reader.Open(path);
    CResourceUpdater readOnly;
    readOnly.Open(path, true);  // readers share with each other
    EXPECT_EQ(reader.Items().size(), 3u);
    // A read-only updater cannot commit; the file stays as it was.
    const std::vector<uint8_t> before = ReadAll(path);
    readOnly.Update(349, 1, "x", 1);
    EXPECT_THROW(readOnly.Commit(), CFileException);
    EXPECT_EQ(ReadAll(path), before);
}

TEST_F(StoreTest, StoreThatWouldReachTwoGibibytesIsRefusedBeforeWriting) {
    struct Case {
        const char* name;
        uint64_t length;  // of the file before the store
        uint32_t item;    // bytes of one item added (0: none)
        bool fits;
    };
    // An empty store adds 10 bytes; one item of n bytes in a new type adds 53 + n.
    const Case cases[] = {
        {"empty store ends just below", 0x80000000u - 11, 0, true},
        {"empty store reaches the limit", 0x80000000u - 10, 0, false},
        {"an item reaches the limit", 0x80000000u - 73, 20, false},
        {"an item ends just below", 0x80000000u - 74, 20, true},
        {"the base lies beyond 2 GiB", 0x90000000u, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = m_dir.File("big.exe");
        {
            CFile f;
            f.Open(path, CFile::modeCreate | CFile::modeWrite);
            f.SetLength(c.length);  // sparse: costs no disk space
        }
        CResourceUpdater u;
        u.Open(path, false);
        if (c.item > 0) {
            const std::vector<uint8_t> data(c.item, 0x5A);
            u.Update(349, 1, data.data(), c.item);
        }
        if (c.fits) {
            u.Commit();
            u.Close();
            CStoreReader r;
            r.Open(path);
            EXPECT_EQ(r.GetStoreBase(), c.length);
            EXPECT_EQ(r.Items().size(), c.item > 0 ? 1u : 0u);
        } else {
            try {
                u.Commit();
                ADD_FAILURE() << "committed";
            } catch (const CFileException& e) {
                EXPECT_EQ(e.m_cause, CFileException::badSeek);
                EXPECT_EQ(e.m_strFileName, path);
            }
            u.Close();
            CFile f;
            f.Open(path, CFile::modeRead);
            EXPECT_EQ(f.GetLength(), c.length);  // nothing written
        }
        CFile::Remove(path);
    }
}

}  // namespace
