#include "viewer/SelfTest.h"

#include <windows.h>
#include <commctrl.h>

#include "platform/win/ScopedWin.h"
#include "platform/win/WinText.h"
#include "viewer/MainWindow.h"
#include "book/Book.h"
#include "book/BookUrl.h"

namespace {

std::string Escape(const std::string& utf8) {
    std::string out;
    for (char c : utf8) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string Utf8(const std::string& ansi) {
    return CWinText::Ansi(CWinText::Wide(ansi), CP_UTF8);
}

void Line(std::string& out, const char* key, const std::string& utf8Value) {
    out += key;
    out += '=';
    out += Escape(utf8Value);
    out += '\n';
}

const char* OutcomeName(NavOutcome outcome) {
    switch (outcome) {
        case NavOutcome::complete:
            return "complete";
        case NavOutcome::error:
            return "error";
        case NavOutcome::noBrowser:
            return "no-browser";
        case NavOutcome::pending:
            return "pending";
        default:
            return "none";
    }
}

}  // namespace

std::string FormatSelfTestReport(CBook& book, const CMainWindow* window) {
    std::string out;
    Line(out, "pagevane-viewer-selftest", "1");
    const CBook::State state = book.GetState();
    Line(out, "store",
         state == CBook::State::open   ? "ok"
         : state == CBook::State::bare ? "bare"
                                       : "damaged");
    Line(out, "error", Utf8(book.GetErrorText()));
    if (state != CBook::State::open)
        return out;
    Line(out, "title", Utf8(book.GetText(kTitle)));
    Line(out, "author", Utf8(book.GetText(kAuthor)));
    Line(out, "copyright", Utf8(book.GetText(kCopyright)));
    Line(out, "url", Utf8(book.GetText(kUrl)));
    Line(out, "email", Utf8(book.GetText(kEMail)));
    Line(out, "about", Utf8(book.GetText(kAboutInfo)));
    size_t search = 0;
    for (const BookFile& f : book.Files())
        search += f.bInSearch ? 1 : 0;
    Line(out, "files", std::to_string(book.Files().size()));
    Line(out, "sequence", std::to_string(book.Sequence().size()));
    Line(out, "search", std::to_string(search));
    Line(out, "home",
         book.Sequence().empty() ? std::string()
                                 : Utf8(book.Files()[book.Sequence().front()].strName));
    std::string settings;
    for (int i = 0; i < kSettingCount; ++i)
        settings += std::string(i ? " " : "") + (book.GetSetting(i) ? "1" : "0");
    Line(out, "settings", settings);

    std::string buttons;
    std::string enabled;
    if (window) {
        HWND tb = window->GetToolbar();
        for (int id : window->ToolbarCommands()) {
            buttons += (buttons.empty() ? "" : " ") + std::to_string(id);
            if (tb && SendMessageA(tb, TB_ISBUTTONENABLED, id, 0))
                enabled += (enabled.empty() ? "" : " ") + std::to_string(id);
        }
    }
    Line(out, "toolbar", window && window->GetToolbar() ? "yes" : "no");
    Line(out, "buttons", buttons);
    Line(out, "enabled", enabled);

    SplashImage splash;
    const bool hasSplash = book.ReadSplash(&splash);
    Line(out, "splash", hasSplash ? "yes" : "no");
    Line(out, "splash_size",
         hasSplash ? std::to_string(splash.nWidth) + "x" + std::to_string(splash.nHeight) : "0x0");
    char status[16];
    wsprintfA(status, "0x%08lX", static_cast<unsigned long>(window ? window->GetNavStatus() : 0));
    Line(out, "navigation", window ? OutcomeName(window->GetNavOutcome()) : "none");
    Line(out, "navigation_status", status);
    Line(out, "current", window ? Utf8(window->CurrentUrl()) : std::string());
    Line(out, "message", window ? Utf8(window->GetMessageText()) : std::string());
    Line(out, "engine", window ? window->EngineKind() : std::string());
    Line(out, "dpi", window ? std::to_string(window->WindowDpi()) : std::string());
    Line(out, "toolbar_clipped", window ? std::to_string(window->ClippedToolbarButtons()) : "");
    return out;
}

bool WriteSelfTestReport(const std::string& path, const std::string& text) {
    ScopedHandle h(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h)
        return false;
    DWORD written = 0;
    const BOOL ok =
        WriteFile(h.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return ok && written == text.size();
}
