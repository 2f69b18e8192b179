// The Ui of the command line: messages go to the error stream, questions take the answer the
// command line was given (by default the safe one: No / Cancel), dialogs are not available.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "cli/Progress.h"
#include "platform/Ui.h"

// Text of the book (the ANSI code page) in the form the console shows: UTF-8 on Linux, unchanged
// on Windows; control characters escaped as EscapeControls does. Every text that may come from an
// e-book or a project file reaches the console through here.
std::string ConsoleText(const std::string& ansi);
// The text with every byte a terminal would obey instead of print written out: "\r" for a
// carriage return, "\x1B" and the like for the other controls below 0x20 and for 0x7F, 0x9B and
// the code page's undefined bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D). Tab and line feed stay.
std::string EscapeControls(const std::string& ansi);
// The same for UTF-8 text (names and addresses read from pages): C0 controls other than tab and
// line feed, DEL, and the C1 controls U+0080 to U+009F are written out ("\x9B").
std::string EscapeUtf8Controls(const std::string& utf8);
// Text from the command line (UTF-8, as main reads it on every system) in the book's ANSI code
// page: Windows-1252 on Linux, the system's ANSI code page on Windows, converted without any
// best-fit substitute. False when it has no such form; *missing (when given) then names what
// stands in the way: the characters as "U+03A9, U+65E5" (each once), or "bytes that are not
// UTF-8".
bool AnsiFromArgument(const std::string& argument, std::string* ansi,
                      std::string* missing = nullptr);

// Prints a UTF-8 line and a line feed: as ConsoleText prints it when the book's code page
// holds it, else through WriteUtf8Text (platform/Console.h) with its controls written out.
void PrintUtf8Line(std::ostream& out, const std::string& utf8);

class CConsoleUi : public Ui {
  public:
    explicit CConsoleUi(std::ostream& err) : m_err(err) {}

    // Prints the text as it would stand in the message box, then a line feed (with m_bQuiet,
    // only messages with the stop icon).
    MsgAnswer ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) override;
    // The same for UTF-8 text: text the book's code page holds is printed as ShowMessage prints
    // it; other text (names the code page cannot write) goes out as itself, through
    // WriteUtf8Text (platform/Console.h), never with "?" for its characters.
    MsgAnswer ShowMessageUtf8(const std::string& utf8, MsgIcon icon, MsgButtons buttons) override;
    // Redraws the progress line once EnableProgress was called; nothing otherwise.
    void ShowProgress(size_t done, size_t total, uint64_t bytes) override;
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    FolderBrowse BrowseForFolder(const std::string&, std::string*) override {
        return FolderBrowse::cancelled;
    }
    bool FileDialog(const FileDialogSpec&, std::string*) override { return false; }

    // Shows progress from now on (for a terminal; the caller decides).
    void EnableProgress();
    // Prints a line of information (not an error): nothing with m_bQuiet.
    void Inform(const std::string& text);
    // Prints text already in the console's form (see ConsoleText), whatever m_bQuiet says.
    void PrintConsoleText(const std::string& text);

    // Errors only.
    bool m_bQuiet = false;
    // The answer to yes/no questions (No unless set).
    MsgAnswer m_yesNoAnswer = MsgAnswer::no;
    // Number of messages with the stop icon shown so far.
    int m_nErrors = 0;

  private:
    // Counts an error, prints (unless quiet) through print, and gives the answer of buttons.
    template <class Print>
    MsgAnswer Show(MsgIcon icon, MsgButtons buttons, const Print& print);

    std::ostream& m_err;
    std::unique_ptr<CProgressLine> m_progress;
};
