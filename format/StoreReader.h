// Read-only access to the resource store of an e-book, for readers that must not copy the whole
// store into memory (the viewer, the command line's list and extract).
//
// Open finds the store through the trailer, walks the directory and notes each item's file offset
// and size without reading its bytes; Read fetches one item's bytes on demand. Every length and
// offset is checked against the file before it is trusted.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "format/BookLayout.h"
#include "platform/File.h"

class CStoreReader {
  public:
    struct Item {
        uint16_t wType;
        uint16_t wId;
        uint64_t qwOffset;  // file offset of the item's bytes
        uint32_t dwSize;    // number of bytes
    };

    CStoreReader();
    ~CStoreReader();

    // Opens path for reading, sharing reading and writing. Throws CFileException (cannot open,
    // shorter than 6 bytes) or CArchiveException (a store that does not decode, items that lie
    // outside the file, a base inside the image of the program the file starts with, a root
    // that does not end right at the trailer, or a certificate table that breaks the rule of
    // FindStoreTrailer); the file is closed again after a failure. A file without the trailer
    // marker opens with HasStore() false and no items.
    void Open(const std::string& path);
    void Close();

    bool HasStore() const { return m_bHasStore; }
    uint32_t GetStoreBase() const { return m_dwStoreBase; }
    const std::string& GetPath() const { return m_strPath; }

    // Entry 4 of the program the file starts with: where its certificate table lies when it is
    // signed (IsSigned()).
    const CertificateEntry& GetCertificate() const { return m_cert; }
    // The bytes of the certificate table (none when the file is not signed). Throws
    // CFileException.
    std::vector<uint8_t> ReadCertificateTable();

    // Items in store order (types in root order, items in type order).
    const std::vector<Item>& Items() const { return m_items; }
    // The item of that type and id, or nullptr.
    const Item* Find(uint16_t type, uint16_t id) const;

    // The bytes of one item. Throws CFileException.
    std::vector<uint8_t> Read(const Item& item);
    // Reads count bytes of an item from offset within it into buffer (for streaming large items).
    void ReadPart(const Item& item, uint32_t offset, void* buffer, uint32_t count);

  private:
    struct Index;
    std::string m_strPath;
    CFile m_file;
    bool m_bHasStore = false;
    uint32_t m_dwStoreBase = 0;
    CertificateEntry m_cert;
    std::vector<Item> m_items;
    std::unique_ptr<Index> m_index;
};
