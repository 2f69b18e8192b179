#include "compiler/StoreWriter.h"

#include <stdexcept>

#include "format/StoreFormat.h"

namespace {

// The most a class tag takes: one with the class description (tag, schema, name's length and
// the longer name, "CUpdateElem").
const uint64_t kMaxTagBytes = 6 + 11;

}  // namespace

CStoreWriter::CStoreWriter(CFile& file, uint32_t typeCount)
    : m_file(file), m_qwBase(file.SeekToEnd()), m_uTypesLeft(typeCount) {
    CheckRoom(2 + 6);
    m_archive.reset(new CArchive(m_file, CArchive::store));
    m_archive->WriteU16(0);  // the root's id
    m_archive->WriteCount(typeCount);
}

CStoreWriter::~CStoreWriter() = default;

void CStoreWriter::CheckRoom(uint64_t bytes) const {
    const uint64_t at = m_archive ? m_archive->GetPosition() : m_qwBase;
    if (at + bytes + kStoreTrailerSize >= kStoreFileLimit)
        throw CFileException(CFileException::badSeek, m_file.GetFilePath());
}

void CStoreWriter::BeginType(uint16_t type, uint32_t itemCount) {
    if (m_uItemsLeft != 0 || m_uTypesLeft == 0 || itemCount == 0)
        throw std::logic_error("store writer: a type begun out of turn, or an empty one");
    CheckRoom(kMaxTagBytes + 2 + 6);
    --m_uTypesLeft;
    m_uItemsLeft = itemCount;
    m_archive->WriteClassTag(kClassUpdateDir);
    m_archive->WriteU16(type);
    m_archive->WriteCount(itemCount);
}

void CStoreWriter::Put(uint16_t id, const void* data, uint32_t size) {
    if (m_uItemsLeft == 0 || size == 0)
        throw std::logic_error("store writer: an item out of turn, or an empty one");
    CheckRoom(kMaxTagBytes + 6 + static_cast<uint64_t>(size));
    --m_uItemsLeft;
    m_archive->WriteClassTag(kClassUpdateElem);
    m_archive->WriteU16(id);
    m_archive->WriteU32(size);
    m_archive->Write(data, size);
}

void CStoreWriter::Finish() {
    if (m_uItemsLeft != 0 || m_uTypesLeft != 0)
        throw std::logic_error("store writer: finished before its last item");
    m_archive->WriteU32(static_cast<uint32_t>(m_qwBase));
    m_archive->WriteU16(kStoreMarker);
    m_archive->Close();
    m_file.SetLength(m_file.GetPosition());
}
