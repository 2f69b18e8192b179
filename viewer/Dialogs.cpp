#include "viewer/Dialogs.h"

#include <shellapi.h>

#include <vector>

#include "viewer/ComUtil.h"
#include "viewer/book/Book.h"
#include "viewer/book/BookSearch.h"
#include "viewer/book/BookUrl.h"
#include "viewer/resource.h"

namespace {

const char kFontProp[] = "PvLinkFont";
const char kBoldProp[] = "PvBoldFont";

HINSTANCE Instance() {
    return GetModuleHandleA(nullptr);
}

// Line breaks as an edit control shows them: every lone "\n" becomes "\r\n".
std::string WithCrLf(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

void SetItemText(HWND dlg, int id, const std::string& ansi) {
    SetDlgItemTextW(dlg, id, WideFromAnsi(ansi).c_str());
}

std::string ItemText(HWND dlg, int id) {
    HWND item = GetDlgItem(dlg, id);
    const int n = GetWindowTextLengthW(item);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(item, &text[0], n + 1);
    text.resize(static_cast<size_t>(n));
    return AnsiFromWide(text.c_str());
}

// Opens a web address or an e-mail address in the user's own programs.
void OpenLink(HWND dlg, int id) {
    std::string target = ItemText(dlg, id);
    if (target.empty())
        return;
    if (id == IDC_ABOUT_EMAIL) {
        if (UrlScheme(target) != "mailto")
            target = "mailto:" + target;
    } else if (UrlScheme(target).empty()) {
        target = "http://" + target;
    }
    ShellExecuteA(dlg, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

HFONT DerivedFont(HWND dlg, bool bold, bool underline) {
    LOGFONTA lf = {};
    HFONT base = reinterpret_cast<HFONT>(SendMessageA(dlg, WM_GETFONT, 0, 0));
    GetObjectA(base ? static_cast<HGDIOBJ>(base) : GetStockObject(DEFAULT_GUI_FONT), sizeof(lf),
               &lf);
    if (bold) {
        lf.lfWeight = FW_BOLD;
        lf.lfHeight = lf.lfHeight * 5 / 4;
    }
    lf.lfUnderline = underline ? TRUE : FALSE;
    return CreateFontIndirectA(&lf);
}

bool IsLink(HWND dlg, HWND control) {
    return control == GetDlgItem(dlg, IDC_ABOUT_URL) || control == GetDlgItem(dlg, IDC_ABOUT_EMAIL);
}

INT_PTR CALLBACK AboutProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG: {
            const CBook* book = reinterpret_cast<const CBook*>(lp);
            const std::string& title = book->GetText(kTitle);
            SetWindowTextW(
                dlg, WideFromAnsi("About " + (title.empty() ? "this e-book" : title)).c_str());
            SetItemText(dlg, IDC_ABOUT_TITLE, title);
            SetItemText(dlg, IDC_ABOUT_AUTHOR, book->GetText(kAuthor));
            SetItemText(dlg, IDC_ABOUT_COPYRIGHT, book->GetText(kCopyright));
            SetItemText(dlg, IDC_ABOUT_URL, book->GetText(kUrl));
            SetItemText(dlg, IDC_ABOUT_EMAIL, book->GetText(kEMail));
            SetItemText(dlg, IDC_ABOUT_INFO, WithCrLf(book->GetText(kAboutInfo)));
            HFONT bold = DerivedFont(dlg, true, false);
            HFONT link = DerivedFont(dlg, false, true);
            SetPropA(dlg, kBoldProp, bold);
            SetPropA(dlg, kFontProp, link);
            SendDlgItemMessageA(dlg, IDC_ABOUT_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(bold),
                                FALSE);
            SendDlgItemMessageA(dlg, IDC_ABOUT_URL, WM_SETFONT, reinterpret_cast<WPARAM>(link),
                                FALSE);
            SendDlgItemMessageA(dlg, IDC_ABOUT_EMAIL, WM_SETFONT, reinterpret_cast<WPARAM>(link),
                                FALSE);
            // Focus on OK rather than on the About text, which would show up all selected.
            SetFocus(GetDlgItem(dlg, IDOK));
            return FALSE;
        }
        case WM_CTLCOLORSTATIC:
            if (IsLink(dlg, reinterpret_cast<HWND>(lp))) {
                HDC dc = reinterpret_cast<HDC>(wp);
                SetTextColor(dc, RGB(0, 0, 204));
                SetBkMode(dc, TRANSPARENT);
                return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
            }
            return FALSE;
        case WM_SETCURSOR:
            if (IsLink(dlg, reinterpret_cast<HWND>(wp))) {
                SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
                SetWindowLongPtrA(dlg, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            return FALSE;
        case WM_COMMAND:
            switch (LOWORD(wp)) {
                case IDC_ABOUT_URL:
                case IDC_ABOUT_EMAIL:
                    if (HIWORD(wp) == STN_CLICKED)
                        OpenLink(dlg, LOWORD(wp));
                    return TRUE;
                case IDOK:
                case IDCANCEL:
                    if (GetPropA(dlg, "PvModeless"))
                        DestroyWindow(dlg);
                    else
                        EndDialog(dlg, LOWORD(wp));
                    return TRUE;
                default:
                    return FALSE;
            }
        case WM_DESTROY:
            DeleteObject(static_cast<HGDIOBJ>(RemovePropA(dlg, kBoldProp)));
            DeleteObject(static_cast<HGDIOBJ>(RemovePropA(dlg, kFontProp)));
            RemovePropA(dlg, "PvModeless");
            return FALSE;
        default:
            return FALSE;
    }
}

struct SearchState {
    CBook* book;
    std::string* chosen;
    bool modeless;
    std::vector<SearchHit> hits;
};

void RunSearch(HWND dlg, SearchState* state) {
    HWND list = GetDlgItem(dlg, IDC_SEARCH_RESULTS);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    HWND edit = GetDlgItem(dlg, IDC_SEARCH_TEXT);
    const int n = GetWindowTextLengthW(edit);
    std::wstring query(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(edit, &query[0], n + 1);
    query.resize(static_cast<size_t>(n));

    HCURSOR old = SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));  // IDC_WAIT
    SearchResults results;
    try {
        // The index is built on the first search of the run and kept: the book does not change
        // while the program runs, and every later query is answered from it at once.
        static CBookSearch s_search;
        static const CBook* s_indexed = nullptr;
        if (s_indexed != state->book || !s_search.IsBuilt()) {
            s_search.Build(*state->book);
            s_indexed = state->book;
        }
        results = s_search.Search(*state->book, Utf8FromWide(query));
        state->hits = results.hits;
    } catch (...) {
        SetCursor(old);
        throw;
    }
    SetCursor(old);

    for (const SearchHit& hit : state->hits)
        SendMessageW(list, LB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(WideFromUtf8(hit.strTitle).c_str()));
    std::wstring status;
    if (state->hits.empty())
        status = L"No page contains this text.";
    else if (results.nTotal == 1)
        status = L"1 page found.";
    else if (results.nTotal == state->hits.size())
        status = std::to_wstring(results.nTotal) + L" pages found.";
    else
        status = std::to_wstring(results.nTotal) + L" pages found; the best " +
                 std::to_wstring(state->hits.size()) + L" are listed.";
    SetDlgItemTextW(dlg, IDC_SEARCH_STATUS, status.c_str());
    if (!state->hits.empty())
        SendMessageW(list, LB_SETCURSEL, 0, 0);
    EnableWindow(GetDlgItem(dlg, IDOK), !state->hits.empty());
    // With results listed, Enter opens the selected page; typing a new text makes it search again.
    SendMessageW(dlg, DM_SETDEFID, state->hits.empty() ? IDC_SEARCH_GO : IDOK, 0);
}

void CloseSearch(HWND dlg, SearchState* state, int result) {
    if (state->modeless)
        DestroyWindow(dlg);
    else
        EndDialog(dlg, result);
}

INT_PTR HandleSearchMessage(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    SearchState* state = reinterpret_cast<SearchState*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(dlg, DWLP_USER, lp);
            return TRUE;
        case WM_COMMAND:
            if (!state)
                return FALSE;
            switch (LOWORD(wp)) {
                case IDC_SEARCH_TEXT:
                    if (HIWORD(wp) != EN_CHANGE && HIWORD(wp) != EN_SETFOCUS)
                        return FALSE;
                    SendMessageW(dlg, DM_SETDEFID, IDC_SEARCH_GO, 0);
                    return TRUE;
                case IDC_SEARCH_GO:
                    RunSearch(dlg, state);
                    SetFocus(GetDlgItem(dlg, IDC_SEARCH_RESULTS));
                    return TRUE;
                case IDC_SEARCH_RESULTS:
                    if (HIWORD(wp) != LBN_DBLCLK)
                        return FALSE;
                    // A double click opens the page, as Open does.
                    [[fallthrough]];
                case IDOK: {
                    const LRESULT sel =
                        SendDlgItemMessageW(dlg, IDC_SEARCH_RESULTS, LB_GETCURSEL, 0, 0);
                    if (sel >= 0 && static_cast<size_t>(sel) < state->hits.size()) {
                        *state->chosen = state->hits[static_cast<size_t>(sel)].strName;
                        CloseSearch(dlg, state, IDOK);
                    }
                    return TRUE;
                }
                case IDCANCEL:
                    CloseSearch(dlg, state, IDCANCEL);
                    return TRUE;
                default:
                    return FALSE;
            }
        case WM_NCDESTROY:
            if (state && state->modeless)
                delete state;
            return FALSE;
        default:
            return FALSE;
    }
}

// No exception may leave a procedure Windows calls: it would end the e-book. A search that runs
// out of memory says so in the dialog and lists nothing.
INT_PTR CALLBACK SearchProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        return HandleSearchMessage(dlg, msg, wp, lp);
    } catch (...) {
    }
    try {
        SearchState* state = reinterpret_cast<SearchState*>(GetWindowLongPtrW(dlg, DWLP_USER));
        if (state)
            state->hits = std::vector<SearchHit>();
        SendDlgItemMessageW(dlg, IDC_SEARCH_RESULTS, LB_RESETCONTENT, 0, 0);
        SetDlgItemTextW(dlg, IDC_SEARCH_STATUS, L"There is not enough memory to search this book.");
        EnableWindow(GetDlgItem(dlg, IDOK), FALSE);
    } catch (...) {
    }
    return TRUE;
}

}  // namespace

void ShowAboutBox(HWND owner, const CBook& book) {
    DialogBoxParamW(Instance(), MAKEINTRESOURCEW(IDD_ABOUT), owner, AboutProc,
                    reinterpret_cast<LPARAM>(&book));
}

HWND CreateAboutBox(HWND owner, const CBook& book) {
    HWND dlg = CreateDialogParamW(Instance(), MAKEINTRESOURCEW(IDD_ABOUT), owner, AboutProc,
                                  reinterpret_cast<LPARAM>(&book));
    if (dlg) {
        SetPropA(dlg, "PvModeless", reinterpret_cast<HANDLE>(1));
        ShowWindow(dlg, SW_SHOW);
    }
    return dlg;
}

std::string ShowSearchDialog(HWND owner, CBook& book) {
    std::string chosen;
    SearchState state{&book, &chosen, false, {}};
    DialogBoxParamW(Instance(), MAKEINTRESOURCEW(IDD_SEARCH), owner, SearchProc,
                    reinterpret_cast<LPARAM>(&state));
    return chosen;
}

HWND CreateSearchDialog(HWND owner, CBook& book, std::string* chosen) {
    SearchState* state = new SearchState{&book, chosen, true, {}};
    HWND dlg = CreateDialogParamW(Instance(), MAKEINTRESOURCEW(IDD_SEARCH), owner, SearchProc,
                                  reinterpret_cast<LPARAM>(state));
    if (!dlg) {
        delete state;
        return nullptr;
    }
    ShowWindow(dlg, SW_SHOW);
    return dlg;
}
