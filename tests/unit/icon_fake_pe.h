// Test helpers for the icon and build tests: a small PE32 i386 (or PE32+ x86-64) image laid out
// like the viewer program (group icon 128 with one 32x32 16-colour 744-byte entry, icon 1 holding
// that image), followed by some bytes standing for an appended store.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fakepe {

inline void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k)
        b[at + k] = static_cast<uint8_t>(v >> (8 * k));
}
inline uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// File offsets of the pieces, for tests that damage them.
struct Layout {
    static constexpr size_t kLfanew = 0x80;
    static constexpr size_t kSections = 0x80 + 24 + 224;    // two headers: .text, .rsrc
    static constexpr size_t kSections64 = 0x80 + 24 + 240;  // the same after a PE32+ header
    static constexpr size_t kRsrc = 0x400;                  // raw data of .rsrc
    static constexpr uint32_t kRsrcRva = 0x2000;
    // Offsets within .rsrc.
    static constexpr size_t kRoot = 0x00;          // ids 3 and 14
    static constexpr size_t kIconTypeDir = 0x20;   // id 1
    static constexpr size_t kGroupTypeDir = 0x38;  // id 128
    static constexpr size_t kIconLangDir = 0x50;
    static constexpr size_t kGroupLangDir = 0x68;
    static constexpr size_t kIconData = 0x80;
    static constexpr size_t kGroupData = 0x90;
    static constexpr size_t kImage = 0xA0;           // 744 bytes
    static constexpr size_t kGroup = 0xA0 + 744;     // group directory
    static constexpr size_t kRsrcRaw = 0x400;        // SizeOfRawData
    static constexpr size_t kStore = 0x400 + 0x400;  // where the image ends and the "store" begins
};

// The viewer-like image: every byte of the stub's icon image is 0x11, the "store" tail 0x5A.
// With pe32Plus the headers are those of an x86-64 program (PE32+, a 240-byte optional header).
inline std::vector<uint8_t> MakeViewer(size_t storeBytes = 64, bool pe32Plus = false) {
    std::vector<uint8_t> b(Layout::kStore + storeBytes, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 60, Layout::kLfanew);
    const size_t nt = Layout::kLfanew;
    std::memcpy(&b[nt], "PE\0\0", 4);
    Put16(b, nt + 4, pe32Plus ? 0x8664 : 0x014C);   // x86-64 or i386
    Put16(b, nt + 6, 2);                            // sections
    Put16(b, nt + 20, pe32Plus ? 240 : 224);        // SizeOfOptionalHeader
    Put16(b, nt + 24, pe32Plus ? 0x020B : 0x010B);  // PE32+ or PE32
    size_t s = pe32Plus ? Layout::kSections64 : Layout::kSections;
    std::memcpy(&b[s], ".text\0\0\0", 8);
    Put32(b, s + 12, 0x1000);
    Put32(b, s + 16, 0x200);
    Put32(b, s + 20, 0x200);
    s += 40;
    std::memcpy(&b[s], ".rsrc\0\0\0", 8);
    Put32(b, s + 12, Layout::kRsrcRva);
    Put32(b, s + 16, Layout::kRsrcRaw);
    Put32(b, s + 20, Layout::kRsrc);

    const size_t r = Layout::kRsrc;
    auto dir = [&](size_t at, uint16_t ids) { Put16(b, r + at + 14, ids); };
    auto entry = [&](size_t at, uint32_t name, uint32_t target) {
        Put32(b, r + at, name);
        Put32(b, r + at + 4, target);
    };
    dir(Layout::kRoot, 2);
    entry(Layout::kRoot + 16, 3, 0x80000000u | Layout::kIconTypeDir);
    entry(Layout::kRoot + 24, 14, 0x80000000u | Layout::kGroupTypeDir);
    dir(Layout::kIconTypeDir, 1);
    entry(Layout::kIconTypeDir + 16, 1, 0x80000000u | Layout::kIconLangDir);
    dir(Layout::kGroupTypeDir, 1);
    entry(Layout::kGroupTypeDir + 16, 128, 0x80000000u | Layout::kGroupLangDir);
    dir(Layout::kIconLangDir, 1);
    entry(Layout::kIconLangDir + 16, 1033, Layout::kIconData);
    dir(Layout::kGroupLangDir, 1);
    entry(Layout::kGroupLangDir + 16, 1033, Layout::kGroupData);
    Put32(b, r + Layout::kIconData, Layout::kRsrcRva + Layout::kImage);
    Put32(b, r + Layout::kIconData + 4, 744);
    Put32(b, r + Layout::kGroupData, Layout::kRsrcRva + Layout::kGroup);
    Put32(b, r + Layout::kGroupData + 4, 6 + 14);
    std::memset(&b[r + Layout::kImage], 0x11, 744);
    const size_t g = r + Layout::kGroup;
    Put16(b, g + 2, 1);
    Put16(b, g + 4, 1);
    b[g + 6] = 32;
    b[g + 7] = 32;
    b[g + 8] = 16;
    Put16(b, g + 10, 1);
    Put16(b, g + 12, 4);
    Put32(b, g + 14, 744);
    Put16(b, g + 18, 1);
    std::memset(&b[Layout::kStore], 0x5A, storeBytes);
    return b;
}

// Signed programs. The fake viewer with the 16 data directories linkers write; entry 4 (the
// certificate table) lies at 0x118 in its PE32 header and at 0x128 in its PE32+ one, the header
// checksum at 0xD8.
constexpr size_t kChecksumAt = 0xD8;
inline size_t Entry4At(bool pe32Plus) {
    return pe32Plus ? 0x128 : 0x118;
}
inline std::vector<uint8_t> MakeSignableViewer(bool pe32Plus = false) {
    std::vector<uint8_t> b = MakeViewer(0, pe32Plus);
    Put32(b, pe32Plus ? 0x104 : 0xF4, 16);
    return b;
}
// What a signer makes of a file: the padding given, then a 40-byte certificate table of 0xC3
// bytes named by entry 4, and a header checksum.
inline std::vector<uint8_t> Sign(std::vector<uint8_t> b, const std::vector<uint8_t>& padding,
                                 bool pe32Plus = false) {
    b.insert(b.end(), padding.begin(), padding.end());
    Put32(b, Entry4At(pe32Plus), static_cast<uint32_t>(b.size()));
    Put32(b, Entry4At(pe32Plus) + 4, 40);
    Put32(b, kChecksumAt, 0x12345);
    b.insert(b.end(), 40, 0xC3);
    return b;
}

inline std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}
inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}
inline void WriteFile(const std::string& path, const std::string& text) {
    WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace fakepe
