// What the command line reads of a book beyond what the viewer needs: sizes as stored, the
// certificate table, and a file unpacked piece by piece. In a file of its own so that the viewer,
// which never calls these, does not carry them.
#include <zlib.h>

#include <algorithm>

#include "book/Book.h"
#include "format/BookLayout.h"
#include "format/PackedBlock.h"

bool CBook::GetSplashSizes(uint32_t* packed, int64_t* unpacked) {
    if (!HasSplash())
        return false;
    ItemSizes(*m_store->Find(kBookResourceType, kSplashId), packed, unpacked);
    return true;
}

bool CBook::UnpackFileTo(const BookFile& file,
                         const std::function<void(const uint8_t* data, uint32_t count)>& sink) {
    const CStoreReader::Item* found = FindPage(file);
    if (!found)
        return false;
    const CStoreReader::Item item = *found;
    if (item.dwSize < 4)
        throw CPackError("packed block shorter than its header");
    uint8_t head[4];
    m_store->ReadPart(item, 0, head, 4);
    const uint32_t announced = Le32At(head, sizeof head, 0);

    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        throw CPackError("out of memory while unpacking");
    struct End {
        z_stream* p;
        ~End() { inflateEnd(p); }
    } end{&zs};
    std::vector<uint8_t> in(64 * 1024);
    std::vector<uint8_t> buffer(256 * 1024);
    uint32_t offset = 4;
    uint64_t total = 0;
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        if (zs.avail_in == 0) {
            if (offset == item.dwSize)
                throw CPackError("packed stream cut short");
            const uint32_t count =
                std::min<uint32_t>(item.dwSize - offset, static_cast<uint32_t>(in.size()));
            m_store->ReadPart(item, offset, in.data(), count);
            offset += count;
            zs.next_in = in.data();
            zs.avail_in = count;
        }
        zs.next_out = buffer.data();
        zs.avail_out = static_cast<uInt>(buffer.size());
        rc = inflate(&zs, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END)
            throw CPackError("packed stream is damaged");
        const uint32_t produced = static_cast<uint32_t>(buffer.size() - zs.avail_out);
        total += produced;
        if (total > announced)
            throw CPackError("more bytes than announced");
        if (produced)
            sink(buffer.data(), produced);
    }
    if (total != announced || zs.avail_in != 0 || offset != item.dwSize)
        throw CPackError("packed block does not match its length");
    return true;
}

bool CBook::IsSigned() const {
    return m_state == State::open && m_store->GetCertificate().IsSigned();
}

std::vector<uint8_t> CBook::ReadCertificateTable() {
    return IsSigned() ? m_store->ReadCertificateTable() : std::vector<uint8_t>();
}
