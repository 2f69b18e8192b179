// The store written item by item: the same bytes as the updater's for the same items, and the
// same refusals.
#include <gtest/gtest.h>

#include <stdexcept>

#include "compiler/ResourceUpdater.h"
#include "compiler/StoreWriter.h"
#include "store_testutil.h"

namespace {

struct Item {
    uint16_t type;
    uint16_t id;
    std::vector<uint8_t> data;
};

// Items of the given types, count[i] items of type 349 + i, of sizes varying with their index.
std::vector<Item> MakeItems(const std::vector<uint32_t>& counts) {
    std::vector<Item> items;
    for (size_t t = 0; t < counts.size(); ++t) {
        for (uint32_t k = 0; k < counts[t]; ++k) {
            Item item{static_cast<uint16_t>(349 + t), static_cast<uint16_t>(k + 1), {}};
            item.data.assign(1 + (k * 37 + t) % 300, static_cast<uint8_t>(k + t));
            items.push_back(std::move(item));
        }
    }
    return items;
}

TEST(StoreWriterTest, SameBytesAsTheUpdater) {
    CTempFolder dir;
    const std::vector<uint8_t> stub(5000, 0x4D);
    const struct {
        const char* name;
        std::vector<uint32_t> counts;
    } cases[] = {
        {"one type, one item", {1}},
        {"two types", {3, 9}},
        // Past 0x7FFF objects the class tags take their long form; past 65,534 items the count.
        {"long tags and counts", {65535, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<Item> items = MakeItems(c.counts);
        const std::string byUpdater = dir.File("updater.exe");
        const std::string byWriter = dir.File("writer.exe");
        WriteAll(byUpdater, stub);
        WriteAll(byWriter, stub);
        {
            CResourceUpdater updater;
            updater.Open(byUpdater, false);
            for (const Item& item : items)
                updater.Update(item.type, item.id, item.data.data(),
                               static_cast<uint32_t>(item.data.size()));
            updater.Commit();
        }
        {
            CFile file;
            file.Open(byWriter, CFile::modeWrite | CFile::shareExclusive);
            CStoreWriter writer(file, static_cast<uint32_t>(c.counts.size()));
            for (size_t k = 0; k < items.size(); ++k) {
                if (k == 0 || items[k].type != items[k - 1].type)
                    writer.BeginType(items[k].type, c.counts[items[k].type - 349]);
                writer.Put(items[k].id, items[k].data.data(),
                           static_cast<uint32_t>(items[k].data.size()));
            }
            writer.Finish();
        }
        EXPECT_TRUE(ReadAll(byWriter) == ReadAll(byUpdater));
    }
}

TEST(StoreWriterTest, RefusesWhatTheStoreCannotHold) {
    CTempFolder dir;
    const std::string path = dir.File("book.exe");
    WriteAll(path, std::vector<uint8_t>(100, 1));
    CFile file;
    file.Open(path, CFile::modeReadWrite | CFile::shareExclusive);
    {
        // Items out of turn: none announced, an empty one, one too many, and finishing early.
        CStoreWriter writer(file, 1);
        EXPECT_THROW(writer.Put(1, "a", 1), std::logic_error);
        EXPECT_THROW(writer.BeginType(349, 0), std::logic_error);
        writer.BeginType(349, 1);
        EXPECT_THROW(writer.Put(1, "", 0), std::logic_error);
        EXPECT_THROW(writer.Finish(), std::logic_error);
        writer.Put(1, "a", 1);
        EXPECT_THROW(writer.Put(2, "b", 1), std::logic_error);
        EXPECT_THROW(writer.BeginType(350, 1), std::logic_error);
    }
    file.Close();

    // The e-book stays below 2 GiB: an item after which the file would be exactly 2 GiB long is
    // refused before any of it is written; with one byte less it is written, and the finished
    // file is 2 GiB less one byte long. The files are sparse (their 2 GiB take no disk); the
    // store's bytes around one item are measured on a small file first.
    const std::vector<uint8_t> item(0x100, 7);
    const auto writeStore = [&item](CFile& f) {
        CStoreWriter writer(f, 1);
        writer.BeginType(349, 1);
        writer.Put(1, item.data(), static_cast<uint32_t>(item.size()));
        writer.Finish();
    };
    const std::string small = dir.File("small.exe");
    WriteAll(small, std::vector<uint8_t>(100, 1));
    uint64_t storeBytes = 0;
    {
        CFile f;
        f.Open(small, CFile::modeReadWrite | CFile::shareExclusive);
        writeStore(f);
        storeBytes = f.GetLength() - 100;
    }
    for (const uint64_t end : {uint64_t(0x80000000u), uint64_t(0x7FFFFFFFu)}) {
        SCOPED_TRACE(end);
        CFile f;
        f.Open(path, CFile::modeReadWrite | CFile::shareExclusive);
        f.SetLength(end - storeBytes);
        if (end == 0x80000000u) {
            CStoreWriter writer(f, 1);
            writer.BeginType(349, 1);
            const uint64_t before = f.GetLength();
            try {
                writer.Put(1, item.data(), static_cast<uint32_t>(item.size()));
                ADD_FAILURE() << "no refusal";
            } catch (const CFileException& e) {
                EXPECT_EQ(e.m_cause, CFileException::badSeek);
            }
            EXPECT_EQ(f.GetLength(), before);
        } else {
            writeStore(f);
            EXPECT_EQ(f.GetLength(), end);
        }
    }
}

}  // namespace
