#include "cli/ConsoleUi.h"

#include "platform/Text.h"

std::string ConsoleText(const std::string& ansi) {
#ifdef _WIN32
    return ansi;
#else
    return Utf8FromAnsi(ansi);
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
    if (icon == MsgIcon::stop || !m_bQuiet) {
        if (m_progress)
            m_progress->Clear();
        m_err << ConsoleText(text) << '\n';
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
