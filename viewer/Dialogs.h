// The About box and the Search dialog of the viewer.
#pragma once

#include <windows.h>

#include <string>

class CBook;

// The About box: title, author, copyright, web address and e-mail (both open in the user's
// programs when clicked) and the About text with its line breaks.
void ShowAboutBox(HWND owner, const CBook& book);
// The same box without a modal loop (the caller destroys it), for checks of its contents.
HWND CreateAboutBox(HWND owner, const CBook& book);

// The Search dialog: full-text search over the pages marked for search, results listed by
// their titles. Returns the file-table name of the page chosen, or "" when closed.
std::string ShowSearchDialog(HWND owner, CBook& book);
// Modeless form; *chosen receives the name when a result is opened (the dialog then closes
// itself). The caller keeps book and chosen alive as long as the dialog.
HWND CreateSearchDialog(HWND owner, CBook& book, std::string* chosen);
