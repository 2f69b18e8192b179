#include "book/BookUrl.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/Text.h"

const char kBookScheme[] = "e-book";

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Resolves "." and ".." segments of a slash-separated path; ".." above the root is dropped, as
// browsers do. Empty segments (doubled slashes) are kept out too.
std::string NormalizeSegments(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string seg = path.substr(start, end - start);
        if (seg == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!seg.empty() && seg != ".") {
            parts.push_back(seg);
        }
        start = end + 1;
    }
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i)
            out += '/';
        out += parts[i];
    }
    return out;
}

// The part of an e-book URL after the scheme and its leading slashes, still encoded.
std::string AfterScheme(const std::string& url) {
    size_t i = std::strlen(kBookScheme) + 1;
    while (i < url.size() && (url[i] == '/' || url[i] == '\\'))
        ++i;
    return url.substr(i);
}

// Schemes whose addresses browsers read as a host and a path, with a backslash for a slash.
bool IsSpecialScheme(const std::string& scheme) {
    return scheme == "http" || scheme == "https" || scheme == "ftp" || scheme == "ws" ||
           scheme == "wss" || scheme == "file";
}

// "." and ".." path segments as browsers see them, "%2e" standing for a dot.
bool IsDotSegment(const std::string& seg) {
    return seg == "." || AsciiEqualNoCase(seg, "%2e");
}
bool IsDotDotSegment(const std::string& seg) {
    return seg == ".." || AsciiEqualNoCase(seg, ".%2e") || AsciiEqualNoCase(seg, "%2e.") ||
           AsciiEqualNoCase(seg, "%2e%2e");
}

// Resolves the dot segments of a web address's path (beginning with "/"): empty segments and a
// closing slash stay, as they do in a browser's address.
std::string RemoveDotSegments(const std::string& path) {
    std::vector<std::string> out;
    bool closingSlash = false;
    size_t start = 1;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string seg = path.substr(start, end - start);
        const bool last = end == path.size();
        if (IsDotSegment(seg)) {
            closingSlash = last;
        } else if (IsDotDotSegment(seg)) {
            if (!out.empty())
                out.pop_back();
            closingSlash = last;
        } else {
            out.push_back(seg);
            closingSlash = false;
        }
        start = end + 1;
    }
    std::string result = "/";
    for (size_t i = 0; i < out.size(); ++i)
        result += (i ? "/" : "") + out[i];
    if (closingSlash && !out.empty())
        result += '/';
    return result;
}

// Backslashes before the query or fragment turned into slashes, as browsers read the addresses
// of the special schemes.
std::string SlashesInPath(std::string ref) {
    const size_t cut = ref.find_first_of("?#");
    for (size_t i = 0; i < ref.size() && i < cut; ++i) {
        if (ref[i] == '\\')
            ref[i] = '/';
    }
    return ref;
}

// An absolute web address as a browser writes it: the scheme in lower case; for the special
// schemes every slash after the colon read as the start of the host, the host in lower case,
// the path's dot segments resolved and an empty path written "/".
std::string CanonicalWebUrl(const std::string& url) {
    const std::string scheme = UrlScheme(url);
    if (scheme.empty())
        return url;
    std::string rest = url.substr(scheme.size() + 1);
    if (!IsSpecialScheme(scheme))
        return scheme + ":" + rest;
    rest = SlashesInPath(rest);
    size_t i = 0;
    while (i < rest.size() && rest[i] == '/')
        ++i;
    const size_t hostEnd = std::min(rest.find_first_of("/?#", i), rest.size());
    std::string authority = rest.substr(i, hostEnd - i);
    const size_t at = authority.rfind('@');
    for (size_t k = at == std::string::npos ? 0 : at + 1; k < authority.size(); ++k)
        authority[k] = AsciiLower(authority[k]);
    const size_t pathEnd = std::min(rest.find_first_of("?#", hostEnd), rest.size());
    std::string path = rest.substr(hostEnd, pathEnd - hostEnd);
    path = RemoveDotSegments(path.empty() ? "/" : path);
    return scheme + "://" + authority + path + rest.substr(pathEnd);
}

// A reference combined with an absolute web address, as a browser combines them.
std::string CombineWebUrl(const std::string& base, const std::string& reference) {
    if (!UrlScheme(reference).empty())
        return CanonicalWebUrl(reference);
    const std::string canonical = CanonicalWebUrl(base);
    const std::string scheme = UrlScheme(canonical);
    // Only an address with a host and a path takes relative references (mailto:, data: do not).
    if (!IsSpecialScheme(scheme))
        return canonical;
    const std::string ref = SlashesInPath(reference);
    const size_t hostStart = scheme.size() + 3;
    const size_t pathStart = std::min(canonical.find('/', hostStart), canonical.size());
    const size_t queryStart = std::min(canonical.find_first_of("?#", pathStart), canonical.size());
    const size_t hash = std::min(canonical.find('#', pathStart), canonical.size());
    if (ref.size() >= 2 && ref[0] == '/' && ref[1] == '/')
        return CanonicalWebUrl(scheme + ":" + ref);
    if (ref.empty())
        return canonical.substr(0, hash);
    if (ref[0] == '#')
        return canonical.substr(0, hash) + ref;
    if (ref[0] == '?')
        return canonical.substr(0, queryStart) + ref;
    const size_t refCut = std::min(ref.find_first_of("?#"), ref.size());
    std::string path = ref.substr(0, refCut);
    if (path[0] != '/') {
        const std::string basePath = canonical.substr(pathStart, queryStart - pathStart);
        path = basePath.substr(0, basePath.rfind('/') + 1) + path;
    }
    return canonical.substr(0, pathStart) + RemoveDotSegments(path) + ref.substr(refCut);
}

}  // namespace

bool PercentDecodeStrict(const std::string& s, std::string* out) {
    out->clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            *out += s[i];
            continue;
        }
        if (i + 2 >= s.size() || HexValue(s[i + 1]) < 0 || HexValue(s[i + 2]) < 0)
            return false;
        *out += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
        i += 2;
    }
    return true;
}

void AppendPercentEncoded(const std::string& text, bool (*escape)(unsigned char),
                          std::string* out) {
    static const char kHex[] = "0123456789ABCDEF";
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (escape(c)) {
            *out += '%';
            *out += kHex[c >> 4];
            *out += kHex[c & 15];
        } else {
            *out += ch;
        }
    }
}

std::string PercentDecode(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string UrlScheme(const std::string& url) {
    const size_t colon = url.find(':');
    // One letter before the colon is a drive ("C:\..."), not a scheme.
    if (colon == std::string::npos || colon < 2)
        return std::string();
    for (size_t i = 0; i < colon; ++i) {
        const char c = url[i];
        const bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool digit = c >= '0' && c <= '9';
        if (!(alpha || (i > 0 && (digit || c == '+' || c == '-' || c == '.'))))
            return std::string();
    }
    std::string s = url.substr(0, colon);
    for (char& c : s)
        c = AsciiLower(c);
    return s;
}

bool IsBookUrl(const std::string& url) {
    return UrlScheme(url) == kBookScheme;
}

bool NameFromUrl(const std::string& url, std::string* name) {
    if (!IsBookUrl(url))
        return false;
    std::string rest = AfterScheme(url);
    const size_t cut = rest.find_first_of("?#");
    if (cut != std::string::npos)
        rest.erase(cut);
    // Folders are separated by the slashes and backslashes written as they are, as browsers
    // separate them. Each segment is decoded after the split: an encoded slash or backslash
    // (%2F, %5C) is part of a name, never a separator, which a browser engine resolving the
    // address against a web origin holds to as well. No file of a book has such a name, and the
    // backslash that stands for it here makes sure that none is found (NameNamesNoFile).
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = rest.size();
        std::string seg = PercentDecode(rest.substr(start, end - start));
        // "%2e" is a dot to browsers too: "%2e%2e" climbs a folder.
        if (seg == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!seg.empty() && seg != ".") {
            for (char& c : seg) {
                if (c == '/')
                    c = '\\';
            }
            parts.push_back(std::move(seg));
        }
        start = end + 1;
    }
    name->clear();
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i)
            *name += '/';
        *name += parts[i];
    }
    return true;
}

bool NameNamesNoFile(const std::string& name) {
    return name.find('\\') != std::string::npos;
}

std::string UrlFromName(const std::string& name) {
    std::string url = std::string(kBookScheme) + "://";
    AppendPercentEncoded(
        name,
        [](unsigned char c) {
            return c <= 0x20 || c >= 0x7F || c == '%' || c == '#' || c == '?' || c == '"' ||
                   c == '\\';
        },
        &url);
    return url;
}

bool CombineBookUrl(const std::string& base, const std::string& relative, std::string* result) {
    const std::string scheme = UrlScheme(relative);
    std::string ref;
    if (!scheme.empty()) {
        if (scheme != kBookScheme)
            return false;
        ref = "/" + AfterScheme(relative);
    } else {
        ref = SlashesInPath(relative);
        // A reference that begins with two slashes names a host: the address of a web site, as
        // under the https origin a browser engine serves the book's pages from. It is never a
        // file of the book, whatever engine draws the page.
        if (ref.size() >= 2 && ref[0] == '/' && ref[1] == '/') {
            *result = CanonicalWebUrl("https:" + ref);
            return true;
        }
    }

    // The base's path (still encoded), without query, fragment and the trailing slash that a
    // host-style parse leaves.
    std::string basePath = IsBookUrl(base) ? AfterScheme(base) : base;
    std::string baseQuery;
    const size_t bcut = basePath.find_first_of("?#");
    if (bcut != std::string::npos) {
        const size_t hash = basePath.find('#', bcut);
        baseQuery =
            basePath.substr(bcut, hash == std::string::npos ? std::string::npos : hash - bcut);
        if (!baseQuery.empty() && baseQuery[0] == '#')
            baseQuery.clear();
        basePath.erase(bcut);
    }
    while (!basePath.empty() && basePath.back() == '/')
        basePath.pop_back();

    std::string path;
    std::string suffix;
    if (ref.empty()) {
        path = basePath;
        suffix = baseQuery;
    } else if (ref[0] == '#') {
        path = basePath;
        suffix = baseQuery + ref;
    } else if (ref[0] == '?') {
        path = basePath;
        suffix = ref;
    } else {
        const size_t rcut = ref.find_first_of("?#");
        std::string refPath = ref.substr(0, rcut);
        if (rcut != std::string::npos)
            suffix = ref.substr(rcut);
        if (refPath[0] == '/') {
            path = refPath;
        } else {
            const size_t slash = basePath.rfind('/');
            path = (slash == std::string::npos ? std::string() : basePath.substr(0, slash + 1)) +
                   refPath;
        }
    }
    *result = std::string(kBookScheme) + "://" + NormalizeSegments(path) + suffix;
    return true;
}

LinkKind KindOfUrl(const std::string& url) {
    const std::string scheme = UrlScheme(url);
    if (scheme.empty() || scheme == kBookScheme)
        return LinkKind::inBook;
    if (scheme == "http" || scheme == "https" || scheme == "mailto" || scheme == "ftp")
        return LinkKind::outside;
    if (scheme == "file")
        return LinkKind::blocked;
    return LinkKind::notAFile;
}

std::string LinkBase(const std::string& pageName, const std::string* baseHref) {
    std::string base = UrlFromName(pageName);
    if (baseHref && !CombineBookUrl(base, *baseHref, &base))
        base = *baseHref;  // an absolute address of another scheme
    return base;
}

LinkTarget ResolveLinkFrom(const std::string& base, const std::string& reference) {
    LinkTarget target;
    if (!IsBookUrl(base))
        target.url = CombineWebUrl(base, reference);
    else if (!CombineBookUrl(base, reference, &target.url))
        target.url = CanonicalWebUrl(reference);
    else if (!IsBookUrl(target.url))
        target.url = CanonicalWebUrl(target.url);
    target.kind = KindOfUrl(target.url);
    if (target.kind == LinkKind::inBook) {
        NameFromUrl(target.url, &target.name);
        const size_t hash = target.url.find('#');
        if (hash != std::string::npos)
            target.fragment = target.url.substr(hash + 1);
    }
    return target;
}

LinkTarget ResolveLink(const std::string& pageName, const std::string* baseHref,
                       const std::string& reference) {
    return ResolveLinkFrom(LinkBase(pageName, baseHref), reference);
}

const char* MimeTypeFromName(const std::string& name) {
    static const struct {
        const char* ext;
        const char* mime;
    } kTypes[] = {
        // Pages and what they load
        {"htm", "text/html"},
        {"html", "text/html"},
        {"shtml", "text/html"},
        {"xhtml", "application/xhtml+xml"},
        {"xht", "application/xhtml+xml"},
        {"css", "text/css"},
        // Scripts: a module script runs only with a JavaScript type, WebAssembly compiles
        // from a response only with its own.
        {"js", "text/javascript"},
        {"mjs", "text/javascript"},
        {"cjs", "text/javascript"},
        {"wasm", "application/wasm"},
        {"json", "application/json"},
        {"map", "application/json"},
        {"webmanifest", "application/manifest+json"},
        {"txt", "text/plain"},
        {"md", "text/markdown"},
        {"csv", "text/csv"},
        {"xml", "text/xml"},
        {"xsl", "text/xml"},
        {"xslt", "text/xml"},
        {"vtt", "text/vtt"},
        {"srt", "text/plain"},
        // Pictures
        {"png", "image/png"},
        {"apng", "image/apng"},
        {"gif", "image/gif"},
        {"jpg", "image/jpeg"},
        {"jpeg", "image/jpeg"},
        {"jpe", "image/jpeg"},
        {"jfif", "image/jpeg"},
        {"bmp", "image/bmp"},
        {"ico", "image/x-icon"},
        {"cur", "image/x-icon"},
        {"svg", "image/svg+xml"},
        {"svgz", "image/svg+xml"},
        {"webp", "image/webp"},
        {"avif", "image/avif"},
        {"jxl", "image/jxl"},
        {"tif", "image/tiff"},
        {"tiff", "image/tiff"},
        // Fonts
        {"woff", "font/woff"},
        {"woff2", "font/woff2"},
        {"ttf", "font/ttf"},
        {"otf", "font/otf"},
        {"eot", "application/vnd.ms-fontobject"},
        // Sound and video
        {"mp3", "audio/mpeg"},
        {"m4a", "audio/mp4"},
        {"aac", "audio/aac"},
        {"wav", "audio/wav"},
        {"ogg", "audio/ogg"},
        {"oga", "audio/ogg"},
        {"opus", "audio/ogg"},
        {"flac", "audio/flac"},
        {"weba", "audio/webm"},
        {"mid", "audio/midi"},
        {"midi", "audio/midi"},
        {"mp4", "video/mp4"},
        {"m4v", "video/mp4"},
        {"webm", "video/webm"},
        {"ogv", "video/ogg"},
        {"mov", "video/quicktime"},
        {"avi", "video/x-msvideo"},
        // Documents and archives
        {"pdf", "application/pdf"},
        {"swf", "application/x-shockwave-flash"},
        {"zip", "application/zip"},
        {"epub", "application/epub+zip"},
    };
    const size_t slash = name.find_last_of("/\\");
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "application/octet-stream";
    std::string ext = name.substr(dot + 1);
    for (char& c : ext)
        c = AsciiLower(c);
    for (const auto& t : kTypes) {
        if (ext == t.ext)
            return t.mime;
    }
    return "application/octet-stream";
}
