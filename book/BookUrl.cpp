#include "book/BookUrl.h"

#include <cstring>
#include <vector>

const char kBookScheme[] = "e-book";

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

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

}  // namespace

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
        c = LowerAscii(c);
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
    rest = PercentDecode(rest);
    for (char& c : rest) {
        if (c == '\\')
            c = '/';
    }
    *name = NormalizeSegments(rest);
    return true;
}

std::string UrlFromName(const std::string& name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string url = std::string(kBookScheme) + "://";
    for (char ch : name) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F || c == '%' || c == '#' || c == '?' || c == '"') {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        } else {
            url += ch == '\\' ? '/' : ch;
        }
    }
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
        ref = relative;
        for (char& c : ref) {
            if (c == '\\')
                c = '/';
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
    std::string url;
    if (!IsBookUrl(base))
        url = UrlScheme(reference).empty() ? base : reference;
    else if (!CombineBookUrl(base, reference, &url))
        url = reference;
    LinkTarget target;
    target.kind = KindOfUrl(url);
    if (target.kind == LinkKind::inBook)
        NameFromUrl(url, &target.name);
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
        c = LowerAscii(c);
    for (const auto& t : kTypes) {
        if (ext == t.ext)
            return t.mime;
    }
    return "application/octet-stream";
}
