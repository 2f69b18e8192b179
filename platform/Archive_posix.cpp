// Wide strings in an archive become Windows-1252 text, the code page the core uses off Windows.
#include "platform/Archive.h"
#include "platform/Text.h"

std::string AnsiFromUtf16Le(const uint8_t* bytes, size_t units) {
    std::string out;
    out.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        uint32_t cp = static_cast<uint32_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units) {
            const uint32_t low = static_cast<uint32_t>(bytes[2 * i + 2] | (bytes[2 * i + 3] << 8));
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        const int c = UnicodeToCp1252(cp);
        out += c < 0 ? '?' : static_cast<char>(c);
    }
    return out;
}
