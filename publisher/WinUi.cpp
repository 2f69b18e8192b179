#include "publisher/WinUi.h"

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "platform/win/ComPtr.h"
#include "platform/win/WinText.h"
#include "platform/win/Window.h"

namespace {

// The folder browser starts at the folder it was given: the selection is set once its window
// exists. Every other notification is left to the browser (0).
int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
    if (msg == BFFM_INITIALIZED)
        SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

}  // namespace

UINT WinUi::MessageBoxStyle(MsgIcon icon, MsgButtons buttons) {
    UINT style = 0;
    switch (icon) {
        case MsgIcon::none:
            break;
        case MsgIcon::stop:
            style |= MB_ICONSTOP;
            break;
        case MsgIcon::exclamation:
            style |= MB_ICONEXCLAMATION;
            break;
        case MsgIcon::question:
            style |= MB_ICONQUESTION;
            break;
        case MsgIcon::information:
            style |= MB_ICONINFORMATION;
            break;
    }
    switch (buttons) {
        case MsgButtons::ok:
            style |= MB_OK;
            break;
        case MsgButtons::okCancel:
            style |= MB_OKCANCEL;
            break;
        case MsgButtons::yesNo:
            style |= MB_YESNO;
            break;
        case MsgButtons::yesNoCancel:
            style |= MB_YESNOCANCEL;
            break;
    }
    return style;
}

namespace {

MsgAnswer Answer(int result, MsgButtons buttons) {
    // A box with only OK can only be acknowledged. Escape closes it with IDOK on Windows and
    // with IDCANCEL under Wine; either way the answer is OK.
    if (buttons == MsgButtons::ok)
        return MsgAnswer::ok;
    switch (result) {
        case IDOK:
            return MsgAnswer::ok;
        case IDYES:
            return MsgAnswer::yes;
        case IDNO:
            return MsgAnswer::no;
        default:
            // IDCANCEL, or 0 when the box could not be shown: the answer that changes nothing.
            return buttons == MsgButtons::yesNo ? MsgAnswer::no : MsgAnswer::cancel;
    }
}

}  // namespace

std::wstring WinUi::WrapLongWords(const std::wstring& text,
                                  const std::function<size_t(const std::wstring&)>& fits) {
    std::wstring out;
    for (size_t i = 0; i < text.size();) {
        size_t end = text.find_first_of(L" \n", i);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring word = text.substr(i, end - i);
        for (;;) {
            const size_t n = fits(word);
            if (n >= word.size() || n == 0)
                break;
            // The last separator that fits ends the piece (and stays with it); else the width.
            size_t cut = word.find_last_of(L"\\/", n - 1);
            cut = (cut == std::wstring::npos || cut == 0) ? n : cut + 1;
            out += word.substr(0, cut) + L'\n';
            word.erase(0, cut);
        }
        out += word;
        if (end < text.size())
            out += text[end];
        i = end + 1;
    }
    return out;
}

MsgAnswer WinUi::ShowWide(const std::wstring& text, MsgIcon icon, MsgButtons buttons) {
    // A message box breaks lines at spaces only: a long path would make it wider than the
    // screen. Words wider than five eighths of the work area (about where the box itself wraps
    // its lines) are broken first, measured in the font of message boxes.
    RECT work = {};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int maxWidth = (work.right - work.left) * 5 / 8;
    NONCLIENTMETRICSW ncm = {};
    ncm.cbSize = sizeof ncm;
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
    HFONT font = ::CreateFontIndirectW(&ncm.lfMessageFont);
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font);
    const std::wstring wrapped = WrapLongWords(text, [&](const std::wstring& line) -> size_t {
        INT fit = 0;
        SIZE size = {};
        if (!::GetTextExtentExPointW(dc, line.c_str(), static_cast<int>(line.size()), maxWidth,
                                     &fit, nullptr, &size))
            return line.size();
        return static_cast<size_t>(fit);
    });
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    ::DeleteObject(font);
    return Answer(::MessageBoxW(m_owner, wrapped.c_str(), CWinText::Wide(m_appName).c_str(),
                                MessageBoxStyle(icon, buttons)),
                  buttons);
}

MsgAnswer WinUi::ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) {
    return ShowWide(CWinText::Wide(text), icon, buttons);
}

MsgAnswer WinUi::ShowMessageUtf8(const std::string& utf8, MsgIcon icon, MsgButtons buttons) {
    return ShowWide(CWinText::Wide(utf8, CP_UTF8), icon, buttons);
}

void WinUi::BeginWaitCursor() {
    CWinWaitCursor::Begin();
}

void WinUi::EndWaitCursor() {
    CWinWaitCursor::End();
}

FolderBrowse WinUi::BrowseForFolder(const std::string& initial, std::string* chosen) {
    char display[MAX_PATH] = "";
    BROWSEINFOA bi = {};
    bi.hwndOwner = m_owner;
    bi.pidlRoot = nullptr;
    bi.pszDisplayName = display;
    bi.lpszTitle = "Select an e-book project directory";
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_VALIDATE;
    bi.lpfn = &BrowseCallback;
    bi.lParam = reinterpret_cast<LPARAM>(initial.c_str());
    LPITEMIDLIST pidl = SHBrowseForFolderA(&bi);
    if (!pidl)
        return FolderBrowse::cancelled;
    char path[MAX_PATH] = "";
    const BOOL havePath = SHGetPathFromIDListA(pidl, path);
    // The item list belongs to the shell's allocator.
    CComPtr<IMalloc> malloc;
    if (SUCCEEDED(SHGetMalloc(&malloc)))
        malloc->Free(pidl);
    if (!havePath)
        return FolderBrowse::noPath;
    *chosen = path;
    return FolderBrowse::chosen;
}

std::string WinUi::SystemFilter(const std::string& filter) {
    std::string out = filter;
    std::replace(out.begin(), out.end(), '|', '\0');
    // The list ends with an empty string; a filter written without the closing "||" gets it.
    out.push_back('\0');
    out.push_back('\0');
    return out;
}

bool WinUi::FileDialog(const FileDialogSpec& spec, std::string* chosen) {
    const std::string filter = SystemFilter(spec.strFilter);
    // Room for any path the dialog may return, and for the whole initial name: a cut initial
    // name would propose a different file.
    std::vector<char> file(std::max<size_t>(MAX_PATH, spec.strInitialName.size() + 1), '\0');
    std::copy(spec.strInitialName.begin(), spec.strInitialName.end(), file.begin());

    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = m_owner;
    ofn.lpstrFilter = spec.strFilter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = spec.strTitle.empty() ? nullptr : spec.strTitle.c_str();
    ofn.lpstrDefExt = spec.strDefExt.empty() ? nullptr : spec.strDefExt.c_str();
    ofn.Flags = spec.uFlags | OFN_EXPLORER;
    const BOOL ok = spec.bSave ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!ok)
        return false;
    *chosen = file.data();
    return true;
}
