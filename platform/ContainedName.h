// The names a book's files may have: one rule, kept by the folder scan (names it cannot take in
// are left out and reported), the project file's reader (a project listing one is refused) and
// extract (such a file is not written).
//
// An e-book is read on Windows, and its files are opened by name there (the build reads them from
// the project folder, extract writes them back): every name must be one that Windows opens as the
// file it names, whatever system the book was made on. A name that Linux holds but Windows reads
// as something else ("con.htm" is the console, "a.htm." opens "a.htm", "Help:Contents.html" a
// stream of the file "Help") would be scanned on one system and refused or misread on another.
#pragma once

#include <string>

// Why Windows cannot open a file or folder of this one name (no folder separators), as a few
// words for a message ("" when it can):
// - empty, or nothing but dots and spaces ("." and ".." among them);
// - a name Windows keeps for a device: CON, PRN, AUX, NUL, COM0 to COM9, LPT0 to LPT9 (also
//   with a superscript digit), CONIN$ and CONOUT$, whatever extension follows and with spaces
//   before it;
// - ends with a dot or a space (Windows drops them);
// - holds one of < > : " / \ | ? * or a control character.
// The second byte of a double-byte character of the code page is never taken for one of these.
std::string NameComponentProblem(const std::string& component);

// The same for a relative name whose folders are separated by either slash: "" when it names a
// file below its folder on Windows as on Linux; otherwise why not (an absolute path, or a part of
// it that breaks the rule above: "..", a drive's colon, a device name, ...).
std::string RelativeNameProblem(const std::string& name);
