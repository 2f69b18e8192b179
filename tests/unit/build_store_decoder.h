// An independent decoder of the store appended to an e-book, written for the tests from the
// byte layout alone (it shares no code with the store's own reader or writer): trailer, root
// record, class tags, directory and item records.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace storedec {

struct Item {
    uint16_t type;
    uint16_t id;
    std::vector<uint8_t> data;
};

struct Store {
    uint32_t base = 0;
    std::vector<Item> items;  // in file order

    const Item* Find(uint16_t type, uint16_t id) const {
        for (const Item& i : items)
            if (i.type == type && i.id == id)
                return &i;
        return nullptr;
    }
};

class Cursor {
  public:
    Cursor(const std::vector<uint8_t>& b, size_t pos, size_t end)
        : m_b(b), m_pos(pos), m_end(end) {}
    uint8_t U8() {
        Need(1);
        return m_b[m_pos++];
    }
    uint16_t U16() {
        const uint16_t lo = U8();
        return static_cast<uint16_t>(lo | (U8() << 8));
    }
    uint32_t U32() {
        const uint32_t lo = U16();
        return lo | (static_cast<uint32_t>(U16()) << 16);
    }
    uint32_t Count() {
        const uint16_t n = U16();
        return n == 0xFFFF ? U32() : n;
    }
    std::vector<uint8_t> Bytes(size_t n) {
        Need(n);
        std::vector<uint8_t> v(m_b.begin() + m_pos, m_b.begin() + m_pos + n);
        m_pos += n;
        return v;
    }
    size_t Pos() const { return m_pos; }

    // Reads a class tag; returns the class name ("CUpdateDir" or "CUpdateElem").
    std::string Tag() {
        const uint16_t tag = U16();
        if (tag == 0xFFFF) {
            if (U16() != 1)
                throw std::runtime_error("schema");
            const uint16_t len = U16();
            const std::vector<uint8_t> name = Bytes(len);
            m_classes.push_back(std::string(name.begin(), name.end()));
            m_classIndex.push_back(++m_next);  // the description takes an index...
            ++m_next;                          // ...and so does the object
            return m_classes.back();
        }
        if (!(tag & 0x8000))
            throw std::runtime_error("tag");
        ++m_next;
        for (size_t k = 0; k < m_classes.size(); ++k)
            if (m_classIndex[k] == (tag & 0x7FFFu))
                return m_classes[k];
        throw std::runtime_error("class index");
    }

  private:
    void Need(size_t n) {
        if (n > m_end - m_pos)
            throw std::runtime_error("store ends early");
    }
    const std::vector<uint8_t>& m_b;
    size_t m_pos;
    size_t m_end;
    std::vector<std::string> m_classes;
    std::vector<uint32_t> m_classIndex;
    uint32_t m_next = 0;
};

// Decodes the store of a whole e-book; throws std::runtime_error on any inconsistency,
// including bytes between the store and its trailer.
inline Store Decode(const std::vector<uint8_t>& file) {
    if (file.size() < 6)
        throw std::runtime_error("too short");
    const size_t t = file.size() - 6;
    Cursor trailer(file, t, file.size());
    Store s;
    s.base = trailer.U32();
    if (trailer.U16() != 0x474B)
        throw std::runtime_error("no trailer");
    if (s.base > t)
        throw std::runtime_error("base");
    Cursor c(file, s.base, t);
    if (c.U16() != 0)
        throw std::runtime_error("root id");
    const uint32_t types = c.Count();
    for (uint32_t k = 0; k < types; ++k) {
        if (c.Tag() != "CUpdateDir")
            throw std::runtime_error("dir class");
        const uint16_t type = c.U16();
        const uint32_t n = c.Count();
        for (uint32_t j = 0; j < n; ++j) {
            if (c.Tag() != "CUpdateElem")
                throw std::runtime_error("item class");
            Item item;
            item.type = type;
            item.id = c.U16();
            item.data = c.Bytes(c.U32());
            s.items.push_back(std::move(item));
        }
    }
    if (c.Pos() != t)
        throw std::runtime_error("bytes between store and trailer");
    return s;
}

}  // namespace storedec
