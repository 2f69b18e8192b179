#include "book/BookContents.h"

#include <new>
#include <stdexcept>

#include "book/Book.h"
#include "html/HtmlText.h"
#include "html/HtmlTokenizer.h"
#include "platform/Text.h"

namespace {

std::vector<std::string> SplitPath(const std::string& name) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || name[i] == '/' || name[i] == '\\') {
            if (i > start)
                parts.push_back(name.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

// The page's <title> with white space collapsed and the characters above dropped (UTF-8); the
// tokenizer stops at its end, so a long page costs little more than a short one.
std::string PageTitle(const std::vector<uint8_t>& html) {
    std::string decoded;
    CHtmlTokenizerUtf8 tokenizer(DecodePageUtf8(html, &decoded));
    HtmlTokenUtf8 token;
    std::u32string title;
    bool seen = false;
    while (tokenizer.Next(&token)) {
        if (token.kind == HtmlTokenKind::characters && token.container == "title") {
            seen = true;
            const std::u32string text = DecodeUtf8Lenient(
                reinterpret_cast<const uint8_t*>(token.data.data()), token.data.size());
            for (char32_t c : text) {
                if (IsHiddenInTitle(c))
                    continue;
                const bool space =
                    c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == 0xA0;
                if (!space)
                    title += c;
                else if (!title.empty() && title.back() != ' ')
                    title += ' ';
            }
        } else if (seen || (token.kind == HtmlTokenKind::endTag && token.name == "title") ||
                   (token.kind == HtmlTokenKind::startTag && token.name == "body")) {
            break;
        }
    }
    if (!title.empty() && title.back() == ' ')
        title.pop_back();
    return Utf8FromCodePoints(title);
}

}  // namespace

bool IsHiddenInTitle(char32_t c) {
    return (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') ||
           (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string WithoutHiddenTitleCharacters(const std::string& utf8) {
    const std::u32string text =
        DecodeUtf8Lenient(reinterpret_cast<const uint8_t*>(utf8.data()), utf8.size());
    std::u32string kept;
    for (char32_t c : text) {
        if (!IsHiddenInTitle(c))
            kept += c;
    }
    return kept.size() == text.size() ? utf8 : Utf8FromCodePoints(kept);
}

std::vector<ContentsEntry> BookContents(CBook& book, const ContentsPageReader& read) {
    std::vector<ContentsEntry> entries;
    std::vector<std::string> folders;  // the folders of the page before
    std::vector<uint8_t> data;
    for (size_t index : book.Sequence()) {
        if (index >= book.Files().size())
            continue;
        const BookFile& file = book.Files()[index];
        std::vector<std::string> parts = SplitPath(file.strName);
        if (parts.empty())
            continue;
        const std::string base = parts.back();
        parts.pop_back();
        size_t same = 0;
        while (same < parts.size() && same < folders.size() && parts[same] == folders[same])
            ++same;
        for (size_t d = same; d < parts.size(); ++d)
            entries.push_back({static_cast<int>(d), Utf8FromAnsi(parts[d]), -1});
        folders = parts;
        std::string error;
        std::string title;
        bool readable = false;
        try {
            readable = read ? read(file, &data, &error) : book.ReadFile(file, &data, &error);
            if (readable)
                title = PageTitle(data);
        } catch (const std::bad_alloc&) {
            readable = false;
        } catch (const std::length_error&) {
            // A page's text longer than a string of a 32-bit process holds (500 MB of bytes are
            // 2 GB of code points).
            readable = false;
        }
        // The room of a long page goes at once, not with the next page's.
        std::vector<uint8_t>().swap(data);
        ContentsEntry entry;
        entry.nDepth = static_cast<int>(parts.size());
        entry.nFile = static_cast<long>(index);
        entry.bUnreadable = !readable;
        if (!readable)
            entry.strLabel = Utf8FromAnsi(base) + " (cannot be read)";
        else
            entry.strLabel = title.empty() ? Utf8FromAnsi(base) : title;
        entries.push_back(std::move(entry));
    }
    return entries;
}
