// The object archive over a CFile, through one 4096-byte buffer.
//
// Reading checks every length against the bytes that remain in the file before it allocates or
// loops: a crafted file ends in an archive error, never in a huge allocation or a long loop.
#include "platform/Archive.h"

#include <cstring>

namespace {

const uint16_t kNewClassTag = 0xFFFF;
const uint16_t kClassTagBit = 0x8000;
const uint16_t kBigObjectTag = 0x7FFF;
const uint32_t kBigClassTagBit = 0x80000000u;
const uint16_t kMaxClassNameLength = 63;

}  // namespace

CArchive::CArchive(CFile& file, Mode mode) : m_file(file), m_mode(mode) {
    m_qwBufStart = file.GetPosition();
    if (mode == load) {
        m_qwLength = file.GetLength();
        m_loadTable.push_back(nullptr);  // index 0 names nothing
    }
}

CArchive::~CArchive() = default;

void CArchive::ThrowArchive(int cause) const {
    // The end of the data is reported without a file name, as the framework did; the messages
    // of the project file rely on that.
    const std::string name =
        cause == CArchiveException::endOfFile ? std::string() : m_file.GetFilePath();
    throw CArchiveException(static_cast<CArchiveException::Cause>(cause), name);
}

// ---- Writing ----

void CArchive::FlushBuffer() {
    if (m_uPos == 0)
        return;
    const uint32_t n = m_uPos;
    m_uPos = 0;
    m_file.Write(m_buf, n);
    m_qwBufStart += n;
}

void CArchive::Write(const void* data, uint32_t size) {
    if (m_mode != store)
        ThrowArchive(CArchiveException::readOnly);
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        if (m_uPos == kBufferSize)
            FlushBuffer();
        if (m_uPos == 0 && size >= kBufferSize) {
            // Whole blocks go straight to the file; copying them through the buffer gains nothing.
            m_file.Write(p, size);
            m_qwBufStart += size;
            return;
        }
        const uint32_t n = size < kBufferSize - m_uPos ? size : kBufferSize - m_uPos;
        std::memcpy(m_buf + m_uPos, p, n);
        m_uPos += n;
        p += n;
        size -= n;
    }
}

void CArchive::WriteU8(uint8_t v) {
    Write(&v, 1);
}

void CArchive::WriteU16(uint16_t v) {
    const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
    Write(b, 2);
}

void CArchive::WriteU32(uint32_t v) {
    const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                          static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    Write(b, 4);
}

void CArchive::WriteCount(uint32_t count) {
    if (count < 0xFFFF) {
        WriteU16(static_cast<uint16_t>(count));
    } else {
        WriteU16(0xFFFF);
        WriteU32(count);
    }
}

void CArchive::WriteString(const std::string& text) {
    const uint32_t len = static_cast<uint32_t>(text.size());
    if (len < 0xFF) {
        WriteU8(static_cast<uint8_t>(len));
    } else if (len < 0xFFFE) {
        WriteU8(0xFF);
        WriteU16(static_cast<uint16_t>(len));
    } else {
        WriteU8(0xFF);
        WriteU16(0xFFFF);
        WriteU32(len);
    }
    Write(text.data(), len);
}

uint64_t CArchive::StringSize(uint64_t length) {
    if (length < 0xFF)
        return 1 + length;
    if (length < 0xFFFE)
        return 3 + length;
    return 7 + length;
}

uint32_t CArchive::CountSize(uint32_t count) {
    return count < 0xFFFF ? 2 : 6;
}

void CArchive::WriteClassTag(const CArchiveClass& cls) {
    if (m_mode != store)
        ThrowArchive(CArchiveException::readOnly);
    uint32_t index = 0;
    for (const auto& entry : m_storeClasses) {
        if (entry.first == &cls) {
            index = entry.second;
            break;
        }
    }
    if (index == 0) {
        const uint16_t len = static_cast<uint16_t>(std::strlen(cls.pszName));
        WriteU16(kNewClassTag);
        WriteU16(cls.wSchema);
        WriteU16(len);
        Write(cls.pszName, len);
        m_storeClasses.emplace_back(&cls, ++m_uStoreCount);
    } else if (index < kBigObjectTag) {
        WriteU16(static_cast<uint16_t>(kClassTagBit | index));
    } else {
        WriteU16(kBigObjectTag);
        WriteU32(kBigClassTagBit | index);
    }
    ++m_uStoreCount;  // the object itself
}

void CArchive::Flush() {
    if (m_mode == store)
        FlushBuffer();
}

void CArchive::Close() {
    if (m_bClosed)
        return;
    Flush();
    m_bClosed = true;
}

// ---- Reading ----

uint64_t CArchive::BytesLeft() const {
    const uint64_t pos = GetPosition();
    return m_qwLength > pos ? m_qwLength - pos : 0;
}

void CArchive::Require(uint64_t size) const {
    if (size > BytesLeft())
        ThrowArchive(CArchiveException::endOfFile);
}

void CArchive::FillBuffer() {
    m_qwBufStart += m_uEnd;
    m_uPos = 0;
    m_uEnd = 0;
    m_uEnd = m_file.Read(m_buf, kBufferSize);
    if (m_uEnd == 0)
        ThrowArchive(CArchiveException::endOfFile);
}

void CArchive::Read(void* data, uint32_t size) {
    if (m_mode != load)
        ThrowArchive(CArchiveException::writeOnly);
    uint8_t* p = static_cast<uint8_t*>(data);
    while (size > 0) {
        if (m_uPos == m_uEnd) {
            if (size >= kBufferSize) {
                // Large blocks are read straight into the caller's memory.
                m_qwBufStart += m_uEnd;
                m_uPos = m_uEnd = 0;
                const uint32_t got = m_file.Read(p, size);
                m_qwBufStart += got;
                if (got != size)
                    ThrowArchive(CArchiveException::endOfFile);
                return;
            }
            FillBuffer();
        }
        const uint32_t avail = m_uEnd - m_uPos;
        const uint32_t n = size < avail ? size : avail;
        std::memcpy(p, m_buf + m_uPos, n);
        m_uPos += n;
        p += n;
        size -= n;
    }
}

uint8_t CArchive::ReadU8() {
    uint8_t v;
    Read(&v, 1);
    return v;
}

uint16_t CArchive::ReadU16() {
    uint8_t b[2];
    Read(b, 2);
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

uint32_t CArchive::ReadU32() {
    uint8_t b[4];
    Read(b, 4);
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
           (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

uint32_t CArchive::ReadCount() {
    const uint16_t w = ReadU16();
    if (w != 0xFFFF)
        return w;
    return ReadU32();
}

std::string CArchive::ReadString() {
    uint64_t length;
    uint64_t charSize = 1;
    const uint8_t b = ReadU8();
    if (b < 0xFF) {
        length = b;
    } else {
        uint16_t w = ReadU16();
        bool done = false;
        if (w == 0xFFFE) {
            // Wide text: the length follows again, counting 16-bit units.
            charSize = 2;
            const uint8_t b2 = ReadU8();
            if (b2 < 0xFF) {
                length = b2;
                done = true;
            } else {
                w = ReadU16();
            }
        }
        if (!done)
            length = w < 0xFFFF ? w : ReadU32();
    }
    const uint64_t bytes = length * charSize;
    Require(bytes);
    if (bytes > 0xFFFFFFFFu)
        ThrowArchive(CArchiveException::endOfFile);
    if (charSize == 1) {
        std::string text(static_cast<size_t>(bytes), '\0');
        if (bytes > 0)
            Read(&text[0], static_cast<uint32_t>(bytes));
        return text;
    }
    std::vector<uint8_t> wide(static_cast<size_t>(bytes));
    if (bytes > 0)
        Read(wide.data(), static_cast<uint32_t>(bytes));
    return AnsiFromUtf16Le(wide.data(), static_cast<size_t>(length));
}

const CArchiveClass& CArchive::ReadClassTag(const CArchiveClass* const* known, size_t knownCount) {
    if (m_mode != load)
        ThrowArchive(CArchiveException::writeOnly);
    const CArchiveClass* cls = nullptr;
    const uint16_t tag = ReadU16();
    if (tag == kNewClassTag) {
        const uint16_t schema = ReadU16();
        const uint16_t length = ReadU16();
        if (length > kMaxClassNameLength)
            ThrowArchive(CArchiveException::badClass);
        char name[kMaxClassNameLength];
        Read(name, length);
        for (size_t i = 0; i < knownCount && cls == nullptr; ++i) {
            if (std::strlen(known[i]->pszName) == length &&
                std::memcmp(known[i]->pszName, name, length) == 0)
                cls = known[i];
        }
        if (cls == nullptr)
            ThrowArchive(CArchiveException::badClass);
        if (schema != cls->wSchema)
            ThrowArchive(CArchiveException::badSchema);
        m_loadTable.push_back(cls);
    } else {
        uint32_t index;
        bool classRef;
        if (tag == kBigObjectTag) {
            const uint32_t big = ReadU32();
            classRef = (big & kBigClassTagBit) != 0;
            index = big & ~kBigClassTagBit;
        } else {
            classRef = (tag & kClassTagBit) != 0;
            index = tag & ~kClassTagBit;
        }
        // A plain object number (0 for no object, or an object read before) never stands where
        // a new object is expected: the same object twice, or none, is refused as bad format.
        if (!classRef || index == 0 || index >= m_loadTable.size() || m_loadTable[index] == nullptr)
            ThrowArchive(CArchiveException::badIndex);
        cls = m_loadTable[index];
    }
    m_loadTable.push_back(nullptr);  // the object itself takes the next number
    return *cls;
}

void CArchive::ReadObjectTag(const CArchiveClass& expected, const CArchiveClass* const* known,
                             size_t knownCount) {
    if (&ReadClassTag(known, knownCount) != &expected)
        ThrowArchive(CArchiveException::badClass);
}

void CArchive::Skip(uint64_t size) {
    if (m_mode != load)
        ThrowArchive(CArchiveException::writeOnly);
    Require(size);
    if (size <= m_uEnd - m_uPos) {
        m_uPos += static_cast<uint32_t>(size);
        return;
    }
    const uint64_t target = GetPosition() + size;
    m_file.Seek(static_cast<int64_t>(target), CFile::begin);
    m_qwBufStart = target;
    m_uPos = m_uEnd = 0;
}
