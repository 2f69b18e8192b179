// The console the program writes to: is a standard stream a terminal, and text for a Windows
// console.
//
// A Windows console shows 8-bit text in its OEM code page, not in the ANSI code page the book's
// texts and names are in, so non-ASCII characters would come out wrong. While a CConsoleText
// lives, std::cout and std::cerr that are a Windows console write through the console's
// wide-character output instead, converted from the ANSI code page; streams that go to a file
// or a pipe keep writing the bytes unchanged. Elsewhere it changes nothing: a POSIX terminal
// takes the UTF-8 that the command line already writes.
#pragma once

#include <memory>

enum class StdStream { output, error };

// True when the stream is an interactive terminal (a console window on Windows).
bool IsTerminal(StdStream stream);

class CConsoleText {
  public:
    CConsoleText();
    ~CConsoleText();
    CConsoleText(const CConsoleText&) = delete;
    CConsoleText& operator=(const CConsoleText&) = delete;

    struct Impl;

  private:
    std::unique_ptr<Impl> m_impl;
};
