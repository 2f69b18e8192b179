// References of a page and where the viewer takes them: one table that every resolution of a
// reference must follow. The link check's resolution (native), the browser control's combination
// through the system (under Wine) and, through the JSON the link_cases_json program writes into
// the build folder, a browser engine resolving the page's address under the web origin the
// WebView2 viewer serves its pages from.
//
// The table is plain data: LinkKind is all it takes from the program.
#pragma once

#include "book/BookUrl.h"

struct LinkCase {
    const char* page;  // the name of the page that makes the reference
    const char* base;  // its <base href>, or nullptr
    const char* url;   // the reference as written
    LinkKind kind;
    // inBook: the name of the file the viewer looks for. A name holding a backslash stands for a
    // name with an encoded slash or backslash in it, which no file of a book can have: the viewer
    // finds nothing and says the book holds no such page.
    // outside: the address the reference leads to, as a browser writes it.
    // blocked and notAFile: nullptr.
    const char* target;
    // inBook: the place within the page, without its "#" (nullptr: none).
    const char* fragment = nullptr;
};

inline const LinkCase kLinkCases[] = {
    {"a.html", nullptr, "b.html", LinkKind::inBook, "b.html"},
    {"sub/a.html", nullptr, "../b.html#x", LinkKind::inBook, "b.html", "x"},
    {"sub/a.html", nullptr, "./c/../d.html?q=1", LinkKind::inBook, "sub/d.html"},
    {"sub/a.html", nullptr, "/top.html", LinkKind::inBook, "top.html"},
    {"sub/a.html", nullptr, "e-book://other/page.html", LinkKind::inBook, "other/page.html"},
    {"a.html", nullptr, "pic%20one.png", LinkKind::inBook, "pic one.png"},
    {"a.html", nullptr, "sub\\win.html", LinkKind::inBook, "sub/win.html"},
    // ".." above the root is dropped, as browsers drop it; "%2e" is a dot to them.
    {"a.html", nullptr, "../index.html", LinkKind::inBook, "index.html"},
    {"sub/a.html", nullptr, "../../up.html", LinkKind::inBook, "up.html"},
    {"sub/a.html", nullptr, "%2E%2e/x/%2e/b.html", LinkKind::inBook, "x/b.html"},
    // The page itself.
    {"sub/a.html", nullptr, "#top", LinkKind::inBook, "sub/a.html", "top"},
    {"sub/a.html", nullptr, "", LinkKind::inBook, "sub/a.html"},
    {"sub/a.html", nullptr, "?page=2", LinkKind::inBook, "sub/a.html"},
    // Two slashes (either slash) begin a host: an address on the web, as under an https origin.
    {"a.html", nullptr, "//cdn.example.com/x.js", LinkKind::outside,
     "https://cdn.example.com/x.js"},
    {"a.html", nullptr, "\\\\server\\share\\logo.png", LinkKind::outside,
     "https://server/share/logo.png"},
    {"sub/a.html", nullptr, "/\\Host.Example/x.html#y", LinkKind::outside,
     "https://host.example/x.html#y"},
    {"a.html", nullptr, "///x.html", LinkKind::outside, "https://x.html/"},
    {"sub/a.html", "//cdn.example.com/lib/", "x.js", LinkKind::outside,
     "https://cdn.example.com/lib/x.js"},
    // An encoded slash or backslash separates no folders: no file has such a name.
    {"a.html", nullptr, "sub%5Cpage.htm", LinkKind::inBook, "sub\\page.htm"},
    {"a.html", nullptr, "sub%2fpage.htm#part", LinkKind::inBook, "sub\\page.htm", "part"},
    {"sub/a.html", nullptr, "x%5C..%5Cb.html", LinkKind::inBook, "sub/x\\..\\b.html"},
    // <base href> is itself relative to the page.
    {"sub/a.html", "../", "b.html", LinkKind::inBook, "b.html"},
    {"a.html", "sub/x.html", "b.html", LinkKind::inBook, "sub/b.html"},
    {"sub/a.html", "#top", "missing.html", LinkKind::inBook, "sub/missing.html"},
    {"sub/a.html", "?x=1", "b.html", LinkKind::inBook, "sub/b.html"},
    {"a.html", "other.html", "#part", LinkKind::inBook, "other.html", "part"},
    {"a.html", "e-book://x/y/z.html", "w.html", LinkKind::inBook, "x/y/w.html"},
    {"a.html", "http://example.com/", "b.html", LinkKind::outside, "http://example.com/b.html"},
    {"a.html", "file:///c:/site/", "b.html", LinkKind::blocked, nullptr},
    // Other schemes.
    {"a.html", nullptr, "mailto:someone@example.com", LinkKind::outside,
     "mailto:someone@example.com"},
    {"a.html", nullptr, "HTTP://example.com/a.html", LinkKind::outside,
     "http://example.com/a.html"},
    {"a.html", nullptr, "file:///c:/secret.txt", LinkKind::blocked, nullptr},
    {"a.html", nullptr, "javascript:void(0)", LinkKind::notAFile, nullptr},
    {"a.html", nullptr, "data:text/html,hello", LinkKind::notAFile, nullptr},
};
