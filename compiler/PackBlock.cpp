// Packing a block. Kept apart from the reading side (PackedBlock.cpp): a program links this
// object, and with it zlib's compressor, only when it packs.
#include <zlib.h>

#include <limits>

#include "format/PackedBlock.h"

std::vector<uint8_t> PackBlock(const uint8_t* data, size_t n) {
    if (n > std::numeric_limits<uLong>::max() || n > 0xFFFFFFFFu)
        throw CPackError("file too large to pack");
    // Room for the compressed bytes, floor(n * 1001 / 1000) + 16, computed without overflow as
    // n + n / 1000 + 16 (the two are equal for every n).
    uint64_t room = static_cast<uint64_t>(n) + static_cast<uint64_t>(n) / 1000 + 16;
    for (;;) {
        if (room > std::numeric_limits<uLong>::max())
            throw CPackError("file too large to pack");
        std::vector<uint8_t> block(4 + static_cast<size_t>(room));
        const uint32_t len = static_cast<uint32_t>(n);
        block[0] = static_cast<uint8_t>(len);
        block[1] = static_cast<uint8_t>(len >> 8);
        block[2] = static_cast<uint8_t>(len >> 16);
        block[3] = static_cast<uint8_t>(len >> 24);
        uLongf outLen = static_cast<uLongf>(room);
        const int rc = compress(block.data() + 4, &outLen, data, static_cast<uLong>(n));
        if (rc == Z_OK) {
            block.resize(4 + outLen);
            return block;
        }
        if (rc != Z_BUF_ERROR)
            throw CPackError(rc == Z_MEM_ERROR ? "out of memory while compressing"
                                               : "compression failed");
        room *= 2;
    }
}
