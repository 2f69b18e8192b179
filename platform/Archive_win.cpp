// Wide strings in an archive become text in the system's ANSI code page.
#include "platform/Archive.h"

#include <windows.h>

#include <vector>

std::string AnsiFromUtf16Le(const uint8_t* bytes, size_t units) {
    if (units == 0)
        return std::string();
    std::vector<wchar_t> wide(units);
    for (size_t i = 0; i < units; ++i)
        wide[i] = static_cast<wchar_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(units), nullptr, 0,
                                      nullptr, nullptr);
    if (n <= 0)
        return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(units), &out[0], n, nullptr,
                        nullptr);
    return out;
}
