#include "cli/ConsoleUi.h"

#include "platform/Text.h"

namespace {

// Bytes that a terminal would take as a command rather than print: the C0 controls (a carriage
// return overprints, ESC starts a sequence that can clear the screen or set the clipboard), DEL,
// the single-byte CSI, and the five bytes the code page leaves undefined, which become C1
// controls (among them OSC and DCS) on the way to UTF-8. Tab and line feed lay text out.
bool IsTerminalControl(unsigned char c) {
    if (c == '\t' || c == '\n')
        return false;
    return c < 0x20 || c == 0x7F || c == 0x9B || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 ||
           c == 0x9D;
}

}  // namespace

std::string EscapeControls(const std::string& ansi) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(ansi.size());
    for (char ch : ansi) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (!IsTerminalControl(c)) {
            out += ch;
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string ConsoleText(const std::string& ansi) {
#ifdef _WIN32
    return EscapeControls(ansi);
#else
    return Utf8FromAnsi(EscapeControls(ansi));
#endif
}

bool AnsiFromArgument(const std::string& argument, std::string* ansi) {
#ifdef _WIN32
    *ansi = argument;
    return true;
#else
    return AnsiFromUtf8(argument, ansi);
#endif
}

MsgAnswer CConsoleUi::ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) {
    if (icon == MsgIcon::stop)
        ++m_nErrors;
    m_err << ConsoleText(text) << '\n';
    m_err.flush();
    switch (buttons) {
        case MsgButtons::ok:
            return MsgAnswer::ok;
        case MsgButtons::yesNo:
            return m_yesNoAnswer;
        case MsgButtons::okCancel:
        case MsgButtons::yesNoCancel:
            break;
    }
    return MsgAnswer::cancel;
}
