// The About box and the Search dialog of the viewer.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CBook;
class CContentsBuilder;
class CSearchIndexer;
class CTheme;

// The About box: title, author, copyright, web address and e-mail (both open in the user's
// programs when clicked) and the About text with its line breaks.
// theme: the colours to draw with (the system's when null).
void ShowAboutBox(HWND owner, const CBook& book, const CTheme* theme = nullptr);
// The same box without a modal loop (the caller destroys it), for checks of its contents.
HWND CreateAboutBox(HWND owner, const CBook& book, const CTheme* theme = nullptr);

// The Search dialog, modeless: full-text search over the pages marked for search, results listed
// by their labels in the book's contents (their titles until contents, when given, has found
// them), best first, with the text around the match of the one selected. The first search of
// the run has indexer build the index (in the background, progress shown; closing the dialog
// cancels it). Opening a result hides the dialog, keeping its results, and sends
// WM_PV_OPEN_SEARCH_HIT to owner; Close and Escape destroy it. The caller keeps book, indexer
// and contents alive as long as the dialog; theme: the colours to draw with (the system's when
// null).
HWND CreateSearchDialog(HWND owner, CBook& book, CSearchIndexer& indexer,
                        CContentsBuilder* contents = nullptr, const CTheme* theme = nullptr);

// The page a reader opened from the search: its file-table name and the query's words and
// phrases (UTF-8), to be marked on it. Sent as lParam of WM_PV_OPEN_SEARCH_HIT.
struct SearchChoice {
    std::string strName;
    std::vector<std::string> terms;
};
const UINT WM_PV_OPEN_SEARCH_HIT = WM_APP + 52;
