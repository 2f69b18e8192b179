// References of a page and where the viewer takes them: one table that the link check's
// resolution (native) and the viewer's own combination through the system (under Wine) must
// both follow.
#pragma once

#include "book/BookUrl.h"

struct LinkCase {
    const char* page;  // the name of the page that makes the reference
    const char* base;  // its <base href>, or nullptr
    const char* url;   // the reference as written
    LinkKind kind;
    const char* name;  // inBook: the file the viewer looks for
};

inline const LinkCase kLinkCases[] = {
    {"a.html", nullptr, "b.html", LinkKind::inBook, "b.html"},
    {"sub/a.html", nullptr, "../b.html#x", LinkKind::inBook, "b.html"},
    {"sub/a.html", nullptr, "./c/../d.html?q=1", LinkKind::inBook, "sub/d.html"},
    {"sub/a.html", nullptr, "/top.html", LinkKind::inBook, "top.html"},
    {"sub/a.html", nullptr, "e-book://other/page.html", LinkKind::inBook, "other/page.html"},
    {"a.html", nullptr, "pic%20one.png", LinkKind::inBook, "pic one.png"},
    {"a.html", nullptr, "sub\\win.html", LinkKind::inBook, "sub/win.html"},
    // ".." above the root is dropped, as browsers drop it.
    {"a.html", nullptr, "../index.html", LinkKind::inBook, "index.html"},
    {"sub/a.html", nullptr, "../../up.html", LinkKind::inBook, "up.html"},
    // The page itself.
    {"sub/a.html", nullptr, "#top", LinkKind::inBook, "sub/a.html"},
    {"sub/a.html", nullptr, "", LinkKind::inBook, "sub/a.html"},
    {"sub/a.html", nullptr, "?page=2", LinkKind::inBook, "sub/a.html"},
    // A host-style or UNC reference is a path of the book to the viewer.
    {"a.html", nullptr, "//cdn.example.com/x.js", LinkKind::inBook, "cdn.example.com/x.js"},
    {"a.html", nullptr, "\\\\server\\share\\logo.png", LinkKind::inBook, "server/share/logo.png"},
    // <base href> is itself relative to the page.
    {"sub/a.html", "../", "b.html", LinkKind::inBook, "b.html"},
    {"a.html", "sub/x.html", "b.html", LinkKind::inBook, "sub/b.html"},
    {"sub/a.html", "#top", "missing.html", LinkKind::inBook, "sub/missing.html"},
    {"sub/a.html", "?x=1", "b.html", LinkKind::inBook, "sub/b.html"},
    {"a.html", "other.html", "#part", LinkKind::inBook, "other.html"},
    {"a.html", "e-book://x/y/z.html", "w.html", LinkKind::inBook, "x/y/w.html"},
    {"a.html", "http://example.com/", "b.html", LinkKind::outside, nullptr},
    {"a.html", "file:///c:/site/", "b.html", LinkKind::blocked, nullptr},
    // Other schemes.
    {"a.html", nullptr, "mailto:someone@example.com", LinkKind::outside, nullptr},
    {"a.html", nullptr, "HTTP://example.com/a.html", LinkKind::outside, nullptr},
    {"a.html", nullptr, "file:///c:/secret.txt", LinkKind::blocked, nullptr},
    {"a.html", nullptr, "javascript:void(0)", LinkKind::notAFile, nullptr},
    {"a.html", nullptr, "data:text/html,hello", LinkKind::notAFile, nullptr},
};
