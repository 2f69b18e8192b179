#include "format/StoreFormat.h"

#include "format/BookLayout.h"

const CArchiveClass kClassUpdateDir = {"CUpdateDir", 1};
const CArchiveClass kClassUpdateElem = {"CUpdateElem", 1};

namespace {

const CArchiveClass* const kStoreClasses[] = {&kClassUpdateDir, &kClassUpdateElem};

// The fewest bytes a directory (tag, type, count) and an item (tag, id, size) can take: a count
// is checked against the bytes left before the walk trusts it.
const uint64_t kMinDirBytes = 2 + 2 + 2;
const uint64_t kMinItemBytes = 2 + 2 + 4;

uint32_t ReadCheckedCount(CArchive& ar, uint64_t minBytes) {
    const uint32_t count = ar.ReadCount();
    ar.Require(static_cast<uint64_t>(count) * minBytes);
    return count;
}

}  // namespace

void WalkStore(CArchive& ar, CStoreVisitor& visitor) {
    visitor.OnRoot(ar.ReadU16());
    const uint32_t dirs = ReadCheckedCount(ar, kMinDirBytes);
    for (uint32_t d = 0; d < dirs; ++d) {
        ar.ReadObjectTag(kClassUpdateDir, kStoreClasses, 2);
        visitor.OnDirBegin(ar.ReadU16());
        const uint32_t items = ReadCheckedCount(ar, kMinItemBytes);
        for (uint32_t i = 0; i < items; ++i) {
            ar.ReadObjectTag(kClassUpdateElem, kStoreClasses, 2);
            const uint16_t id = ar.ReadU16();
            const uint32_t size = ar.ReadU32();
            ar.Require(size);
            visitor.OnItem(id, size, ar);
        }
        visitor.OnDirEnd();
    }
    // The trailer follows the root at once: bytes between them mean the trailer points
    // somewhere that is not the start of this store.
    if (ar.BytesLeft() != kStoreTrailerSize)
        throw CArchiveException(CArchiveException::badIndex, std::string());
}

bool ReadStoreTrailer(CFile& file, uint32_t* base) {
    file.Seek(-static_cast<int64_t>(kStoreTrailerSize), CFile::end);
    uint8_t t[kStoreTrailerSize];
    file.ReadExact(t, kStoreTrailerSize);
    const ByteReader trailer(t, sizeof t);
    uint16_t marker = 0;
    if (!trailer.U16At(4, &marker) || marker != kStoreMarker || !trailer.U32At(0, base))
        return false;
    // The store is appended to the program: a base inside the program's image would read the
    // program's own bytes as book data.
    uint8_t head[4096];
    file.Seek(0, CFile::begin);
    const uint32_t got = file.Read(head, sizeof head);
    if (*base < ProgramImageEnd(head, got))
        throw CArchiveException(CArchiveException::badIndex, file.GetFilePath());
    return true;
}
