// The byte layout of the resource store, shared by the updater (which loads and rewrites the
// whole store) and the read-only reader (which only notes where each item lies).
//
//   root record:  u16 0, count of type directories, each: class tag + directory record
//   directory:    u16 type, count of items, each: class tag + item record
//   item:         u16 id, u32 size, size bytes
//   trailer:      u32 store base, u16 0x474B (the last six bytes of the file, or of its data
//                 before the certificate table of a signed e-book: see BookLayout.h)
#pragma once

#include <cstdint>

#include "format/BookLayout.h"
#include "platform/Archive.h"

extern const CArchiveClass kClassUpdateDir;   // "CUpdateDir", schema 1
extern const CArchiveClass kClassUpdateElem;  // "CUpdateElem", schema 1

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

// Reads the root record at the archive's position; the trailer, at file offset trailerAt, must
// follow it at once. Throws CArchiveException (bad class, bad schema, end of file; bad index
// also when bytes lie between the root and the trailer) or the file's CFileException.
void WalkStore(CArchive& ar, CStoreVisitor& visitor, uint64_t trailerAt);

// Finds the trailer of an open file by the rule of FindStoreTrailer: true with *place set when
// the file's data ends in the marker; false when it does not (*place still says where entry 4
// points and where the data ends). A file shorter than six bytes throws
// CFileException(badSeek); a trailer or a certificate entry that breaks the rule (a base inside
// the program's image, a certificate table that is not the file's last part) throws
// CArchiveException(badIndex) naming the file.
bool ReadStoreTrailer(CFile& file, StoreTrailerPlace* place);

// Clears entry 4 and the header checksum (which a signer sets) of a signed program; the caller
// cuts the certificate table off.
void ClearCertificateEntry(CFile& file, const CertificateEntry& cert);

// For the steps that change an e-book's bytes after its store is written, which a signature
// would no longer cover. FindSignature reads only: false when the file is not signed (its head
// names no certificate table); true with *place set when it is, throwing as ReadStoreTrailer
// when the table breaks the rule. CutSignature then makes the file unsigned: entry 4 and the
// checksum are cleared and the table goes with the padding before it (the file ends where its
// data ends). Both throw CFileException.
bool FindSignature(CFile& file, StoreTrailerPlace* place);
void CutSignature(CFile& file, const StoreTrailerPlace& place);
