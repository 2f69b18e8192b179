#include "platform/Ui.h"

#include "platform/Text.h"

MsgAnswer Ui::ShowMessageUtf8(const std::string& utf8, MsgIcon icon, MsgButtons buttons) {
    // Character by character: each UTF-8 sequence that has an ANSI form keeps it.
    std::string ansi;
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        size_t len = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        while (len > 1 && i + len > utf8.size())
            --len;
        std::string one;
        if (AnsiFromUtf8(utf8.substr(i, len), &one))
            ansi += one;
        else
            ansi += '?';
        i += len;
    }
    return ShowMessage(ansi, icon, buttons);
}
