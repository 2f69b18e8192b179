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
