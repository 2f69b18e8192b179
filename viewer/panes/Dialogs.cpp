#include "viewer/panes/Dialogs.h"

#include <oleacc.h>
#include <shellapi.h>

#include <vector>

#include "platform/win/Dialog.h"
#include "platform/win/ScopedWin.h"
#include "platform/win/SelfOwned.h"
#include "platform/win/WinText.h"
#include "platform/win/Window.h"
#include "viewer/Accessible.h"
#include "viewer/Theme.h"
#include "viewer/panes/ContentsBuilder.h"
#include "viewer/panes/SearchIndexer.h"
#include "book/Book.h"
#include "book/BookSearch.h"
#include "book/BookUrl.h"
#include "viewer/resource.h"

namespace {

// A count as wide text. std::to_wstring would go through the C library's wide printf, which
// with its floating-point half costs the viewer about 17 KB.
std::wstring WideNumber(size_t n) {
    const std::string digits = std::to_string(n);
    return std::wstring(digits.begin(), digits.end());
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
    SetDlgItemTextW(dlg, id, CWinText::Wide(ansi).c_str());
}

std::string ItemText(HWND dlg, int id) {
    HWND item = GetDlgItem(dlg, id);
    const int n = GetWindowTextLengthW(item);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(item, &text[0], n + 1);
    text.resize(static_cast<size_t>(n));
    return CWinText::Ansi(text.c_str());
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
    HFONT base = reinterpret_cast<HFONT>(::SendMessageA(dlg, WM_GETFONT, 0, 0));
    GetObjectA(base ? static_cast<HGDIOBJ>(base) : GetStockObject(DEFAULT_GUI_FONT), sizeof(lf),
               &lf);
    if (bold) {
        lf.lfWeight = FW_BOLD;
        lf.lfHeight = lf.lfHeight * 5 / 4;
    }
    lf.lfUnderline = underline ? TRUE : FALSE;
    return CreateFontIndirectA(&lf);
}

// The results, each with the text around its match, for screen readers.
const AccessibleSpec kResultsAccessible = {AccessibleKind::results, L"Search results",
                                           ROLE_SYSTEM_LIST, nullptr};

bool IsLink(HWND dlg, HWND control) {
    return control == GetDlgItem(dlg, IDC_ABOUT_URL) || control == GetDlgItem(dlg, IDC_ABOUT_EMAIL);
}

// A dialog of the viewer, in the main window's colours (the system's without a theme). A
// modeless one owns itself: it is deleted when its window is destroyed.
class CViewerDialog : public CSelfOwned<CDialog> {
  public:
    CViewerDialog(UINT templateId, const CTheme* theme) : CSelfOwned(templateId), m_theme(theme) {
        m_bUnicodeWindow = true;
    }

  protected:
    // The frame, the controls' scroll bars and buttons, everything drawn again.
    void ApplyTheme() {
        if (!m_theme)
            return;
        m_theme->ApplyFrame(m_hWnd);
        for (HWND c = ::GetWindow(m_hWnd, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
            m_theme->ApplyControl(c);
        RedrawWindow(m_hWnd, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }

    INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        // A dialog procedure answers WM_CTLCOLOR* with the brush itself; null leaves the
        // default.
        if (m_theme && msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC)
            return reinterpret_cast<INT_PTR>(m_theme->CtlColour(msg, reinterpret_cast<HDC>(wp)));
        if (msg == WM_PV_THEME_CHANGED) {
            ApplyTheme();
            return TRUE;
        }
        return CDialog::HandleMessage(msg, wp, lp);
    }

    const CTheme* m_theme;
};

// The About box.
class CAboutDialog final : public CViewerDialog {
  public:
    CAboutDialog(const CBook& book, const CTheme* theme)
        : CViewerDialog(IDD_ABOUT, theme), m_book(book) {}

    BOOL OnInitDialog() override {
        ApplyTheme();
        const std::string& title = m_book.GetText(kTitle);
        SetWindowTextW(m_hWnd,
                       CWinText::Wide("About " + (title.empty() ? "this e-book" : title)).c_str());
        SetItemText(m_hWnd, IDC_ABOUT_TITLE, title);
        SetItemText(m_hWnd, IDC_ABOUT_AUTHOR, m_book.GetText(kAuthor));
        SetItemText(m_hWnd, IDC_ABOUT_COPYRIGHT, m_book.GetText(kCopyright));
        SetItemText(m_hWnd, IDC_ABOUT_URL, m_book.GetText(kUrl));
        SetItemText(m_hWnd, IDC_ABOUT_EMAIL, m_book.GetText(kEMail));
        SetItemText(m_hWnd, IDC_ABOUT_INFO, WithCrLf(m_book.GetText(kAboutInfo)));
        m_bold.reset(DerivedFont(m_hWnd, true, false));
        m_link.reset(DerivedFont(m_hWnd, false, true));
        SendDlgItemMessageA(m_hWnd, IDC_ABOUT_TITLE, WM_SETFONT,
                            reinterpret_cast<WPARAM>(m_bold.get()), FALSE);
        SendDlgItemMessageA(m_hWnd, IDC_ABOUT_URL, WM_SETFONT,
                            reinterpret_cast<WPARAM>(m_link.get()), FALSE);
        SendDlgItemMessageA(m_hWnd, IDC_ABOUT_EMAIL, WM_SETFONT,
                            reinterpret_cast<WPARAM>(m_link.get()), FALSE);
        // The links are buttons, so that Tab reaches them; one with no address is skipped.
        for (int id : {IDC_ABOUT_URL, IDC_ABOUT_EMAIL})
            EnableItem(id, GetWindowTextLengthW(GetDlgItem(id)) > 0);
        // Focus on OK rather than on the About text, which would show up all selected.
        SetFocus(GetDlgItem(IDOK));
        return FALSE;
    }

    bool OnCommand(WORD id, WORD code, HWND ctl) override {
        // Enter on a focused link opens it rather than closing the box.
        const int focused = GetDlgCtrlID(GetFocus());
        if (id == IDOK && (focused == IDC_ABOUT_URL || focused == IDC_ABOUT_EMAIL) &&
            GetParent(GetFocus()) == m_hWnd) {
            id = static_cast<WORD>(focused);
            code = BN_CLICKED;
        }
        if (id == IDC_ABOUT_URL || id == IDC_ABOUT_EMAIL) {
            if (code == BN_CLICKED)
                OpenLink(m_hWnd, id);
            return true;
        }
        return CDialog::OnCommand(id, code, ctl);
    }

    INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
            case WM_DRAWITEM: {
                // A link: underlined blue text, and the focus rectangle when Tab is on it.
                const DRAWITEMSTRUCT* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
                if (!d || !IsLink(m_hWnd, d->hwndItem))
                    return FALSE;
                wchar_t text[512] = {};
                GetWindowTextW(d->hwndItem, text, 512);
                FillRect(
                    d->hDC, &d->rcItem,
                    m_theme ? m_theme->Brush(ThemeColour::face) : GetSysColorBrush(COLOR_BTNFACE));
                HGDIOBJ old = SelectObject(d->hDC, m_link.get());
                SetTextColor(d->hDC, m_theme ? m_theme->Colour(ThemeColour::link) : RGB(0, 0, 204));
                SetBkMode(d->hDC, TRANSPARENT);
                RECT box = d->rcItem;
                DrawTextW(d->hDC, text, -1, &box, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
                box.bottom = d->rcItem.bottom;
                if (box.right > d->rcItem.right)
                    box.right = d->rcItem.right;
                DrawTextW(d->hDC, text, -1, &box, DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
                if (d->itemState & ODS_FOCUS)
                    DrawFocusRect(d->hDC, &box);
                SelectObject(d->hDC, old);
                return TRUE;
            }
            case WM_SETCURSOR:
                if (IsLink(m_hWnd, reinterpret_cast<HWND>(wp))) {
                    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
                    SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, TRUE);
                    return TRUE;
                }
                return FALSE;
            default:
                return CViewerDialog::HandleMessage(msg, wp, lp);
        }
    }

  private:
    const CBook& m_book;
    ScopedGdiObj<HFONT> m_bold;
    ScopedGdiObj<HFONT> m_link;
};

// The Search dialog.
class CSearchDialog final : public CViewerDialog {
  public:
    CSearchDialog(CBook& book, CSearchIndexer& indexer, CContentsBuilder* contents,
                  const CTheme* theme)
        : CViewerDialog(IDD_SEARCH, theme),
          m_book(book),
          m_indexer(indexer),
          m_contents(contents) {}

    BOOL OnInitDialog() override {
        ApplyTheme();
        MakeAccessible(GetDlgItem(IDC_SEARCH_RESULTS), &kResultsAccessible);
        MakeLiveRegion(GetDlgItem(IDC_SEARCH_STATUS));
        return CViewerDialog::OnInitDialog();
    }

    bool OnCommand(WORD id, WORD code, HWND ctl) override {
        switch (id) {
            case IDC_SEARCH_TEXT:
                if (code != EN_CHANGE && code != EN_SETFOCUS)
                    return false;
                SendMessageW(m_hWnd, DM_SETDEFID, IDC_SEARCH_GO, 0);
                return true;
            case IDC_SEARCH_GO:
                RunSearch();
                SetFocus(GetDlgItem(IDC_SEARCH_RESULTS));
                return true;
            case IDC_SEARCH_RESULTS:
                if (code == LBN_SELCHANGE) {
                    ShowSnippet();
                    return true;
                }
                if (code != LBN_DBLCLK)
                    return false;
                // A double click opens the page, as Open does.
                OpenSelected();
                return true;
            case IDOK:
                OpenSelected();
                return true;
            default:
                return CDialog::OnCommand(id, code, ctl);
        }
    }

    INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
            case WM_PV_INDEX_PROGRESS: {
                if (!m_bWaiting)
                    return TRUE;
                const std::wstring text = L"Reading the pages for the search: " + WideNumber(wp) +
                                          L" of " + WideNumber(static_cast<size_t>(lp)) + L"...";
                SetStatus(text, false);  // read out at its start and its end only
                return TRUE;
            }
            case WM_PV_INDEX_DONE:
                if (!m_bWaiting)
                    return TRUE;
                m_bWaiting = false;
                if (m_indexer.IsBuilt())
                    ShowResults();
                else
                    SetStatus(L"The pages could not be read for the search.");
                return TRUE;
            case WM_PV_ITEM_DESCRIPTION:
                if (wp < m_hits.size() && lp)
                    *reinterpret_cast<std::wstring*>(lp) =
                        CWinText::Wide(m_hits[wp].strSnippet, CP_UTF8);
                return TRUE;
            case WM_PV_CONTENTS_DONE:
                // The results listed take the contents' labels, the one selected kept.
                if (wp && !m_bWaiting && !m_hits.empty()) {
                    const LRESULT sel =
                        SendDlgItemMessageW(m_hWnd, IDC_SEARCH_RESULTS, LB_GETCURSEL, 0, 0);
                    SendDlgItemMessageW(m_hWnd, IDC_SEARCH_RESULTS, LB_RESETCONTENT, 0, 0);
                    ShowResults();
                    SendDlgItemMessageW(m_hWnd, IDC_SEARCH_RESULTS, LB_SETCURSEL,
                                        static_cast<WPARAM>(sel), 0);
                    ShowSnippet();
                }
                return TRUE;
            case WM_DESTROY:
                // Closing the dialog while the pages are read stops the reading; the next search
                // starts it again.
                if (m_bWaiting)
                    m_indexer.Cancel();
                if (m_contents)
                    m_contents->Forget(m_hWnd);
                return FALSE;
            default:
                return CViewerDialog::HandleMessage(msg, wp, lp);
        }
    }

  private:
    void OpenSelected() {
        const LRESULT sel = SendDlgItemMessageW(m_hWnd, IDC_SEARCH_RESULTS, LB_GETCURSEL, 0, 0);
        if (sel >= 0 && static_cast<size_t>(sel) < m_hits.size()) {
            // The results stay for the reader to come back to (F6, the Search command); the page
            // takes the window, and the focus goes with it.
            SearchChoice choice{m_hits[static_cast<size_t>(sel)].strName, m_terms};
            HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
            ::ShowWindow(m_hWnd, SW_HIDE);
            if (owner)
                SendMessageW(owner, WM_PV_OPEN_SEARCH_HIT, 0, reinterpret_cast<LPARAM>(&choice));
        }
    }

    void RunSearch() {
        SendDlgItemMessageW(m_hWnd, IDC_SEARCH_RESULTS, LB_RESETCONTENT, 0, 0);
        SetDlgItemTextW(m_hWnd, IDC_SEARCH_SNIPPET, L"");
        m_hits.clear();
        EnableItem(IDOK, false);
        HWND edit = GetDlgItem(IDC_SEARCH_TEXT);
        const int n = GetWindowTextLengthW(edit);
        std::wstring query(static_cast<size_t>(n) + 1, L'\0');
        GetWindowTextW(edit, &query[0], n + 1);
        query.resize(static_cast<size_t>(n));
        m_strQuery = CWinText::Ansi(query, CP_UTF8);
        // The results are named as the contents name their pages: the contents are found
        // meanwhile (once per run, shared with the contents pane).
        if (m_contents && !m_contents->IsDone())
            m_contents->Start(m_hWnd);
        if (m_indexer.IsBuilt()) {
            ShowResults();
            return;
        }
        // The index is built once per run, on a thread of its own; the results follow when it
        // is ready, while the dialog and the window keep answering.
        m_bWaiting = m_indexer.Start(m_hWnd);
        SetStatus(m_bWaiting ? L"Reading the pages for the search..."
                             : L"The search could not be started.");
    }

    // The status line, read out by screen readers when announce says so.
    void SetStatus(const std::wstring& text, bool announce = true) {
        SetDlgItemTextW(m_hWnd, IDC_SEARCH_STATUS, text.c_str());
        if (announce)
            AnnounceStatus(GetDlgItem(IDC_SEARCH_STATUS));
    }

    void ShowSnippet() {
        const LRESULT sel = SendDlgItemMessageW(m_hWnd, IDC_SEARCH_RESULTS, LB_GETCURSEL, 0, 0);
        const std::string snippet = sel >= 0 && static_cast<size_t>(sel) < m_hits.size()
                                        ? m_hits[static_cast<size_t>(sel)].strSnippet
                                        : std::string();
        SetDlgItemTextW(m_hWnd, IDC_SEARCH_SNIPPET, CWinText::Wide(snippet, CP_UTF8).c_str());
    }

    void ShowResults() {
        HWND list = GetDlgItem(IDC_SEARCH_RESULTS);
        // Nothing may leave a dialog procedure as an exception: it would end the e-book. A
        // search that runs out of memory fails alone, and says so.
        SearchResults results;
        try {
            const bool named = m_contents && m_contents->IsDone();
            results = m_indexer.Search().Search(m_book, m_strQuery, 500,
                                                named ? &m_contents->Tree() : nullptr);
        } catch (...) {
            m_hits = std::vector<SearchHit>();
            SetStatus(L"There is not enough memory to search this book.");
            EnableItem(IDOK, false);
            return;
        }
        m_hits = results.hits;
        m_terms = results.terms;
        for (const SearchHit& hit : m_hits)
            SendMessageW(list, LB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(CWinText::Wide(hit.strTitle, CP_UTF8).c_str()));
        std::wstring status;
        if (m_hits.empty())
            status = L"No page contains this text.";
        else if (results.nTotal == 1)
            status = L"1 page found.";
        else if (results.nTotal == m_hits.size())
            status = WideNumber(results.nTotal) + L" pages found.";
        else
            status = WideNumber(results.nTotal) + L" pages found; the best " +
                     WideNumber(m_hits.size()) + L" are listed.";
        // Pages left out of the index (damaged, or too large for the memory) are said, so that
        // "no page" is not taken for the whole book's answer.
        if (results.nUnsearched == 1)
            status += L" 1 page could not be searched.";
        else if (results.nUnsearched > 1)
            status += L" " + WideNumber(results.nUnsearched) + L" pages could not be searched.";
        SetStatus(status);
        if (!m_hits.empty())
            SendMessageW(list, LB_SETCURSEL, 0, 0);
        ShowSnippet();
        EnableItem(IDOK, !m_hits.empty());
        // With results listed, Enter opens the selected page; typing a new text makes it search
        // again.
        SendMessageW(m_hWnd, DM_SETDEFID, m_hits.empty() ? IDC_SEARCH_GO : IDOK, 0);
    }

    CBook& m_book;
    CSearchIndexer& m_indexer;
    CContentsBuilder* m_contents;
    std::vector<std::string> m_terms;  // of the results listed
    std::string m_strQuery;            // UTF-8
    bool m_bWaiting = false;           // the index is being built for this dialog
    std::vector<SearchHit> m_hits;
};

}  // namespace

void ShowAboutBox(HWND owner, const CBook& book, const CTheme* theme) {
    CAboutDialog dlg(book, theme);
    dlg.DoModal(owner);
}

namespace {

// Creates a modeless dialog that deletes itself when it closes, and shows it; nullptr (and the
// dialog deleted) when it cannot be created.
template <class Dialog>
HWND ShowModeless(Dialog* dlg, HWND owner) {
    HWND hwnd = dlg->Create(owner);
    if (!hwnd) {
        delete dlg;
        return nullptr;
    }
    dlg->OwnSelf();
    ::ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}

}  // namespace

HWND CreateAboutBox(HWND owner, const CBook& book, const CTheme* theme) {
    return ShowModeless(new CAboutDialog(book, theme), owner);
}

HWND CreateSearchDialog(HWND owner, CBook& book, CSearchIndexer& indexer,
                        CContentsBuilder* contents, const CTheme* theme) {
    return ShowModeless(new CSearchDialog(book, indexer, contents, theme), owner);
}
