#include "viewer/book/BookContents.h"

#include "viewer/book/Book.h"
#include "viewer/book/BookSearch.h"
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

}  // namespace

std::vector<ContentsEntry> BookContents(CBook& book) {
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
        if (book.ReadFile(file, &data, &error))
            title = Utf8FromCodePoints(ExtractPageText(data).title);
        entries.push_back({static_cast<int>(parts.size()),
                           title.empty() ? Utf8FromAnsi(base) : title, static_cast<long>(index)});
    }
    return entries;
}
