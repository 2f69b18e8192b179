#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <stdexcept>

#include "compiler/BlockPacker.h"
#include "format/PackedBlock.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Random(size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    Bytes b(n);
    for (auto& c : b)
        c = static_cast<uint8_t>(gen());
    return b;
}

// The block is the length and exactly what zlib's one-call compressor makes at its default level.
TEST(PackBlock, IsTheLengthAndZlibsOneCallStream) {
    struct Case {
        const char* name;
        Bytes data;
    };
    const Case cases[] = {
        {"empty", {}},
        {"one byte", {42}},
        {"text", Bytes(5000, 'a')},
        // Random bytes do not shrink: the output room of n + n/1000 + 16 must still suffice.
        {"random", Random(100000, 1)},
        {"random, small", Random(7, 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes block = PackBlock(c.data.data(), c.data.size());
        ASSERT_GE(block.size(), 4u);
        EXPECT_EQ(PackedBlockLength(block.data(), block.size()), c.data.size());

        Bytes expected(compressBound(c.data.size()));
        uLongf len = static_cast<uLongf>(expected.size());
        ASSERT_EQ(compress(expected.data(), &len, c.data.data(), c.data.size()), Z_OK);
        expected.resize(len);
        EXPECT_EQ(Bytes(block.begin() + 4, block.end()), expected);

        EXPECT_EQ(UnpackBlock(block.data(), block.size()), c.data);
    }
}

// One packer for many blocks, as a packing thread uses it: each block is the one PackBlock makes,
// whatever came before it (a larger block, or a smaller one, through the packer's own room).
TEST(BlockPacker, KeepsNothingOfOneBlockForTheNext) {
    const Bytes text = [] {
        Bytes b;
        for (int i = 0; i < 20000; ++i)
            b.push_back(static_cast<uint8_t>("packing many pages "[i % 19]));
        return b;
    }();
    const Bytes inputs[] = {Random(300000, 3), text, {}, Bytes(text.begin(), text.begin() + 10),
                            Random(70000, 4),  text};
    CBlockPacker packer;
    for (size_t k = 0; k < std::size(inputs); ++k) {
        SCOPED_TRACE(k);
        const Bytes& in = inputs[k];
        const Bytes expected = PackBlock(in.data(), in.size());
        EXPECT_TRUE(packer.Pack(in.data(), in.size()) == expected);
        // Packed from the packer's own input room, as the build reads files into it.
        uint8_t* room = packer.InputBuffer(in.size());
        std::copy(in.begin(), in.end(), room);
        EXPECT_TRUE(packer.Pack(room, in.size()) == expected);
    }
}

// A file streamed through the compressor in chunks gives the block of the whole-file path, byte
// for byte, whatever the chunk (one byte, odd sizes, larger than the file), for text, random and
// mixed bytes, on a packer that packed other blocks before; what the reader throws stops it.
TEST(BlockPacker, StreamingGivesTheWholeFileBlock) {
    Bytes mixed = Random(400000, 5);
    for (size_t i = 0; i < mixed.size(); i += 3)
        mixed[i] = static_cast<uint8_t>("streamed text "[i % 14]);
    const Bytes inputs[] = {{}, {7}, Bytes(300000, 'a'), Random(200000, 6), mixed};
    CBlockPacker packer;
    for (const Bytes& in : inputs) {
        const Bytes expected = PackBlock(in.data(), in.size());
        for (const uint32_t chunk : {1u, 4093u, 65536u, 1u << 20}) {
            if (chunk == 1 && in.size() > 1000)
                continue;  // a byte at a time costs a call per byte
            SCOPED_TRACE(testing::Message() << in.size() << " bytes, chunks of " << chunk);
            size_t at = 0;
            const Bytes block = packer.PackStream(
                static_cast<uint32_t>(in.size()),
                [&](uint8_t* buffer, uint32_t count) {
                    ASSERT_LE(count, chunk);
                    std::copy(in.begin() + at, in.begin() + at + count, buffer);
                    at += count;
                },
                chunk);
            EXPECT_EQ(at, in.size());
            EXPECT_TRUE(block == expected);
            EXPECT_TRUE(packer.Pack(in.data(), in.size()) == expected);
        }
    }
    EXPECT_THROW(
        packer.PackStream(
            100000, [](uint8_t*, uint32_t) { throw std::runtime_error("read failed"); }, 4096),
        std::runtime_error);
    EXPECT_TRUE(packer.PackStream(3, [](uint8_t* b, uint32_t) { std::fill(b, b + 3, 'x'); }) ==
                PackBlock(reinterpret_cast<const uint8_t*>("xxx"), 3));
}

TEST(UnpackBlock, RefusesDamagedBlocks) {
    const Bytes data = Random(3000, 3);
    const Bytes good = PackBlock(data.data(), data.size());
    struct Case {
        const char* name;
        Bytes block;
        uint32_t maxLength;
    };
    auto withLength = [&](uint32_t n) {
        Bytes b = good;
        b[0] = static_cast<uint8_t>(n);
        b[1] = static_cast<uint8_t>(n >> 8);
        b[2] = static_cast<uint8_t>(n >> 16);
        b[3] = static_cast<uint8_t>(n >> 24);
        return b;
    };
    Bytes trailing = good;
    trailing.push_back(0);
    Bytes cut = good;
    cut.resize(cut.size() - 5);
    Bytes flipped = good;
    flipped[good.size() / 2] ^= 0xFF;
    const Case cases[] = {
        {"shorter than the header", Bytes{1, 0, 0}, 0x7FFFFFFF},
        {"announces fewer bytes", withLength(2999), 0x7FFFFFFF},
        {"announces more bytes", withLength(3001), 0x7FFFFFFF},
        {"announces 4 GiB", withLength(0xFFFFFFFFu), 0xFFFFFFFFu},
        {"above the caller's limit", good, 2999},
        {"trailing bytes", trailing, 0x7FFFFFFF},
        {"stream cut short", cut, 0x7FFFFFFF},
        {"damaged stream", flipped, 0x7FFFFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(UnpackBlock(c.block.data(), c.block.size(), c.maxLength), CPackError);
    }
}

}  // namespace
