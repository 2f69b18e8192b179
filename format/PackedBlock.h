// Packed blocks: how every page file and the splash image are stored in an e-book.
//
// Layout: u32 little-endian unpacked length n, then a zlib stream (RFC 1950) of the n bytes made
// by zlib's one-call compressor at its default level.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

// Thrown when a packed block cannot be made (the compressor ran out of memory) or does not
// unpack (a damaged block: wrong length, bad stream, trailing garbage).
class CPackError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Packs n bytes. The output room starts at n * 1001 / 1000 + 16 and doubles until the one-call
// compressor fits. Throws CPackError when zlib fails for another reason; never returns an
// incomplete block.
std::vector<uint8_t> PackBlock(const uint8_t* data, size_t n);

// The unpacked length a block announces, or throws CPackError when the block is shorter than
// its 4-byte header.
uint32_t PackedBlockLength(const uint8_t* block, size_t size);

// Unpacks a whole block. The announced length must be met exactly and the zlib stream must end
// within the block; anything else throws CPackError. maxLength guards against a crafted length
// (a larger announcement throws before any allocation).
std::vector<uint8_t> UnpackBlock(const uint8_t* block, size_t size,
                                 uint32_t maxLength = 0x7FFFFFFF);
