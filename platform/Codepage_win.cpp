#include "platform/Codepage.h"

#include <windows.h>

#include <climits>
#include <vector>

bool DecodeCodePage(unsigned codePage, const uint8_t* p, size_t n, std::u32string* out) {
    if (!IsValidCodePage(codePage) || n > static_cast<size_t>(INT_MAX))
        return false;
    if (n == 0)
        return true;
    const char* in = reinterpret_cast<const char*>(p);
    const int count = static_cast<int>(n);
    const int wide = MultiByteToWideChar(codePage, 0, in, count, nullptr, 0);
    if (wide <= 0)
        return false;
    std::vector<wchar_t> units(static_cast<size_t>(wide));
    if (MultiByteToWideChar(codePage, 0, in, count, units.data(), wide) != wide)
        return false;
    out->reserve(out->size() + units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        *out += c;
    }
    return true;
}
