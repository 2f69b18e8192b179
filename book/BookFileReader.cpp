#include "book/BookFileReader.h"

#include <zlib.h>

#include <algorithm>

#include "book/Book.h"
#include "format/BookLayout.h"
#include "format/PackedBlock.h"

struct CBookFileReader::Inflater {
    z_stream zs{};
    bool live = false;
    uint8_t input[32 * 1024];
    ~Inflater() {
        if (live)
            inflateEnd(&zs);
    }
};

CBookFileReader::CBookFileReader(const CBook& book, const BookFile& file)
    : m_inflater(new Inflater) {
    if (!book.GetFileBlock(file, &m_blockOffset, &m_blockSize))
        throw CPackError("the e-book holds no data for the file");
    if (m_blockSize < 4)
        throw CPackError("packed block shorter than its header");
    m_file.Open(book.GetPath(), CFile::modeRead | CFile::shareDenyNone);
    uint8_t head[4];
    m_file.Seek(static_cast<int64_t>(m_blockOffset), CFile::begin);
    m_file.ReadExact(head, 4);
    m_consumed = 4;
    m_length = Le32At(head, sizeof head, 0);
    // A deflate stream expands at most about 1032:1 (as UnpackBlock checks).
    if (static_cast<uint64_t>(m_length) > uint64_t(m_blockSize - 4) * 1032 + 64)
        throw CPackError("packed block announces more bytes than its stream can hold");
    if (inflateInit(&m_inflater->zs) != Z_OK)
        throw CPackError("out of memory while unpacking");
    m_inflater->live = true;
}

CBookFileReader::~CBookFileReader() = default;

size_t CBookFileReader::Read(void* buffer, size_t count) {
    z_stream& zs = m_inflater->zs;
    uint8_t* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < count && !m_ended) {
        if (zs.avail_in == 0) {
            if (m_consumed == m_blockSize)
                throw CPackError("packed stream cut short");
            const uint32_t take =
                std::min<uint32_t>(m_blockSize - m_consumed, sizeof m_inflater->input);
            m_file.Seek(static_cast<int64_t>(m_blockOffset + m_consumed), CFile::begin);
            m_file.ReadExact(m_inflater->input, take);
            m_consumed += take;
            zs.next_in = m_inflater->input;
            zs.avail_in = take;
        }
        const size_t want = std::min<size_t>(count - done, 1u << 30);
        zs.next_out = out + done;
        zs.avail_out = static_cast<uInt>(want);
        const int rc = inflate(&zs, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
            throw CPackError("packed stream is damaged");
        const size_t produced = want - zs.avail_out;
        done += produced;
        m_position += produced;
        if (m_position > m_length)
            throw CPackError("more bytes than announced");
        if (rc == Z_STREAM_END) {
            m_ended = true;
            if (m_position != m_length || zs.avail_in != 0 || m_consumed != m_blockSize)
                throw CPackError("packed block does not match its length");
        } else if (rc == Z_BUF_ERROR && produced == 0 && zs.avail_in != 0) {
            throw CPackError("packed stream is damaged");
        }
    }
    return done;
}

void CBookFileReader::Rewind() {
    z_stream& zs = m_inflater->zs;
    if (inflateReset(&zs) != Z_OK)
        throw CPackError("the unpacker cannot start again");
    zs.next_in = nullptr;
    zs.avail_in = 0;
    m_consumed = 4;  // the block's length header was read at the start
    m_position = 0;
    m_ended = false;
}

void CBookFileReader::Skip(uint64_t count) {
    uint8_t scratch[16 * 1024];
    while (count > 0) {
        const size_t got =
            Read(scratch, static_cast<size_t>(std::min<uint64_t>(count, sizeof scratch)));
        if (got == 0)
            return;
        count -= got;
    }
}
