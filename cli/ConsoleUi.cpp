#include "cli/ConsoleUi.h"

#include <cstdint>
#include <vector>

#include "platform/Console.h"
#include "platform/Text.h"
#ifdef _WIN32
#include "platform/win/WinText.h"
#endif

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

std::string EscapeUtf8Controls(const std::string& utf8) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(utf8.size());
    for (size_t k = 0; k < utf8.size(); ++k) {
        const unsigned char c = static_cast<unsigned char>(utf8[k]);
        unsigned code = 0x100;  // none
        if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) {
            code = c;
        } else if (c == 0xC2 && k + 1 < utf8.size()) {
            // U+0080 to U+009F, the C1 controls, are C2 80 to C2 9F in UTF-8.
            const unsigned char next = static_cast<unsigned char>(utf8[k + 1]);
            if (next >= 0x80 && next <= 0x9F) {
                code = next;
                ++k;
            }
        }
        if (code == 0x100) {
            out += static_cast<char>(c);
        } else if (code == '\r') {
            out += "\\r";
        } else {
            out += "\\x";
            out += kHex[code >> 4];
            out += kHex[code & 15];
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

namespace {

void AddMissing(std::string* missing, const std::string& name) {
    if (!missing || (" " + *missing + ",").find(" " + name + ",") != std::string::npos)
        return;
    if (!missing->empty())
        *missing += ", ";
    *missing += name;
}

}  // namespace

bool AnsiFromArgument(const std::string& argument, std::string* ansi, std::string* missing) {
    if (missing)
        missing->clear();
#ifdef _WIN32
    const std::wstring wide = CWinText::Wide(argument, CP_UTF8);
    if (wide.empty() != argument.empty()) {
        AddMissing(missing, "bytes that are not UTF-8");
        return false;
    }
    const std::vector<std::wstring> chars = CWinText::Unrepresentable(wide, CP_ACP);
    for (const std::wstring& ch : chars)
        AddMissing(missing, CodePointName(CWinText::CodePoint(ch)));
    if (!chars.empty())
        return false;
    bool lossy = false;
    *ansi = CWinText::AnsiStrict(wide, CP_ACP, &lossy);
    return !lossy;
#else
    if (AnsiFromUtf8(argument, ansi))
        return true;
    // Character by character, to name the ones that have no form.
    for (size_t i = 0; i < argument.size();) {
        const unsigned char lead = static_cast<unsigned char>(argument[i]);
        size_t len = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (i + len > argument.size())
            len = argument.size() - i;
        const std::string one = argument.substr(i, len);
        std::string unused;
        if (!AnsiFromUtf8(one, &unused)) {
            uint32_t cp = len == 1 ? lead : lead & (0xFF >> (len + 1));
            bool valid = len > 1;
            for (size_t k = 1; k < len; ++k) {
                const unsigned char c = static_cast<unsigned char>(one[k]);
                valid = valid && (c & 0xC0) == 0x80;
                cp = (cp << 6) | (c & 0x3F);
            }
            AddMissing(missing, valid ? CodePointName(cp) : "bytes that are not UTF-8");
        }
        i += len;
    }
    return false;
#endif
}

void PrintUtf8Line(std::ostream& out, const std::string& utf8) {
    std::string ansi;
    if (AnsiFromArgument(utf8, &ansi))
        out << ConsoleText(ansi) << '\n';
    else
        WriteUtf8Text(out, EscapeUtf8Controls(utf8) + "\n");
}

template <class Print>
MsgAnswer CConsoleUi::Show(MsgIcon icon, MsgButtons buttons, const Print& print) {
    if (icon == MsgIcon::stop)
        ++m_nErrors;
    if (icon == MsgIcon::stop || !m_bQuiet) {
        if (m_progress)
            m_progress->Clear();
        print();
        m_err.flush();
    }
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

MsgAnswer CConsoleUi::ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) {
    return Show(icon, buttons, [&] { m_err << ConsoleText(text) << '\n'; });
}

MsgAnswer CConsoleUi::ShowMessageUtf8(const std::string& utf8, MsgIcon icon, MsgButtons buttons) {
    return Show(icon, buttons, [&] { PrintUtf8Line(m_err, utf8); });
}

void CConsoleUi::ShowProgress(size_t done, size_t total, uint64_t bytes) {
    if (!m_progress)
        return;
    if (done >= total)
        m_progress->Clear();
    else
        m_progress->Update(done, total, bytes);
}

void CConsoleUi::EnableProgress() {
    if (!m_bQuiet && !m_progress)
        m_progress.reset(new CProgressLine(m_err));
}

void CConsoleUi::Inform(const std::string& text) {
    if (m_bQuiet)
        return;
    if (m_progress)
        m_progress->Clear();
    m_err << ConsoleText(text) << '\n';
    m_err.flush();
}

void CConsoleUi::PrintConsoleText(const std::string& text) {
    if (m_progress)
        m_progress->Clear();
    m_err << text;
    m_err.flush();
}
