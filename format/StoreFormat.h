// The byte layout of the resource store, shared by the updater (which loads and rewrites the
// whole store) and the read-only reader (which only notes where each item lies).
//
//   root record:  u16 0, count of type directories, each: class tag + directory record
//   directory:    u16 type, count of items, each: class tag + item record
//   item:         u16 id, u32 size, size bytes
//   trailer:      u32 store base, u16 0x474B (the last six bytes of the file)
#pragma once

#include <cstdint>

#include "platform/Archive.h"

extern const CArchiveClass kClassUpdateDir;   // "CUpdateDir", schema 1
extern const CArchiveClass kClassUpdateElem;  // "CUpdateElem", schema 1

const uint16_t kStoreMarker = 0x474B;
const uint32_t kStoreTrailerSize = 6;
// File positions are signed 32-bit values for the readers of a store: the file must stay below.
const uint64_t kStoreFileLimit = 0x80000000u;

// What a walk of the store meets, in file order.
class CStoreVisitor {
  public:
    virtual ~CStoreVisitor() = default;
    virtual void OnRoot(uint16_t rootId) = 0;
    virtual void OnDirBegin(uint16_t type) = 0;
    // The item's bytes are next in the archive; size is known to lie inside the file. The
    // visitor reads or skips exactly size bytes.
    virtual void OnItem(uint16_t id, uint32_t size, CArchive& ar) = 0;
    virtual void OnDirEnd() = 0;
};

// Reads the root record at the archive's position; the trailer must follow it at once. Throws
// CArchiveException (bad class, bad schema, end of file; bad index also when bytes lie between
// the root and the trailer) or the file's CFileException.
void WalkStore(CArchive& ar, CStoreVisitor& visitor);

// Reads the trailer of an open file: true with *base set when the file ends in the marker.
// A file shorter than six bytes throws CFileException(badSeek); a base that lies inside the
// image of the Windows program the file starts with throws CArchiveException(badIndex).
bool ReadStoreTrailer(CFile& file, uint32_t* base);
