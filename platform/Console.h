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
#include <ostream>
#include <string>

enum class StdStream { output, error };

// True when the stream is an interactive terminal (a console window on Windows).
bool IsTerminal(StdStream stream);

// Writes UTF-8 text to stream, for text whose characters the ANSI code page cannot all hold (a
// file name in Greek): a Windows console that CConsoleText serves gets it through its
// wide-character output, anything else (a file, a pipe, a POSIX terminal) the UTF-8 bytes.
void WriteUtf8Text(std::ostream& stream, const std::string& utf8);

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
