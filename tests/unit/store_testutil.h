// Helpers shared by the store and project file tests: whole-file access and
// a watch on the largest allocation made while a piece of code runs.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include "TempFolder.h"

inline std::vector<uint8_t> ReadAll(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        uint8_t buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            bytes.insert(bytes.end(), buf, buf + n);
        std::fclose(f);
    }
    return bytes;
}

inline void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (!bytes.empty()) {
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    }
    std::fclose(f);
}

// Little-endian byte builder for crafted files.
class Bytes {
  public:
    Bytes& U8(uint8_t v) {
        m_b.push_back(v);
        return *this;
    }
    Bytes& U16(uint16_t v) { return U8(static_cast<uint8_t>(v)).U8(static_cast<uint8_t>(v >> 8)); }
    Bytes& U32(uint32_t v) {
        return U16(static_cast<uint16_t>(v)).U16(static_cast<uint16_t>(v >> 16));
    }
    Bytes& Text(const std::string& s) {
        m_b.insert(m_b.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& Raw(const std::vector<uint8_t>& v) {
        m_b.insert(m_b.end(), v.begin(), v.end());
        return *this;
    }
    Bytes& NewClass(const std::string& name, uint16_t schema = 1) {
        return U16(0xFFFF).U16(schema).U16(static_cast<uint16_t>(name.size())).Text(name);
    }
    const std::vector<uint8_t>& Get() const { return m_b; }
    size_t Size() const { return m_b.size(); }

  private:
    std::vector<uint8_t> m_b;
};

// The largest single allocation made while fn runs, when AddressSanitizer can tell; -1 otherwise.
#if defined(__SANITIZE_ADDRESS__)
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*,
                                                                             size_t),
                                                         void (*free_hook)(const volatile void*));
namespace allocwatch {
inline size_t& Largest() {
    static size_t largest = 0;
    return largest;
}
inline void OnMalloc(const volatile void*, size_t size) {
    if (size > Largest())
        Largest() = size;
}
inline void OnFree(const volatile void*) {}
}  // namespace allocwatch
inline long long LargestAllocationDuring(const std::function<void()>& fn) {
    static const bool installed =
        __sanitizer_install_malloc_and_free_hooks(allocwatch::OnMalloc, allocwatch::OnFree) != 0;
    if (!installed) {
        fn();
        return -1;
    }
    allocwatch::Largest() = 0;
    fn();
    return static_cast<long long>(allocwatch::Largest());
}
#else
inline long long LargestAllocationDuring(const std::function<void()>& fn) {
    fn();
    return -1;
}
#endif
