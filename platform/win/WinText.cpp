#include "platform/win/WinText.h"

#include <climits>
#include <cwchar>

std::wstring CWinText::Wide(const std::string& text, UINT cp) {
    // Both calls take int lengths; longer text than that is not something a window or a file
    // name can hold, and is refused rather than cut silently.
    if (text.empty() || text.size() > static_cast<size_t>(INT_MAX))
        return std::wstring();
    const int len = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(cp, 0, text.data(), len, nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(cp, 0, text.data(), len, &out[0], n);
    return out;
}

std::string CWinText::Ansi(const wchar_t* text, UINT cp) {
    if (!text)
        return std::string();
    return Ansi(std::wstring(text), cp);
}

namespace {

std::string Narrow(const std::wstring& text, UINT cp, DWORD flags, BOOL* usedDefault) {
    if (text.empty() || text.size() > static_cast<size_t>(INT_MAX))
        return std::string();
    const int len = static_cast<int>(text.size());
    const int n =
        WideCharToMultiByte(cp, flags, text.data(), len, nullptr, 0, nullptr, usedDefault);
    if (n <= 0)
        return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(cp, flags, text.data(), len, &out[0], n, nullptr, usedDefault);
    return out;
}

}  // namespace

std::string CWinText::Ansi(const std::wstring& text, UINT cp) {
    return Narrow(text, cp, 0, nullptr);
}

std::string CWinText::AnsiStrict(const std::wstring& text, UINT cp, bool* lossy) {
    BOOL usedDefault = FALSE;
    std::string out = Narrow(text, cp, WC_NO_BEST_FIT_CHARS, &usedDefault);
    if (lossy)
        *lossy = usedDefault != FALSE || (out.empty() && !text.empty());
    return out;
}

std::vector<std::wstring> CWinText::Unrepresentable(const std::wstring& text, UINT cp) {
    std::vector<std::wstring> found;
    for (size_t i = 0; i < text.size();) {
        size_t len = 1;
        if (text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000)
            len = 2;
        const std::wstring one = text.substr(i, len);
        i += len;
        bool lossy = false;
        AnsiStrict(one, cp, &lossy);
        if (!lossy)
            continue;
        bool seen = false;
        for (const std::wstring& f : found)
            seen = seen || f == one;
        if (!seen)
            found.push_back(one);
    }
    return found;
}

uint32_t CWinText::CodePoint(const std::wstring& ch) {
    if (ch.empty())
        return 0;
    if (ch.size() == 2)
        return 0x10000 + ((static_cast<uint32_t>(ch[0]) - 0xD800) << 10) +
               (static_cast<uint32_t>(ch[1]) - 0xDC00);
    return ch[0];
}
