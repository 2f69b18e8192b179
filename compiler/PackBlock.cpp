// Packing a block. Kept apart from the reading side (PackedBlock.cpp): a program links this
// object, and with it zlib's compressor, only when it packs.
//
// The one-call compressor (compress) is deflateInit at the default level, one deflate call with
// Z_FINISH over the whole input, and deflateEnd; a compressor reset between blocks with the same
// parameters writes the same stream, which is what keeps the blocks of CBlockPacker equal to
// those of the one-call form.
#include <zlib.h>

#include <cstring>
#include <limits>

#include "compiler/BlockPacker.h"
#include "format/PackedBlock.h"

struct CBlockPacker::Deflater {
    z_stream stream{};
    bool ready = false;

    ~Deflater() {
        if (ready)
            deflateEnd(&stream);
    }
};

CBlockPacker::CBlockPacker() = default;
CBlockPacker::~CBlockPacker() = default;
CBlockPacker::CBlockPacker(CBlockPacker&& other) noexcept = default;

uint8_t* CBlockPacker::InputBuffer(size_t n) {
    if (n > m_inputSize || !m_input) {
        m_input.reset();
        m_inputSize = 0;
        m_input.reset(new uint8_t[n ? n : 1]);
        m_inputSize = n;
    }
    return m_input.get();
}

void CBlockPacker::StartStream() {
    if (!m_deflater)
        m_deflater.reset(new Deflater);
    z_stream& zs = m_deflater->stream;
    if (!m_deflater->ready) {
        const int rc = deflateInit(&zs, Z_DEFAULT_COMPRESSION);
        if (rc != Z_OK)
            throw CPackError(rc == Z_MEM_ERROR ? "out of memory while compressing"
                                               : "compression failed");
        m_deflater->ready = true;
    }
}

namespace {

void PutLength(uint8_t* at, uint32_t len) {
    at[0] = static_cast<uint8_t>(len);
    at[1] = static_cast<uint8_t>(len >> 8);
    at[2] = static_cast<uint8_t>(len >> 16);
    at[3] = static_cast<uint8_t>(len >> 24);
}

}  // namespace

std::vector<uint8_t> CBlockPacker::Pack(const uint8_t* data, size_t n) {
    if (n > std::numeric_limits<uLong>::max() || n > 0xFFFFFFFFu)
        throw CPackError("file too large to pack");
    StartStream();
    z_stream& zs = m_deflater->stream;
    // zlib's own bound of a stream of n bytes, computed in 64 bits so that it cannot wrap; the
    // stream always fits in it, and the room doubles should it ever not.
    const uint64_t n64 = n;
    uint64_t room = n64 + (n64 >> 12) + (n64 >> 14) + (n64 >> 25) + 13;
    for (;;) {
        if (room > std::numeric_limits<uInt>::max() || room > std::numeric_limits<size_t>::max())
            throw CPackError("file too large to pack");
        if (room > m_outputSize) {
            m_output.reset();
            m_outputSize = 0;
            m_output.reset(new uint8_t[static_cast<size_t>(room)]);
            m_outputSize = static_cast<size_t>(room);
        }
        if (deflateReset(&zs) != Z_OK)
            throw CPackError("compression failed");
        zs.next_in = const_cast<Bytef*>(data);
        zs.avail_in = static_cast<uInt>(n);
        zs.next_out = m_output.get();
        zs.avail_out = static_cast<uInt>(room);
        const int rc = deflate(&zs, Z_FINISH);
        if (rc == Z_STREAM_END)
            break;
        if (rc != Z_OK && rc != Z_BUF_ERROR)
            throw CPackError("compression failed");
        room *= 2;
    }
    const size_t packed = static_cast<size_t>(zs.total_out);
    const uint32_t len = static_cast<uint32_t>(n);
    // The block at its exact size: a few bytes cleared before they are copied over, which
    // costs far less than keeping the room of the raw size per block.
    std::vector<uint8_t> block(4 + packed);
    PutLength(block.data(), len);
    std::memcpy(block.data() + 4, m_output.get(), packed);
    return block;
}

std::vector<uint8_t> CBlockPacker::PackStream(uint32_t n, const Reader& read, uint32_t chunk) {
    if (chunk == 0)
        chunk = kStreamChunk;
    StartStream();
    z_stream& zs = m_deflater->stream;
    if (deflateReset(&zs) != Z_OK)
        throw CPackError("compression failed");
    // The input goes through one chunk of room; the stream collects in pieces of the chunk's
    // size, put together at the end. Feeding the input in pieces without flushing gives the
    // stream that one call over the whole input gives: deflate's choices depend on the bytes,
    // not on how they arrive.
    std::unique_ptr<uint8_t[]> in(new uint8_t[chunk]);
    std::vector<std::vector<uint8_t>> pieces;
    uint64_t packed = 0;
    uint32_t left = n;
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        pieces.emplace_back(chunk);
        std::vector<uint8_t>& piece = pieces.back();
        zs.next_out = piece.data();
        zs.avail_out = chunk;
        // Fill this piece, reading the next chunk whenever the compressor has taken the last.
        while (zs.avail_out > 0 && rc != Z_STREAM_END) {
            if (zs.avail_in == 0 && left > 0) {
                const uint32_t take = left < chunk ? left : chunk;
                read(in.get(), take);
                left -= take;
                zs.next_in = in.get();
                zs.avail_in = take;
            }
            rc = deflate(&zs, left == 0 ? Z_FINISH : Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
                throw CPackError("compression failed");
        }
        piece.resize(chunk - zs.avail_out);
        packed += piece.size();
    }
    if (4 + packed > std::numeric_limits<size_t>::max())
        throw CPackError("file too large to pack");
    std::vector<uint8_t> block(static_cast<size_t>(4 + packed));
    PutLength(block.data(), n);
    size_t at = 4;
    for (std::vector<uint8_t>& piece : pieces) {
        std::memcpy(block.data() + at, piece.data(), piece.size());
        at += piece.size();
        std::vector<uint8_t>().swap(piece);
    }
    return block;
}

std::vector<uint8_t> PackBlock(const uint8_t* data, size_t n) {
    CBlockPacker packer;
    return packer.Pack(data, n);
}
