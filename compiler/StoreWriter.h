// Writing a new resource store item by item, as the items come: for a writer that knows
// beforehand how many types it files and how many items each type holds, and files every item
// once, type after type. Nothing is held in memory but the archive's buffer, so the store can be
// written while its later items are still being made.
//
// The bytes are those CResourceUpdater writes when the same items are put, in the same order,
// into a file that holds no store yet (StoreFormat.h describes them).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Archive.h"
#include "platform/File.h"

class CStoreWriter {
  public:
    // Starts the store at the end of file, which stays open (and is not moved by anybody else)
    // until Finish. typeCount types will follow.
    CStoreWriter(CFile& file, uint32_t typeCount);
    ~CStoreWriter();
    CStoreWriter(const CStoreWriter&) = delete;
    CStoreWriter& operator=(const CStoreWriter&) = delete;

    // Starts the next type, whose itemCount items follow. Throws std::logic_error for a type
    // without items (the store has no empty types), when the previous type is not complete or
    // when all typeCount types have begun.
    void BeginType(uint16_t type, uint32_t itemCount);
    // Writes the next item of the current type. Throws std::logic_error for an empty item (the
    // store has no empty items) or one more than the type announced; CFileException badSeek,
    // before writing it, for an item that would take the file to 2 GiB; the file's
    // CFileException when writing fails.
    void Put(uint16_t id, const void* data, uint32_t size);
    // Writes the trailer and cuts the file after it; the file stays open. Throws
    // std::logic_error when items or types are missing, or the file's CFileException.
    void Finish();

  private:
    void CheckRoom(uint64_t bytes) const;

    CFile& m_file;
    std::unique_ptr<CArchive> m_archive;
    uint64_t m_qwBase;
    uint32_t m_uTypesLeft;
    uint32_t m_uItemsLeft = 0;
};
