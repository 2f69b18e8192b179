// What the folder listing decides the same way on every system: the NTFS name order, shared by
// the Linux folder listing and the tests that compare it with what Windows (and Wine) return, and
// which of several names equal ignoring case a path opens.
#include "platform/Folder.h"

#include <algorithm>

#include "platform/FolderOrder.h"
#include "platform/Text.h"

std::vector<uint32_t> DecodeUtf8Lenient(const std::string& s) {
    std::vector<uint32_t> out;
    out.reserve(s.size());
    const size_t n = s.size();
    for (size_t i = 0; i < n;) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t len = 0;
        uint32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        }
        bool ok = len != 0 && len <= n - i;
        for (size_t k = 1; ok && k < len; ++k) {
            const unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (cc & 0x3F);
        }
        if (ok && ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
                   (cp >= 0xD800 && cp <= 0xDFFF)))
            ok = false;
        if (ok) {
            out.push_back(cp);
            i += len;
        } else {
            out.push_back(c);
            ++i;
        }
    }
    return out;
}

uint32_t NtfsUpcase(uint32_t cp) {
    if (cp < 0x80)
        return (cp >= 'a' && cp <= 'z') ? cp - 0x20 : cp;
    if (cp < 0x100) {
        // The micro sign stays itself (it does in the NTFS table and in Wine's).
        if (cp == 0xFF)
            return 0x178;  // y diaeresis
        if (cp >= 0xE0 && cp != 0xF7)
            return cp - 0x20;
        return cp;
    }
    if (cp < 0x180) {  // Latin Extended-A: pairs of capital and small letters
        // Dotless i and long s stay themselves: their capitals belong to other letters.
        if ((cp >= 0x100 && cp <= 0x12F) || (cp >= 0x132 && cp <= 0x137) ||
            (cp >= 0x14A && cp <= 0x177))
            return (cp & 1) ? cp - 1 : cp;
        if ((cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E))
            return (cp & 1) ? cp : cp - 1;
        return cp;
    }
    if (cp == 0x192)
        return 0x191;                  // f with hook
    if (cp >= 0x3AC && cp <= 0x3CE) {  // Greek
        if (cp == 0x3AC)
            return 0x386;
        if (cp <= 0x3AF)
            return cp - 0x25;
        if (cp == 0x3C2)
            return 0x3A3;  // final sigma
        if (cp >= 0x3B1 && cp <= 0x3CB)
            return cp - 0x20;
        if (cp == 0x3CC)
            return 0x38C;
        if (cp >= 0x3CD)
            return cp - 0x3F;
        return cp;
    }
    if (cp >= 0x430 && cp <= 0x44F)
        return cp - 0x20;  // Cyrillic
    if (cp >= 0x450 && cp <= 0x45F)
        return cp - 0x50;
    if (cp >= 0xFF41 && cp <= 0xFF5A)
        return cp - 0x20;  // full-width Latin
    return cp;
}

std::vector<uint16_t> NtfsSortKey(const std::string& utf8Name) {
    const std::vector<uint32_t> cps = DecodeUtf8Lenient(utf8Name);
    std::vector<uint16_t> key;
    key.reserve(cps.size());
    for (uint32_t cp : cps) {
        if (cp >= 0x10000) {
            // Outside the basic plane: a surrogate pair, which sorts as its two code units.
            const uint32_t v = cp - 0x10000;
            key.push_back(static_cast<uint16_t>(0xD800 + (v >> 10)));
            key.push_back(static_cast<uint16_t>(0xDC00 + (v & 0x3FF)));
        } else {
            key.push_back(static_cast<uint16_t>(NtfsUpcase(cp)));
        }
    }
    return key;
}

int CompareNtfsOrder(const std::string& utf8A, const std::string& utf8B) {
    const std::vector<uint16_t> a = NtfsSortKey(utf8A);
    const std::vector<uint16_t> b = NtfsSortKey(utf8B);
    if (a < b)
        return -1;
    return b < a ? 1 : 0;
}

bool OpensBeforeCaseTwin(const std::string& ansiA, const std::string& ansiB) {
    const bool lowerA = AnsiLower(ansiA) == ansiA;
    const bool lowerB = AnsiLower(ansiB) == ansiB;
    if (lowerA != lowerB)
        return lowerA;
    // Unsigned bytes, on every system.
    return std::lexicographical_compare(
        ansiA.begin(), ansiA.end(), ansiB.begin(), ansiB.end(), [](char x, char y) {
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
        });
}
