// The one place where the programs convert between 8-bit text and UTF-16. std::string holds text
// in the Windows ANSI code page unless a caller says otherwise (CP_UTF8, for one).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class CWinText {
  public:
    // 8-bit text in code page cp to UTF-16. Empty for empty input.
    static std::wstring Wide(const std::string& text, UINT cp = CP_ACP);
    // UTF-16 to 8-bit text in code page cp; characters without a form there become the code
    // page's default character. Empty for empty input or a null pointer.
    static std::string Ansi(const std::wstring& text, UINT cp = CP_ACP);
    static std::string Ansi(const wchar_t* text, UINT cp = CP_ACP);
    // Strict form for names that must round-trip: no best-fit mapping ("a" for "a with macron"),
    // and *lossy set when a character has no form in cp (a "?" stands for it) or the conversion
    // failed. cp must be a real code page (not CP_UTF8 or CP_UTF7, which have no such test).
    static std::string AnsiStrict(const std::wstring& text, UINT cp, bool* lossy);
    // The characters of text that code page cp cannot hold without change (as AnsiStrict
    // judges), each once, in the order first met; a surrogate pair is one character.
    static std::vector<std::wstring> Unrepresentable(const std::wstring& text, UINT cp);
    // The code point of one character given as one UTF-16 unit or a surrogate pair.
    static uint32_t CodePoint(const std::wstring& ch);
};
