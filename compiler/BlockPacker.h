// Packing many blocks one after another: one compressor and two buffers kept from block to
// block, so that a block costs its compression and little else (no compressor set up and torn
// down, no buffer allocated and cleared per block). The blocks are byte for byte those of
// PackBlock (PackedBlock.h). A packer is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CBlockPacker {
  public:
    CBlockPacker();
    ~CBlockPacker();
    CBlockPacker(CBlockPacker&& other) noexcept;
    CBlockPacker(const CBlockPacker&) = delete;
    CBlockPacker& operator=(const CBlockPacker&) = delete;

    // Room for n bytes to be read into and packed from, kept until the next call (its bytes are
    // not cleared). Throws std::bad_alloc.
    uint8_t* InputBuffer(size_t n);

    // The packed block of n bytes at data (which may be InputBuffer's room), allocated to its
    // exact size. Throws CPackError as PackBlock does.
    std::vector<uint8_t> Pack(const uint8_t* data, size_t n);

    // Fills count bytes at buffer, or throws (the packing then stops with that exception).
    using Reader = std::function<void(uint8_t* buffer, uint32_t count)>;
    // The same block as Pack for n bytes that read hands over in order, chunk bytes at a time:
    // a long file packed without holding it whole. Memory: one chunk and the packed bytes (twice
    // while the block is put together at its exact size). Throws CPackError as Pack does, and
    // what read throws.
    std::vector<uint8_t> PackStream(uint32_t n, const Reader& read, uint32_t chunk = kStreamChunk);

    // The input chunk of PackStream.
    static const uint32_t kStreamChunk = 1u << 20;

  private:
    void StartStream();
    struct Deflater;
    std::unique_ptr<Deflater> m_deflater;  // set up on the first Pack
    std::unique_ptr<uint8_t[]> m_input;
    size_t m_inputSize = 0;
    std::unique_ptr<uint8_t[]> m_output;
    size_t m_outputSize = 0;
};
