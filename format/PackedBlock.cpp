// Reading packed blocks. Packing lives in PackBlock.cpp, so that a program that only reads them
// (the viewer) does not carry zlib's compressor.
#include "format/PackedBlock.h"

#include "format/BookLayout.h"

#include <zlib.h>

#include <limits>

uint32_t PackedBlockLength(const uint8_t* block, size_t size) {
    uint32_t length = 0;
    if (!ByteReader(block, size).U32(&length))
        throw CPackError("packed block shorter than its header");
    return length;
}

std::vector<uint8_t> UnpackBlock(const uint8_t* block, size_t size, uint32_t maxLength) {
    const uint32_t n = PackedBlockLength(block, size);
    if (n > maxLength)
        throw CPackError("packed block announces more bytes than allowed");
    // A deflate stream expands at most about 1032:1; a larger announcement is damaged, and
    // refusing it early avoids allocating for a lie.
    const uint64_t packed = size - 4;
    if (static_cast<uint64_t>(n) > packed * 1032 + 64)
        throw CPackError("packed block announces more bytes than its stream can hold");
    std::vector<uint8_t> out(n);

    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        throw CPackError("out of memory while unpacking");
    zs.next_in = const_cast<Bytef*>(block + 4);
    zs.avail_in = static_cast<uInt>(packed);
    zs.next_out = out.empty() ? nullptr : out.data();
    zs.avail_out = n;
    // With an empty output, zlib still needs a valid pointer to finish the stream.
    uint8_t dummy = 0;
    if (out.empty())
        zs.next_out = &dummy;
    const int rc = inflate(&zs, Z_FINISH);
    const bool ok = rc == Z_STREAM_END && zs.total_out == n && zs.avail_in == 0;
    inflateEnd(&zs);
    if (!ok)
        throw CPackError("packed block is damaged");
    return out;
}
