#include "format/BookLayout.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

const uint8_t kBookMarker[6] = {'E', 'B', 'O', 'O', 'K', 0};

bool ByteReader::U8(uint8_t* v) {
    if (Remaining() < 1)
        return false;
    *v = m_data[m_pos++];
    return true;
}

bool ByteReader::U16(uint16_t* v) {
    if (!U16At(m_pos, v))
        return false;
    m_pos += 2;
    return true;
}

bool ByteReader::U32(uint32_t* v) {
    if (!U32At(m_pos, v))
        return false;
    m_pos += 4;
    return true;
}

bool ByteReader::Skip(size_t count) {
    if (count > Remaining())
        return false;
    m_pos += count;
    return true;
}

bool ByteReader::Seek(size_t offset) {
    if (offset > m_size)
        return false;
    m_pos = offset;
    return true;
}

bool ByteReader::CString(std::string* s) {
    const void* nul = Remaining() ? std::memchr(m_data + m_pos, 0, Remaining()) : nullptr;
    if (!nul)
        return false;
    const size_t end = static_cast<size_t>(static_cast<const uint8_t*>(nul) - m_data);
    s->assign(reinterpret_cast<const char*>(m_data + m_pos), end - m_pos);
    m_pos = end + 1;
    return true;
}

bool ByteReader::U16At(uint64_t offset, uint16_t* v) const {
    if (offset > m_size || m_size - offset < 2)
        return false;
    const uint8_t* p = m_data + offset;
    *v = static_cast<uint16_t>(p[0] | (p[1] << 8));
    return true;
}

bool ByteReader::U32At(uint64_t offset, uint32_t* v) const {
    if (offset > m_size || m_size - offset < 4)
        return false;
    const uint8_t* p = m_data + offset;
    *v = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    return true;
}

uint16_t Le16At(const uint8_t* data, size_t size, uint64_t offset) {
    uint16_t v = 0;
    ByteReader(data, size).U16At(offset, &v);
    return v;
}

uint32_t Le32At(const uint8_t* data, size_t size, uint64_t offset) {
    uint32_t v = 0;
    ByteReader(data, size).U32At(offset, &v);
    return v;
}

void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 24));
}

std::string FileTableProblem::Text() const {
    switch (kind) {
        case cutOff:
            return "Its file table is cut off in record " + std::to_string(record) + ".";
        case emptyName:
            return "Record " + std::to_string(record) + " of its file table has no name.";
        case repeatedPage:
            return "Its file table names page " + std::to_string(page) +
                   " more than once (again in record " + std::to_string(record) + ").";
        case none:
            break;
    }
    return std::string();
}

bool ParseFileTable(const uint8_t* data, size_t size, std::vector<FileTableRecord>* records,
                    FileTableProblem* problem) {
    ByteReader in(data, size);
    std::unordered_set<uint32_t> pages;
    while (!in.AtEnd()) {
        FileTableRecord r;
        const size_t number = records->size() + 1;
        if (!in.CString(&r.strName) || !in.U32(&r.dwPage) || !in.U32(&r.dwInSequence) ||
            !in.U32(&r.dwReserved) || !in.U32(&r.dwInSearch)) {
            *problem = {FileTableProblem::cutOff, number};
            return false;
        }
        // No file has an empty name; such a record could only be found by an empty address.
        if (r.strName.empty()) {
            *problem = {FileTableProblem::emptyName, number};
            return false;
        }
        if (!pages.insert(r.dwPage).second) {
            *problem = {FileTableProblem::repeatedPage, number, r.dwPage};
            return false;
        }
        records->push_back(std::move(r));
    }
    return true;
}

void AppendFileTableRecord(std::vector<uint8_t>& table, const FileTableRecord& record) {
    table.insert(table.end(), record.strName.begin(), record.strName.end());
    table.push_back(0);
    PutLe32(table, record.dwPage);
    PutLe32(table, record.dwInSequence);
    PutLe32(table, record.dwReserved);
    PutLe32(table, record.dwInSearch);
}

uint64_t ProgramImageEnd(const uint8_t* head, size_t size) {
    const ByteReader in(head, size);
    uint16_t mz = 0;
    uint32_t nt = 0;
    uint32_t pe = 0;
    if (!in.U16At(0, &mz) || mz != 0x5A4D || !in.U32At(60, &nt) || !in.U32At(nt, &pe) ||
        pe != 0x00004550)
        return 0;
    uint16_t sections = 0;
    uint16_t optional = 0;
    if (!in.U16At(uint64_t{nt} + 6, &sections) || !in.U16At(uint64_t{nt} + 20, &optional))
        return 0;
    const uint64_t table = uint64_t{nt} + 24 + optional;
    uint64_t end = 0;
    for (uint32_t i = 0; i < sections; ++i) {
        uint32_t rawSize = 0;
        uint32_t rawOffset = 0;
        if (!in.U32At(table + i * 40 + 16, &rawSize) || !in.U32At(table + i * 40 + 20, &rawOffset))
            return 0;
        if (uint64_t{rawOffset} + rawSize > end)
            end = uint64_t{rawOffset} + rawSize;
    }
    return end;
}

bool ReadCertificateEntry(const uint8_t* head, size_t size, CertificateEntry* entry) {
    *entry = CertificateEntry();
    const ByteReader in(head, size);
    uint16_t mz = 0;
    uint32_t nt = 0;
    uint32_t pe = 0;
    uint16_t optionalSize = 0;
    uint16_t magic = 0;
    if (!in.U16At(0, &mz) || mz != 0x5A4D || !in.U32At(60, &nt) || !in.U32At(nt, &pe) ||
        pe != 0x00004550 || !in.U16At(uint64_t{nt} + 20, &optionalSize) ||
        !in.U16At(uint64_t{nt} + 24, &magic))
        return false;
    // The data directories follow the fields of the optional header, which PE32+ makes longer;
    // the count of directories is the field right before them.
    const uint64_t optional = uint64_t{nt} + 24;
    uint64_t directories;
    if (magic == 0x010B)
        directories = 96;
    else if (magic == 0x020B)
        directories = 112;
    else
        return false;
    const uint32_t kEntry = 4;
    uint32_t count = 0;
    CertificateEntry e;
    e.qwEntryAt = optional + directories + 8 * kEntry;
    e.qwChecksumAt = optional + 64;
    if (!in.U32At(optional + directories - 4, &count) || count <= kEntry ||
        directories + 8 * (kEntry + 1) > optionalSize || !in.U32At(e.qwEntryAt, &e.dwOffset) ||
        !in.U32At(e.qwEntryAt + 4, &e.dwSize))
        return false;
    *entry = e;
    return true;
}

namespace {

// True when the six bytes at t are a trailer: the base, then the marker.
bool IsTrailer(const uint8_t* t) {
    return Le16At(t, kStoreTrailerSize, 4) == kStoreMarker;
}

}  // namespace

TrailerSearch FindStoreTrailer(const uint8_t* head, size_t headSize, uint64_t length,
                               const std::function<void(uint64_t, uint8_t*, size_t)>& readAt,
                               StoreTrailerPlace* place) {
    *place = StoreTrailerPlace();
    ReadCertificateEntry(head, headSize, &place->cert);
    const CertificateEntry& cert = place->cert;
    const uint64_t imageEnd = ProgramImageEnd(head, headSize);
    uint8_t t[kStoreTrailerSize];
    place->qwDataEnd = length;
    if (!cert.IsSigned()) {
        if (length < kStoreTrailerSize)
            return TrailerSearch::none;
        readAt(length - kStoreTrailerSize, t, sizeof t);
        if (!IsTrailer(t))
            return TrailerSearch::none;
        place->qwAt = length - kStoreTrailerSize;
    } else {
        const uint64_t table = cert.dwOffset;
        if (cert.dwOffset == 0 || cert.dwSize == 0 || table + cert.dwSize != length ||
            table < imageEnd)
            return TrailerSearch::badFormat;
        place->qwDataEnd = table;
        // A table starting inside a store that the file's last bytes close would claim bytes
        // of that store as its own.
        if (length >= kStoreTrailerSize) {
            readAt(length - kStoreTrailerSize, t, sizeof t);
            if (IsTrailer(t) && Le32At(t, sizeof t, 0) <= table)
                return TrailerSearch::badFormat;
        }
        uint8_t before[kStoreTrailerSize + kMaxSignaturePadding];
        const size_t n = table < sizeof before ? static_cast<size_t>(table) : sizeof before;
        readAt(table - n, before, n);
        size_t zeros = 0;
        while (zeros < n && before[n - 1 - zeros] == 0)
            ++zeros;
        // The marker's last byte is not zero, so the first marker met going back from the table
        // is the only candidate: the bytes after it must all be zero.
        size_t pad = 0;
        while (pad <= kMaxSignaturePadding && pad + kStoreTrailerSize <= n &&
               !IsTrailer(before + n - pad - kStoreTrailerSize))
            ++pad;
        if (pad > kMaxSignaturePadding || pad + kStoreTrailerSize > n)
            return TrailerSearch::none;
        if (pad != zeros)
            return TrailerSearch::badFormat;
        place->qwAt = table - pad - kStoreTrailerSize;
        std::copy(before + n - pad - kStoreTrailerSize, before + n - pad, t);
    }
    place->dwBase = Le32At(t, sizeof t, 0);
    place->qwDataEnd = place->qwAt + kStoreTrailerSize;
    // The store is appended to the program: a base inside the program's image would read the
    // program's own bytes as book data.
    if (place->dwBase < imageEnd)
        return TrailerSearch::badFormat;
    return TrailerSearch::found;
}

std::string TooLargeFileMessage(const std::string& path, uint64_t length) {
    return path + " holds " + std::to_string(length) + " bytes; the viewer reads at most " +
           std::to_string(kMaxFileLength) + " bytes (2 GiB less one) of a file.";
}

std::string SplashSizeProblem(const std::string& path, uint64_t length, const uint8_t* head,
                              size_t headSize) {
    if (length > kMaxSplashBytes)
        return path + " holds " + std::to_string(length) +
               " bytes; a splash picture may hold at most " + std::to_string(kMaxSplashBytes) +
               " bytes (" + std::to_string(kMaxSplashSide) + " x " +
               std::to_string(kMaxSplashSide) + " pixels of 32 bits).";
    // The width and height of a bitmap's info header (a top-down picture has a negative height).
    if (headSize < 26 || head[0] != 'B' || head[1] != 'M')
        return std::string();
    const int64_t width = static_cast<int32_t>(Le32At(head, headSize, 18));
    int64_t height = static_cast<int32_t>(Le32At(head, headSize, 22));
    if (height < 0)
        height = -height;
    if (width <= kMaxSplashSide && height <= kMaxSplashSide)
        return std::string();
    return path + " is a picture of " + std::to_string(width) + " x " + std::to_string(height) +
           " pixels; a splash picture may be at most " + std::to_string(kMaxSplashSide) + " x " +
           std::to_string(kMaxSplashSide) + " pixels.";
}
