#include "book/BookBookmarks.h"

#include "book/Book.h"
#include "book/BookContents.h"
#include "book/BookUrl.h"
#include "html/HtmlText.h"
#include "platform/Text.h"

namespace {

const char kHeader[] = "pagevane-bookmarks 1";

bool NeedsEscape(unsigned char c) {
    return c == '%' || c < 0x20 || c > 0x7E;
}

std::string Escape(const std::string& text) {
    std::string out;
    AppendPercentEncoded(text, NeedsEscape, &out);
    return out;
}

// The field's bytes; false for a broken escape, a byte that should have been escaped, or a
// result longer than max.
bool Unescape(const std::string& field, size_t max, std::string* out) {
    for (char c : field) {
        if (c != '%' && NeedsEscape(static_cast<unsigned char>(c)))
            return false;
    }
    return PercentDecodeStrict(field, out) && out->size() <= max;
}

bool HasControl(const std::string& text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return true;
    }
    return false;
}

// The place a URL names: the file's record and the fragment.
const BookFile* PlaceOf(const CBook& book, const std::string& url, std::string* fragment) {
    const size_t hash = url.find('#');
    *fragment = hash == std::string::npos ? std::string() : url.substr(hash + 1);
    return book.FindUrl(url);
}

}  // namespace

std::string CleanBookmarkLabel(const std::string& utf8) {
    const std::u32string text =
        DecodeUtf8Lenient(reinterpret_cast<const uint8_t*>(utf8.data()), utf8.size());
    std::string out;
    for (char32_t c : text) {
        if (IsHiddenInTitle(c))
            continue;
        const bool space = c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
        if (space && (out.empty() || out.back() == ' '))
            continue;
        std::string one;
        AppendUtf8(space ? U' ' : c, &one);
        if (out.size() + one.size() > CBookBookmarks::kMaxLabel)
            break;
        out += one;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

void CBookBookmarks::Load(const std::string& stored, const CBook& book) {
    m_book = &book;
    m_entries.clear();
    size_t pos = stored.find('\n');
    std::string first = stored.substr(0, pos);
    if (!first.empty() && first.back() == '\r')
        first.pop_back();
    if (first != kHeader)
        return;
    while (pos != std::string::npos && m_entries.size() < kMaxBookmarks) {
        const size_t start = pos + 1;
        pos = stored.find('\n', start);
        std::string line =
            stored.substr(start, pos == std::string::npos ? std::string::npos : pos - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t tab1 = line.find('\t');
        const size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string::npos || line.find('\t', tab2 + 1) != std::string::npos)
            continue;
        Entry e;
        std::string label;
        if (!Unescape(line.substr(0, tab1), kMaxName, &e.mark.strName) ||
            !Unescape(line.substr(tab1 + 1, tab2 - tab1 - 1), kMaxFragment, &e.mark.strFragment) ||
            !Unescape(line.substr(tab2 + 1), kMaxLabel * 4, &label) || e.mark.strName.empty() ||
            HasControl(e.mark.strName) || HasControl(e.mark.strFragment) ||
            ValidUtf8Length(reinterpret_cast<const uint8_t*>(label.data()), label.size()) !=
                label.size())
            continue;
        e.mark.strLabel = CleanBookmarkLabel(label);
        if (e.mark.strLabel.empty())
            e.mark.strLabel = CleanBookmarkLabel(Utf8FromAnsi(e.mark.strName));
        const BookFile* file = book.FindFile(e.mark.strName);
        e.bShown = file != nullptr;
        if (file)
            e.mark.strName = file->strName;
        // One bookmark per place: a repeated line adds nothing.
        bool repeated = false;
        for (const Entry& other : m_entries) {
            repeated = repeated || (AnsiEqualNoCase(other.mark.strName, e.mark.strName) &&
                                    other.mark.strFragment == e.mark.strFragment);
        }
        if (!repeated)
            m_entries.push_back(e);
    }
}

std::string CBookBookmarks::Save() const {
    std::string out = kHeader;
    out += '\n';
    for (const Entry& e : m_entries) {
        out += Escape(e.mark.strName) + '\t' + Escape(e.mark.strFragment) + '\t' +
               Escape(e.mark.strLabel) + '\n';
    }
    return out;
}

std::vector<Bookmark> CBookBookmarks::Shown() const {
    std::vector<Bookmark> out;
    for (const Entry& e : m_entries) {
        if (e.bShown)
            out.push_back(e.mark);
    }
    return out;
}

size_t CBookBookmarks::ShownCount() const {
    size_t n = 0;
    for (const Entry& e : m_entries)
        n += e.bShown ? 1 : 0;
    return n;
}

size_t CBookBookmarks::EntryOf(size_t shown) const {
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].bShown && shown-- == 0)
            return i;
    }
    return m_entries.size();
}

long CBookBookmarks::Find(const std::string& url) const {
    std::string fragment;
    const BookFile* file = m_book ? PlaceOf(*m_book, url, &fragment) : nullptr;
    if (!file)
        return -1;
    long shown = 0;
    for (const Entry& e : m_entries) {
        if (!e.bShown)
            continue;
        if (m_book->FindFile(e.mark.strName) == file && e.mark.strFragment == fragment)
            return shown;
        ++shown;
    }
    return -1;
}

CBookBookmarks::AddResult CBookBookmarks::Add(const std::string& url, const std::string& label,
                                              size_t* index) {
    std::string fragment;
    const BookFile* file = m_book ? PlaceOf(*m_book, url, &fragment) : nullptr;
    if (!file || fragment.size() > kMaxFragment || HasControl(fragment))
        return AddResult::notInBook;
    const long there = Find(url);
    if (there >= 0) {
        if (index)
            *index = static_cast<size_t>(there);
        return AddResult::already;
    }
    if (m_entries.size() >= kMaxBookmarks) {
        // A bookmark of a page the book no longer holds makes room, the oldest first.
        size_t i = 0;
        while (i < m_entries.size() && m_entries[i].bShown)
            ++i;
        if (i == m_entries.size())
            return AddResult::full;
        m_entries.erase(m_entries.begin() + static_cast<long>(i));
    }
    Entry e;
    e.mark.strName = file->strName;
    e.mark.strFragment = fragment;
    e.mark.strLabel = CleanBookmarkLabel(label);
    if (e.mark.strLabel.empty())
        e.mark.strLabel = CleanBookmarkLabel(Utf8FromAnsi(file->strName));
    e.bShown = true;
    m_entries.push_back(e);
    if (index)
        *index = ShownCount() - 1;
    return AddResult::added;
}

bool CBookBookmarks::Rename(size_t index, const std::string& label) {
    const size_t i = EntryOf(index);
    const std::string clean = CleanBookmarkLabel(label);
    if (i >= m_entries.size() || clean.empty())
        return false;
    m_entries[i].mark.strLabel = clean;
    return true;
}

bool CBookBookmarks::Remove(size_t index) {
    const size_t i = EntryOf(index);
    if (i >= m_entries.size())
        return false;
    m_entries.erase(m_entries.begin() + static_cast<long>(i));
    return true;
}

std::string CBookBookmarks::UrlOf(size_t index) const {
    const size_t i = EntryOf(index);
    if (i >= m_entries.size())
        return std::string();
    const Bookmark& m = m_entries[i].mark;
    return UrlFromName(m.strName) + (m.strFragment.empty() ? "" : "#" + m.strFragment);
}
