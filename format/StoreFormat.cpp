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

void WalkStore(CArchive& ar, CStoreVisitor& visitor, uint64_t trailerAt) {
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
    if (ar.GetPosition() != trailerAt)
        throw CArchiveException(CArchiveException::badIndex, std::string());
}

bool ReadStoreTrailer(CFile& file, StoreTrailerPlace* place) {
    const uint64_t length = file.GetLength();
    if (length < kStoreTrailerSize)
        throw CFileException(CFileException::badSeek, file.GetFilePath());
    uint8_t head[4096];
    file.Seek(0, CFile::begin);
    const uint32_t got = file.Read(head, sizeof head);
    const auto readAt = [&file](uint64_t offset, uint8_t* buffer, size_t count) {
        file.Seek(static_cast<int64_t>(offset), CFile::begin);
        file.ReadExact(buffer, static_cast<uint32_t>(count));
    };
    switch (FindStoreTrailer(head, got, length, readAt, place)) {
        case TrailerSearch::found:
            return true;
        case TrailerSearch::none:
            return false;
        case TrailerSearch::badFormat:
            break;
    }
    throw CArchiveException(CArchiveException::badIndex, file.GetFilePath());
}

void ClearCertificateEntry(CFile& file, const CertificateEntry& cert) {
    const uint8_t zeros[8] = {};
    file.Seek(static_cast<int64_t>(cert.qwEntryAt), CFile::begin);
    file.Write(zeros, 8);
    file.Seek(static_cast<int64_t>(cert.qwChecksumAt), CFile::begin);
    file.Write(zeros, 4);
}

bool FindSignature(CFile& file, StoreTrailerPlace* place) {
    uint8_t head[4096];
    file.Seek(0, CFile::begin);
    const uint32_t got = file.Read(head, sizeof head);
    CertificateEntry cert;
    if (!ReadCertificateEntry(head, got, &cert) || !cert.IsSigned())
        return false;
    ReadStoreTrailer(file, place);
    return true;
}

void CutSignature(CFile& file, const StoreTrailerPlace& place) {
    ClearCertificateEntry(file, place.cert);
    file.SetLength(place.qwDataEnd);
}
