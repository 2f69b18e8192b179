#include "platform/Codepage.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace {

// The names iconv knows the Windows code pages by.
const char* IconvName(unsigned codePage) {
    switch (codePage) {
        case 932:
            return "CP932";
        case 936:
            return "GBK";
        case 949:
            return "CP949";
        case 950:
            return "BIG5";
        case 20932:
            return "EUC-JP";
        case 50220:
            return "ISO-2022-JP";
        case 54936:
            return "GB18030";
        default:
            return nullptr;
    }
}

}  // namespace

bool DecodeCodePage(unsigned codePage, const uint8_t* p, size_t n, std::u32string* out) {
    const char* name = IconvName(codePage);
    if (!name)
        return false;
    iconv_t cd = iconv_open("UTF-32LE", name);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    std::u32string result;
    std::vector<char> buffer(4096);
    char* in = const_cast<char*>(reinterpret_cast<const char*>(p));
    size_t inLeft = n;
    while (inLeft > 0) {
        char* to = buffer.data();
        size_t toLeft = buffer.size();
        const size_t rc = iconv(cd, &in, &inLeft, &to, &toLeft);
        const size_t made = buffer.size() - toLeft;
        for (size_t k = 0; k + 4 <= made; k += 4) {
            const auto* b = reinterpret_cast<const unsigned char*>(buffer.data() + k);
            result += static_cast<char32_t>(b[0] | (b[1] << 8) | (b[2] << 16) |
                                            (static_cast<uint32_t>(b[3]) << 24));
        }
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            // An invalid or cut-off sequence: one replacement character, then go on.
            result += U'\uFFFD';
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    *out += result;
    return true;
}
