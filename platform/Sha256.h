// SHA-256 (FIPS 180-4), for names that must not collide: the web origin of each e-book is made
// from the digest of the book's path.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class CSha256 {
  public:
    CSha256();
    // Adds n bytes to the message.
    void Update(const void* data, size_t n);
    // The digest of everything added; the object is spent afterwards.
    std::array<uint8_t, 32> Final();

    // The digest of one string.
    static std::array<uint8_t, 32> Of(const std::string& text);

  private:
    void Block(const uint8_t* p);

    uint32_t m_state[8];
    uint8_t m_buffer[64];
    size_t m_used = 0;
    uint64_t m_length = 0;  // bytes added
};
