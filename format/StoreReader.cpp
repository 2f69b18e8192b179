// Read-only access to a resource store: the directory is walked once, item bytes are skipped
// by seeking and fetched only when asked for. The viewer links this, so it stays small.
#include "format/StoreReader.h"

#include <unordered_map>

#include "format/StoreFormat.h"

struct CStoreReader::Index {
    std::unordered_map<uint32_t, size_t> byKey;  // (type << 16 | id) -> first item of that key
};

namespace {

uint32_t Key(uint16_t type, uint16_t id) {
    return (static_cast<uint32_t>(type) << 16) | id;
}

// Notes where each item lies; its bytes are skipped.
class CItemLister : public CStoreVisitor {
  public:
    explicit CItemLister(std::vector<CStoreReader::Item>& items) : m_items(items) {}

    void OnRoot(uint16_t) override {}
    void OnDirBegin(uint16_t type) override { m_wType = type; }
    void OnItem(uint16_t id, uint32_t size, CArchive& ar) override {
        m_items.push_back({m_wType, id, ar.GetPosition(), size});
        ar.Skip(size);
    }
    void OnDirEnd() override {}

  private:
    std::vector<CStoreReader::Item>& m_items;
    uint16_t m_wType = 0;
};

}  // namespace

CStoreReader::CStoreReader() : m_index(new Index) {}

CStoreReader::~CStoreReader() = default;

void CStoreReader::Open(const std::string& path) {
    Close();
    m_strPath = path;
    m_file.Open(path, CFile::modeRead | CFile::shareDenyNone);

    StoreTrailerPlace place;
    try {
        const bool found = ReadStoreTrailer(m_file, &place);
        m_cert = place.cert;
        if (!found)
            return;
        m_bHasStore = true;
        m_dwStoreBase = place.dwBase;
        m_file.Seek(place.dwBase, CFile::begin);
        CArchive ar(m_file, CArchive::load);
        CItemLister lister(m_items);
        WalkStore(ar, lister, place.qwAt);
    } catch (CArchiveException& e) {
        if (e.m_strFileName.empty())
            e.m_strFileName = path;
        Close();
        throw;
    } catch (...) {
        Close();
        throw;
    }
    for (size_t i = 0; i < m_items.size(); ++i)
        m_index->byKey.emplace(Key(m_items[i].wType, m_items[i].wId), i);
}

void CStoreReader::Close() {
    m_file.Abort();
    m_bHasStore = false;
    m_dwStoreBase = 0;
    m_cert = CertificateEntry();
    m_items.clear();
    m_index->byKey.clear();
}

const CStoreReader::Item* CStoreReader::Find(uint16_t type, uint16_t id) const {
    const auto it = m_index->byKey.find(Key(type, id));
    return it == m_index->byKey.end() ? nullptr : &m_items[it->second];
}

std::vector<uint8_t> CStoreReader::Read(const Item& item) {
    std::vector<uint8_t> bytes(item.dwSize);
    if (item.dwSize > 0)
        ReadPart(item, 0, bytes.data(), item.dwSize);
    return bytes;
}

std::vector<uint8_t> CStoreReader::ReadCertificateTable() {
    std::vector<uint8_t> bytes(m_cert.dwSize);
    if (!bytes.empty()) {
        // Open checked that the table is the file's last part.
        m_file.Seek(m_cert.dwOffset, CFile::begin);
        m_file.ReadExact(bytes.data(), m_cert.dwSize);
    }
    return bytes;
}

void CStoreReader::ReadPart(const Item& item, uint32_t offset, void* buffer, uint32_t count) {
    // The walk checked that every item lies inside the file; a part outside its item is the
    // caller's mistake, refused the same way as data beyond the end.
    if (static_cast<uint64_t>(offset) + count > item.dwSize)
        throw CFileException(CFileException::endOfFile, m_strPath);
    m_file.Seek(static_cast<int64_t>(item.qwOffset + offset), CFile::begin);
    m_file.ReadExact(buffer, count);
}
