// A resource store of arbitrary bytes through both of its readers: the updater (which loads
// every item) and the read-only reader (which notes offsets and reads on demand). Both must
// refuse or accept the same files, with the same error and the same items.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSeeds.h"
#include "compiler/ResourceUpdater.h"
#include "format/StoreReader.h"

struct ResourceUpdaterAccess {
    static const CUpdateDir& Root(const CResourceUpdater& u) { return u.m_root; }
};

namespace {

struct Seen {
    uint16_t type;
    uint16_t id;
    std::vector<uint8_t> bytes;
};

void WriteSeed(const std::string& path, const std::vector<uint8_t>& stub,
               const std::function<void(CResourceUpdater&)>& fill) {
    const std::vector<uint8_t> copy = stub;
    WriteBytes(path, copy.data(), copy.size());
    CResourceUpdater u;
    u.Open(path, false);
    fill(u);
    u.Commit();
}

void WriteSeeds(const std::string& dir) {
    const std::vector<uint8_t> stub = {'M', 'Z', 0x90, 0, 3, 0, 0, 0, 4, 0, 0, 0, 0xFF, 0xFF, 0, 0};
    WriteSeed(dir + "/empty", stub, [](CResourceUpdater&) {});
    WriteSeed(dir + "/example", stub, [](CResourceUpdater& u) {
        u.Update(349, 1, "abc", 3);
        u.Update(349, 2, "de", 2);
        u.Update(350, 3, "\x01\x00", 2);
    });
    WriteSeed(dir + "/many", stub, [](CResourceUpdater& u) {
        for (int t = 0; t < 3; ++t) {
            for (int i = 0; i < 20; ++i) {
                const std::string data(static_cast<size_t>(i + 1), static_cast<char>('a' + t));
                u.Update(349 + t, i, data.data(), static_cast<uint32_t>(data.size()));
            }
        }
    });
    WriteBytes(dir + "/plain", stub.data(), stub.size());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    SeedEmptyCorpus(*argc, *argv, WriteSeeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = FuzzScratch("store");
    WriteBytes(path, data, size);

    // -1: opened; otherwise 100 * kind + cause of the error.
    int updaterResult = -1;
    std::vector<Seen> updaterItems;
    {
        CResourceUpdater u;
        try {
            u.Open(path, true);
            for (const auto& dir : ResourceUpdaterAccess::Root(u).Children()) {
                const CUpdateDir& typeDir = static_cast<const CUpdateDir&>(*dir);
                for (const auto& item : typeDir.Children()) {
                    const uint8_t* p = item->m_pData.get();
                    updaterItems.push_back(
                        {typeDir.m_wId, item->m_wId, std::vector<uint8_t>(p, p + item->m_dwSize)});
                }
            }
        } catch (const CFileException& e) {
            updaterResult = 100 + e.m_cause;
        } catch (const CArchiveException& e) {
            updaterResult = 200 + e.m_cause;
        }
    }

    int readerResult = -1;
    std::vector<Seen> readerItems;
    {
        CStoreReader r;
        try {
            r.Open(path);
            for (const CStoreReader::Item& item : r.Items()) {
                if (item.qwOffset + item.dwSize > size)
                    __builtin_trap();
                readerItems.push_back({item.wType, item.wId, r.Read(item)});
                if (r.Find(item.wType, item.wId) == nullptr)
                    __builtin_trap();
            }
        } catch (const CFileException& e) {
            readerResult = 100 + e.m_cause;
        } catch (const CArchiveException& e) {
            readerResult = 200 + e.m_cause;
        }
    }

    if (updaterResult != readerResult || updaterItems.size() != readerItems.size())
        __builtin_trap();
    for (size_t i = 0; i < updaterItems.size(); ++i) {
        if (updaterItems[i].type != readerItems[i].type ||
            updaterItems[i].id != readerItems[i].id ||
            updaterItems[i].bytes != readerItems[i].bytes)
            __builtin_trap();
    }
    CFile::Remove(path);
    return 0;
}
