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
// The same, strict: false (with *out undefined) when a '%' is not followed by two hex digits.
bool PercentDecodeStrict(const std::string& s, std::string* out);
// Appends text to *out with each byte that escape() picks written as %XX (upper-case hex).
void AppendPercentEncoded(const std::string& text, bool (*escape)(unsigned char), std::string* out);

// The file name an e-book URL addresses: the scheme and leading slashes removed, "?query" and
// "#fragment" cut off, the path split into folders at its slashes and backslashes, each part
// %XX-decoded, "." and ".." parts resolved ("%2e" counting as a dot, ".." above the root dropped)
// and empty parts dropped; the parts joined by slashes. An encoded slash or backslash (%2F, %5C)
// separates nothing: it stays in its part as a backslash, and such a name names no file
// (NameNamesNoFile). Returns false for a URL of another scheme.
bool NameFromUrl(const std::string& url, std::string* name);

// True when a name NameFromUrl gives can be no file of any book: it holds a backslash, which
// stands for an encoded slash or backslash within a name (a book's names separate their folders
// with slashes and hold no backslash).
bool NameNamesNoFile(const std::string& name);

// The canonical URL of a file name: "e-book://" + name, with characters that a URL cannot hold
// as they are (space, %, #, ?, ", backslash, control and non-ASCII bytes) percent-encoded.
std::string UrlFromName(const std::string& name);

// Combines a relative reference with the URL of the page that holds it. Returns false when the
// reference carries a scheme other than "e-book" (an http or mailto link): the system combines
// those itself. A reference that begins with two slashes (either slash: "//host/x", "\\host\x")
// names a host on the web, as it does under the https origin of a browser engine: *result is
// then that https address, not an e-book URL. Backslashes before the query are slashes.
// Fragments and queries of the reference are kept.
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

// Where a reference made by a page of the book leads, resolved exactly as the viewer resolves it
// (with either engine): the page's <base href> (baseHref, or nullptr when it has none) is
// combined with the page's own address, the reference with the result, each through
// CombineBookUrl while the address is the book's; a reference against a base of another scheme
// is combined as a browser combines it with a web address.
struct LinkTarget {
    LinkKind kind = LinkKind::notAFile;
    // The address the reference leads to: an e-book URL, or an address of another scheme as a
    // browser writes it (scheme and host in lower case, dot segments resolved).
    std::string url;
    // inBook: the name NameFromUrl gives (a name for which NameNamesNoFile holds is no file of
    // any book) and the place within the page, without its "#" ("" for none).
    std::string name;
    std::string fragment;
};
LinkTarget ResolveLink(const std::string& pageName, const std::string* baseHref,
                       const std::string& reference);
// The same in two steps, for a reader resolving many references of one page: the address the
// page's references resolve against, then each reference against it.
std::string LinkBase(const std::string& pageName, const std::string* baseHref);
LinkTarget ResolveLinkFrom(const std::string& linkBase, const std::string& reference);
