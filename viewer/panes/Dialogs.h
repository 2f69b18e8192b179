// The About box and the Search dialog of the viewer.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CBook;
class CSearchIndexer;
class CTheme;

// The About box: title, author, copyright, web address and e-mail (both open in the user's
// programs when clicked) and the About text with its line breaks.
// theme: the colours to draw with (the system's when null).
void ShowAboutBox(HWND owner, const CBook& book, const CTheme* theme = nullptr);
// The same box without a modal loop (the caller destroys it), for checks of its contents.
HWND CreateAboutBox(HWND owner, const CBook& book, const CTheme* theme = nullptr);

// The Search dialog: full-text search over the pages marked for search, results listed by
// their titles, best first, with the text around the match of the one selected. The first
// search of the run has indexer build the index (in the background, progress shown; closing the
// dialog cancels it). Returns the file-table name of the page chosen, or "" when closed; *terms
// (when given) then receives the query's words and phrases, to be marked on the page.
std::string ShowSearchDialog(HWND owner, CBook& book, CSearchIndexer& indexer,
                             std::vector<std::string>* terms = nullptr,
                             const CTheme* theme = nullptr);
// Modeless form; *chosen receives the name when a result is opened (the dialog then closes
// itself). The caller keeps book, indexer and chosen alive as long as the dialog.
HWND CreateSearchDialog(HWND owner, CBook& book, CSearchIndexer& indexer, std::string* chosen,
                        std::vector<std::string>* terms = nullptr, const CTheme* theme = nullptr);
