// Addresses of the files of an e-book: "e-book://" followed by the file's name in the file table.
//
// The system's URL parser treats the first name after "//" as a host, so the same file can reach
// the viewer as "e-book://page.htm", "e-book:///page.htm" or "e-book://page.htm/"; every form
// maps to the same name here. Relative links are combined by these functions too, so that the
// browser and the viewer always agree on which file a link means.
#pragma once

#include <string>

// The scheme, without the colon.
extern const char kBookScheme[];

// True when url begins with "e-book:" (any case).
bool IsBookUrl(const std::string& url);

// Decodes %XX escapes (either case of hex digit); a '%' not followed by two hex digits stays.
std::string PercentDecode(const std::string& s);

// The file name an e-book URL addresses: the scheme and leading slashes removed, "?query" and
// "#fragment" cut off, %XX sequences decoded, backslashes turned into slashes, "." and ".."
// segments resolved and trailing slashes dropped. Returns false for a URL of another scheme.
bool NameFromUrl(const std::string& url, std::string* name);

// The canonical URL of a file name: "e-book://" + name, with characters that a URL cannot hold
// as they are (space, %, #, ?, control and non-ASCII bytes) percent-encoded.
std::string UrlFromName(const std::string& name);

// Combines a relative reference with the URL of the page that holds it. Returns false when the
// reference carries a scheme other than "e-book" (an http or mailto link): the system combines
// those itself. Fragments and queries of the reference are kept.
bool CombineBookUrl(const std::string& base, const std::string& relative, std::string* result);

// The MIME type for a file name, from its extension ("application/octet-stream" when unknown).
const char* MimeTypeFromName(const std::string& name);

// The scheme of a URL in lower case ("http", "mailto"), or "" when it has none.
std::string UrlScheme(const std::string& url);

// What a URL the viewer is asked to open leads to.
enum class LinkKind {
    inBook,    // a file of the book (the e-book scheme)
    outside,   // http, https, ftp, mailto: handed to the reader's own programs on a click
    blocked,   // file: the reader's own files are out of a book's reach; never opened
    notAFile,  // any other scheme (javascript:, about:, data:): no file is looked for
};

// The kind of an absolute URL, by its scheme; a URL without one is taken as the book's.
LinkKind KindOfUrl(const std::string& url);

// Where a reference made by a page of the book leads, resolved exactly as the viewer resolves it:
// the page's <base href> (baseHref, or nullptr when it has none) is combined with the page's own
// address, the reference with the result, each through CombineBookUrl while the address is the
// book's; a reference against a base of another scheme belongs to that scheme. For a file of the
// book, *name is the name NameFromUrl gives ("." and ".." resolved, ".." above the root
// dropped, %XX decoded, backslashes as slashes).
struct LinkTarget {
    LinkKind kind = LinkKind::notAFile;
    std::string name;
};
LinkTarget ResolveLink(const std::string& pageName, const std::string* baseHref,
                       const std::string& reference);
// The same in two steps, for a reader resolving many references of one page: the address the
// page's references resolve against, then each reference against it.
std::string LinkBase(const std::string& pageName, const std::string* baseHref);
LinkTarget ResolveLinkFrom(const std::string& linkBase, const std::string& reference);
