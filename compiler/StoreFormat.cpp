#include "compiler/StoreFormat.h"

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
}

bool ReadStoreTrailer(CFile& file, uint32_t* base) {
    file.Seek(-static_cast<int64_t>(kStoreTrailerSize), CFile::end);
    uint8_t t[kStoreTrailerSize];
    file.ReadExact(t, kStoreTrailerSize);
    const uint16_t marker = static_cast<uint16_t>(t[4] | (t[5] << 8));
    if (marker != kStoreMarker)
        return false;
    *base = static_cast<uint32_t>(t[0]) | (static_cast<uint32_t>(t[1]) << 8) |
            (static_cast<uint32_t>(t[2]) << 16) | (static_cast<uint32_t>(t[3]) << 24);
    return true;
}
