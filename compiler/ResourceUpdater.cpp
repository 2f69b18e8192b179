// The resource store's updater: loads an existing store into a two-level tree, applies updates
// in memory and rewrites the whole store at its base on commit.
//
// Lists keep their order in std::list and are searched through a hash index beside them, so an
// update costs O(1) on average and a commit is linear in the size of the store.
#include "compiler/ResourceUpdater.h"

#include <cstring>

#include "format/StoreFormat.h"

// ---- CUpdateElem ----

CUpdateElem::~CUpdateElem() = default;

const CArchiveClass& CUpdateElem::GetRuntimeClass() const {
    return kClassUpdateElem;
}

void CUpdateElem::Serialize(CArchive& ar) const {
    ar.WriteU16(m_wId);
    ar.WriteU32(m_dwSize);
    if (m_dwSize > 0)
        ar.Write(m_pData.get(), m_dwSize);
}

void CUpdateElem::SetData(const void* data, uint32_t size) {
    std::unique_ptr<uint8_t[]> copy;
    if (size > 0) {
        copy.reset(new uint8_t[size]);
        std::memcpy(copy.get(), data, size);
    }
    AdoptData(std::move(copy), size);
}

void CUpdateElem::AdoptData(std::unique_ptr<uint8_t[]> data, uint32_t size) {
    m_pData = std::move(data);
    m_dwSize = m_pData ? size : 0;
}

// ---- CUpdateDir ----

CUpdateDir::~CUpdateDir() = default;

const CArchiveClass& CUpdateDir::GetRuntimeClass() const {
    return kClassUpdateDir;
}

void CUpdateDir::Serialize(CArchive& ar) const {
    ar.WriteU16(m_wId);
    ar.WriteCount(static_cast<uint32_t>(m_children.size()));
    for (const auto& child : m_children) {
        ar.WriteClassTag(child->GetRuntimeClass());
        child->Serialize(ar);
    }
}

CUpdateElem* CUpdateDir::Find(uint16_t id) const {
    const auto it = m_index.find(id);
    return it == m_index.end() ? nullptr : it->second->get();
}

void CUpdateDir::Append(std::unique_ptr<CUpdateElem> child) {
    const uint16_t id = child->m_wId;
    m_children.push_back(std::move(child));
    const auto inserted = m_index.emplace(id, std::prev(m_children.end()));
    if (!inserted.second)
        m_bDuplicates = true;  // the first one stays the one that Find returns
}

void CUpdateDir::Remove(CUpdateElem* child) {
    const uint16_t id = child->m_wId;
    const auto indexed = m_index.find(id);
    List::iterator pos;
    if (indexed != m_index.end() && indexed->second->get() == child) {
        pos = indexed->second;
    } else {
        for (pos = m_children.begin(); pos != m_children.end() && pos->get() != child; ++pos) {
        }
        if (pos == m_children.end())
            return;
    }
    const bool wasIndexed = indexed != m_index.end() && indexed->second == pos;
    m_children.erase(pos);
    if (!wasIndexed)
        return;
    m_index.erase(indexed);
    if (m_bDuplicates) {
        // Another child of the same id, if any, becomes the one found.
        for (auto it = m_children.begin(); it != m_children.end(); ++it) {
            if ((*it)->m_wId == id) {
                m_index.emplace(id, it);
                break;
            }
        }
    }
}

void CUpdateDir::RemoveAll() {
    m_index.clear();
    m_children.clear();
    m_bDuplicates = false;
}

// ---- COffsetFile ----

uint64_t COffsetFile::Seek(int64_t offset, int from) {
    if (from == fromStoreBase)
        return CFile::Seek(static_cast<int64_t>(m_qwStoreBase) + offset, begin);
    return CFile::Seek(offset, from);
}

// ---- CResourceUpdater ----

namespace {

// Loads the items of a store into the root, each directory once it has been read whole.
class CTreeLoader : public CStoreVisitor {
  public:
    explicit CTreeLoader(CUpdateDir& root) : m_root(root) {}

    void OnRoot(uint16_t rootId) override { m_root.m_wId = rootId; }
    void OnDirBegin(uint16_t type) override { m_pDir.reset(new CUpdateDir(type)); }
    void OnItem(uint16_t id, uint32_t size, CArchive& ar) override {
        std::unique_ptr<CUpdateElem> item(new CUpdateElem(id));
        if (size > 0) {
            std::unique_ptr<uint8_t[]> data(new uint8_t[size]);
            ar.Read(data.get(), size);
            item->AdoptData(std::move(data), size);
        }
        m_pDir->Append(std::move(item));
    }
    void OnDirEnd() override { m_root.Append(std::move(m_pDir)); }

  private:
    CUpdateDir& m_root;
    std::unique_ptr<CUpdateDir> m_pDir;
};

// Bytes the root record will take, counting the class tags as CArchive writes them: the first
// object of a class carries its description, later ones a 2-byte (or, from index 0x7FFF on,
// a 6-byte) reference.
class CStoreSizer {
  public:
    uint64_t Root(const CUpdateDir& root) {
        uint64_t size = 2 + CArchive::CountSize(static_cast<uint32_t>(root.GetCount()));
        for (const auto& dirElem : root.Children()) {
            const CUpdateDir& dir = static_cast<const CUpdateDir&>(*dirElem);
            size += Tag(m_uDirIndex, kClassUpdateDir) + 2 +
                    CArchive::CountSize(static_cast<uint32_t>(dir.GetCount()));
            for (const auto& item : dir.Children())
                size += Tag(m_uElemIndex, kClassUpdateElem) + 6 + item->m_dwSize;
        }
        return size;
    }

  private:
    uint64_t Tag(uint32_t& classIndex, const CArchiveClass& cls) {
        uint64_t size;
        if (classIndex == 0) {
            classIndex = ++m_uCount;
            size = 6 + std::strlen(cls.pszName);
        } else {
            size = classIndex < 0x7FFF ? 2 : 6;
        }
        ++m_uCount;
        return size;
    }

    uint32_t m_uCount = 0;
    uint32_t m_uDirIndex = 0;
    uint32_t m_uElemIndex = 0;
};

}  // namespace

CResourceUpdater::CResourceUpdater() : m_root(0) {}

CResourceUpdater::~CResourceUpdater() {
    Close();
}

void CResourceUpdater::Open(const std::string& path, bool readOnly) {
    Close();
    // An updater opened again starts from the new file's store alone: items of the file opened
    // before must not be written into this one.
    m_root.RemoveAll();
    m_root.m_wId = 0;
    m_cert = CertificateEntry();
    m_strPath = path;
    m_pFile.reset(new COffsetFile);
    try {
        m_pFile->Open(path, readOnly ? CFile::modeRead | CFile::shareDenyNone
                                     : CFile::modeReadWrite | CFile::shareExclusive);
        LoadStore();
    } catch (CArchiveException& e) {
        // The archive reports the end of its data without a name; the store names its file.
        if (e.m_strFileName.empty())
            e.m_strFileName = path;
        Close();
        throw;
    } catch (...) {
        // A failed open leaves no file behind; the items read so far stay in the tree.
        Close();
        throw;
    }
}

void CResourceUpdater::LoadStore() {
    StoreTrailerPlace place;
    const bool found = ReadStoreTrailer(*m_pFile, &place);
    m_cert = place.cert;
    if (!found) {
        // No store yet: it will be appended at the old end of the file's data (a signed file's
        // certificate table goes: it could not cover the new bytes).
        m_pFile->m_qwStoreBase = place.qwDataEnd;
        m_pFile->Seek(0, COffsetFile::fromStoreBase);
        return;
    }
    m_pFile->m_qwStoreBase = place.dwBase;
    m_pFile->Seek(0, COffsetFile::fromStoreBase);
    CArchive ar(*m_pFile, CArchive::load);
    CTreeLoader loader(m_root);
    WalkStore(ar, loader, place.qwAt);
}

void CResourceUpdater::Update(int type, int id, const void* data, uint32_t size) {
    const uint16_t wType = static_cast<uint16_t>(type & 0xFFFF);
    const uint16_t wId = static_cast<uint16_t>(id & 0xFFFF);

    CUpdateDir* dir = static_cast<CUpdateDir*>(m_root.Find(wType));
    if (dir == nullptr) {
        if (size == 0)
            return;
        std::unique_ptr<CUpdateDir> created(new CUpdateDir(wType));
        dir = created.get();
        m_root.Append(std::move(created));
    }
    CUpdateElem* item = dir->Find(wId);
    if (item == nullptr) {
        if (size == 0)
            return;
        std::unique_ptr<CUpdateElem> created(new CUpdateElem(wId));
        item = created.get();
        dir->Append(std::move(created));
    }
    if (size > 0) {
        item->SetData(data, size);
        return;
    }
    dir->Remove(item);
    if (dir->GetCount() == 0)
        m_root.Remove(dir);
}

void CResourceUpdater::Commit() {
    if (!m_pFile || !m_pFile->IsOpen())
        throw CFileException(CFileException::invalidFile, m_strPath);
    const uint64_t end = m_pFile->m_qwStoreBase + CStoreSizer().Root(m_root) + kStoreTrailerSize;
    if (end >= kStoreFileLimit)
        throw CFileException(CFileException::badSeek, m_strPath);

    // The store is rewritten and the file cut after it, so a signature it had is gone: its entry
    // must not point at bytes that are no longer there, nor claim the new ones.
    if (m_cert.IsSigned()) {
        ClearCertificateEntry(*m_pFile, m_cert);
        m_cert = CertificateEntry();
    }
    m_pFile->Seek(0, COffsetFile::fromStoreBase);
    CArchive ar(*m_pFile, CArchive::store);
    m_root.Serialize(ar);
    ar.WriteU32(static_cast<uint32_t>(m_pFile->m_qwStoreBase));
    ar.WriteU16(kStoreMarker);
    ar.Close();
    m_pFile->SetLength(m_pFile->GetPosition());
}

void CResourceUpdater::Close() {
    if (m_pFile) {
        m_pFile->Abort();
        m_pFile.reset();
    }
}
