// pagevane-cli check: the links of a book, before or after it is built.
//
// Every reference of the HTML pages (links, images, scripts, frames, style sheets, srcset, meta
// refresh, url() in style sheets and style attributes) that the viewer would look for in the book
// must name a file the book holds. References resolve through ResolveLink (book/BookUrl.h), the
// resolution the viewer's protocol and navigation use, so that both always mean the same file;
// names are then compared without regard to case, a name in UTF-8 also tried in the book's ANSI
// form. A file: reference is a finding too: the viewer never opens one. Addresses of the web
// (http:, mailto:, ...) and other schemes (javascript:, ...) are not the book's business and are
// passed over.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "project/BookProject.h"

class CConsoleUi;

struct CheckFile {
    std::string strName;   // name in the book: relative, forward slashes, ANSI
    std::string strShown;  // how a finding names the file (ANSI)
};

struct CheckInput {
    std::vector<CheckFile> files;  // in book order
    std::string strHome;           // name of the home page; "" when the book has none
    // Findings already made: names the e-book cannot hold (UTF-8, one line each).
    std::vector<std::string> unholdable;
    // Reads file i; false with a reason in *error when it cannot be read.
    std::function<bool(size_t, std::vector<uint8_t>*, std::string*)> read;
};

struct CheckResult {
    size_t nFiles = 0;
    size_t nPages = 0;       // HTML pages read
    size_t nReferences = 0;  // references that name a file in the book (or fail to)
    size_t nBroken = 0;      // references to files the book does not hold, or to file:
    size_t nUnreached = 0;   // pages no link reaches from the home page
    size_t nUnholdable = 0;
    size_t nUnreadable = 0;  // files that could not be read
};

// Checks the book and writes one line per finding to out ("file:line: what"), in the form the
// console shows: names the book cannot hold, then broken references file by file, then pages
// no link reaches from the home page (when the book has a home page).
CheckResult CheckLinks(const CheckInput& input, std::ostream& out);

// The input for a project as the build would make it (included entries, in page order; the home
// page is the first included entry in the page sequence). Files are named for findings as the
// project folder, a slash and the name.
CheckInput CheckInputFromProject(const CBookProject& project);

// pagevane-cli check SOURCE: a folder (scanned as build scans it, home page chosen as build
// chooses it), a project file or an e-book. Exit status 1 when a reference is broken or a file
// cannot be read, 0 otherwise.
int RunCheck(const std::string& source, CConsoleUi& ui, std::ostream& out);

// The summary line of a check ("check: 7 files, 5 pages, 23 references: nothing broken").
std::string CheckSummary(const CheckResult& result);
