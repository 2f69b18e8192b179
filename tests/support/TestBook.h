// Makes e-books for the viewer's tests the way the build does: a stub's bytes followed by a
// resource store written with CResourceUpdater (packed pages under type 349, the file table,
// settings record, texts, marker and splash under type 350). Portable: used by the native unit
// tests and by the Windows tests under Wine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/PackedBlock.h"
#include "compiler/ResourceUpdater.h"
#include "platform/File.h"

struct TestPage {
    std::string strName;  // file-table name (forward slashes)
    std::string strData;  // the file's bytes
    bool bInSequence = true;
    bool bInSearch = true;
};

class CTestBook {
  public:
    std::vector<TestPage> pages;
    int32_t settings[19] = {};
    std::string title = "Test Book", author, copyright, url, email, about;
    std::string splash;  // a whole .bmp file; empty: no splash item
    // Overrides for damaged books: raw bytes instead of the record (used when non-empty or the
    // flag is set).
    std::string rawFileTable;
    bool bRawFileTable = false;
    std::string rawSettings;
    bool bRawSettings = false;
    bool bBadPackedPage = false;  // page 1 gets a block that does not unpack

    CTestBook& Page(const std::string& name, const std::string& data, bool seq = true,
                    bool search = true) {
        pages.push_back(TestPage{name, data, seq, search});
        return *this;
    }

    static void WriteFile(const std::string& path, const std::string& bytes) {
        CFile f;
        f.Open(path, CFile::modeCreate | CFile::modeWrite);
        if (!bytes.empty())
            f.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
        f.Close();
    }

    static std::string ReadFile(const std::string& path) {
        CFile f;
        f.Open(path, CFile::modeRead | CFile::shareDenyNone);
        std::string bytes(static_cast<size_t>(f.GetLength()), '\0');
        if (!bytes.empty())
            f.ReadExact(&bytes[0], static_cast<uint32_t>(bytes.size()));
        return bytes;
    }

    static std::string FileTableRecord(const std::string& name, uint32_t page, bool seq,
                                       bool search) {
        std::string r = name;
        r += '\0';
        AppendU32(r, page);
        AppendU32(r, seq ? 1 : 0);
        AppendU32(r, 0);
        AppendU32(r, search ? 1 : 0);
        return r;
    }

    std::string SettingsRecord() const {
        std::string r;
        for (int32_t v : settings)
            AppendU32(r, static_cast<uint32_t>(v));
        return r;
    }

    // Writes stub followed by the book's store to path.
    void Write(const std::string& path, const std::string& stub) const {
        WriteFile(path, stub);
        CResourceUpdater updater;
        updater.Open(path, false);
        std::string table;
        for (size_t i = 0; i < pages.size(); ++i) {
            const TestPage& p = pages[i];
            std::vector<uint8_t> block =
                PackBlock(reinterpret_cast<const uint8_t*>(p.strData.data()), p.strData.size());
            if (i == 0 && bBadPackedPage)
                block.resize(block.size() / 2);
            updater.Update(349, static_cast<int>(i + 1), block.data(),
                           static_cast<uint32_t>(block.size()));
            table += FileTableRecord(p.strName, static_cast<uint32_t>(i + 1), p.bInSequence,
                                     p.bInSearch);
        }
        if (bRawFileTable)
            table = rawFileTable;
        Put(updater, 2, table);
        if (!splash.empty()) {
            const std::vector<uint8_t> block =
                PackBlock(reinterpret_cast<const uint8_t*>(splash.data()), splash.size());
            updater.Update(350, 15, block.data(), static_cast<uint32_t>(block.size()));
        }
        Put(updater, 3, bRawSettings ? rawSettings : SettingsRecord());
        const std::string* texts[] = {&title, &author, &copyright, &url, &email, &about};
        const int ids[] = {6, 7, 8, 9, 10, 12};
        for (int i = 0; i < 6; ++i)
            Put(updater, ids[i], std::string(*texts[i]) + '\0');
        Put(updater, 14, std::string("EBOOK", 6));
        updater.Commit();
        updater.Close();
    }

    // A small bitmap file: width x height, 24 bits, bottom-up, one colour.
    static std::string Bitmap(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
        const uint32_t stride = static_cast<uint32_t>((width * 3 + 3) & ~3);
        const uint32_t pixels = stride * static_cast<uint32_t>(height);
        std::string f = "BM";
        AppendU32(f, 54 + pixels);
        AppendU32(f, 0);
        AppendU32(f, 54);
        AppendU32(f, 40);
        AppendU32(f, static_cast<uint32_t>(width));
        AppendU32(f, static_cast<uint32_t>(height));
        f += std::string("\x01\x00\x18\x00", 4);  // planes 1, 24 bits
        AppendU32(f, 0);                          // BI_RGB
        AppendU32(f, pixels);
        AppendU32(f, 2835);
        AppendU32(f, 2835);
        AppendU32(f, 0);
        AppendU32(f, 0);
        for (int y = 0; y < height; ++y) {
            std::string row;
            for (int x = 0; x < width; ++x) {
                row += static_cast<char>(b);
                row += static_cast<char>(g);
                row += static_cast<char>(r);
            }
            row.resize(stride, '\0');
            f += row;
        }
        return f;
    }

    static void AppendU32(std::string& s, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            s += static_cast<char>((v >> (8 * i)) & 0xFF);
    }

  private:
    static void Put(CResourceUpdater& updater, int id, const std::string& bytes) {
        updater.Update(350, id, bytes.data(), static_cast<uint32_t>(bytes.size()));
    }
};
