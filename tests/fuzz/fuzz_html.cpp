// The HTML tokenizer, page decoding and reference finding on arbitrary bytes, as the viewer's
// search and the command line's check read every page of a book.
//
// Every run must end; every token's line lies within the page's lines and never goes back;
// every reference's line too; a character token is never empty; the page read as UTF-8 gives the
// same tokens. Every reference resolves, as the check and the viewer resolve it, to a name of
// the book without ".", ".." or empty segments, which resolves to itself.
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSeeds.h"
#include "book/BookUrl.h"
#include "html/HtmlLinks.h"
#include "html/HtmlText.h"
#include "html/HtmlTokenizer.h"

namespace {

void WriteSeeds(const std::string& dir) {
    const char* const seeds[] = {
        "<!DOCTYPE html><html><head><meta charset=utf-8><title>T &amp; t</title>"
        "<style>@import 'a.css'; p { background: url(x.png) }</style></head>"
        "<body><a href=\"a.html#x\">a</a><img src=b.png srcset=\"c.png 1x, d.png 2x\">"
        "<script><!-- <script> </script> --></script><!-- c --><p>&eacute;&#x41;&notit;</p>",
        "<textarea>\r\n<a href=x></textarea><plaintext><b>",
        "\xEF\xBB\xBF<a href='\xC3\xA9.html' style=\"x:url( 'y.png' )\">",
        "<base href=\"../x/?q#f\"><meta http-equiv=refresh content=\"1;url='n.html'\">"
        "<a href=//host/a><a href=\\\\srv\\s\\b.png><a href=file:///c:/x><a href=%2e%2e/y>"
        "<a href=sub%5Cpage.htm><a href=a%2F..%2fb.htm>"
        "<style>p{background:url(\\69 mg.png)}</style>",
    };
    int n = 0;
    for (const char* s : seeds) {
        const std::string text = s;
        WriteBytes(dir + "/seed" + std::to_string(n++),
                   reinterpret_cast<const uint8_t*>(text.data()), text.size());
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    SeedEmptyCorpus(*argc, *argv, WriteSeeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    const std::u32string page = DecodePage(bytes);
    size_t lines = 1;
    for (size_t i = 0; i < page.size(); ++i) {
        if (page[i] == '\n' || (page[i] == '\r' && (i + 1 >= page.size() || page[i + 1] != '\n')))
            ++lines;
    }
    // The page read as UTF-8 holds the same characters, and the UTF-8 tokenizer reads the same
    // tokens from it, token for token.
    std::string storage;
    const std::string_view utf8 = DecodePageUtf8(bytes, &storage);
    if (utf8 != Utf8FromCodePoints(page))
        __builtin_trap();
    CHtmlTokenizerUtf8 tokenizer8(utf8);
    HtmlTokenUtf8 token8;
    CHtmlTokenizer tokenizer(page);
    HtmlToken token;
    size_t line = 1;
    while (tokenizer.Next(&token)) {
        if (!tokenizer8.Next(&token8) || token8.kind != token.kind ||
            token8.name != Utf8FromCodePoints(token.name) ||
            token8.data != Utf8FromCodePoints(token.data) ||
            token8.container != Utf8FromCodePoints(token.container) || token8.line != token.line ||
            token8.attributes.size() != token.attributes.size())
            __builtin_trap();
        if (token.line < line || token.line > lines)
            __builtin_trap();
        if (token.kind == HtmlToken::Kind::characters && token.data.empty())
            __builtin_trap();
        for (const HtmlAttribute& a : token.attributes) {
            if (a.line < token.line || a.line > lines)
                __builtin_trap();
        }
        line = token.line;
    }
    if (tokenizer8.Next(&token8))
        __builtin_trap();
    const PageReferences refs = FindPageReferences(page);
    for (const HtmlReference& r : refs.refs) {
        if (r.nLine < 1 || r.nLine > lines)
            __builtin_trap();
        const LinkTarget target =
            ResolveLink("sub/page.html", refs.bHasBase ? &refs.strBase : nullptr, r.strUrl);
        if (target.kind != LinkKind::inBook)
            continue;
        const std::string& name = target.name;
        // A backslash in a name stands for an encoded slash or backslash, and only for one.
        std::string written = r.strUrl + (refs.bHasBase ? refs.strBase : std::string());
        for (char& c : written)
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        if (NameNamesNoFile(name) && written.find("%2f") == std::string::npos &&
            written.find("%5c") == std::string::npos)
            __builtin_trap();
        for (size_t start = 0; start <= name.size() && !name.empty();) {
            size_t end = name.find('/', start);
            if (end == std::string::npos)
                end = name.size();
            const std::string segment = name.substr(start, end - start);
            if (segment.empty() || segment == "." || segment == "..")
                __builtin_trap();
            start = end + 1;
        }
        const LinkTarget again = ResolveLink(name, nullptr, "");
        if (again.kind != LinkKind::inBook || again.name != name)
            __builtin_trap();
    }
    return 0;
}
