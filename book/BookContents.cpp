// The tree's queries, the list shown at once, and the reading of the pages for the finder: the
// pages are read on pool threads as the search index reads them (the book's file in turns, the
// unpacking and the tokenizer on each thread), one pass per page, and their facts taken in
// sequence order.
#include "book/BookContents.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>
#include <unordered_map>

#include "book/Book.h"
#include "book/BookSearch.h"
#include "book/BookUrl.h"
#include "book/ContentsPage.h"
#include "book/ContentsRule.h"
#include "html/HtmlText.h"
#include "platform/InOrderPool.h"
#include "platform/Text.h"

namespace {

const std::string kNoLabel;

// Runs of pages in flight per thread, and the bytes of facts that may wait to be taken. Every
// page's facts are kept until the rule runs, so the bound keeps nothing small: it only stops
// the workers from running far ahead of one slow page (a large index), and a tight one (8 MB)
// had them wait behind it, the Python docs read on one processor at a time.
const size_t kRunsPerThread = 16;
const size_t kWaitingBytes = 64u << 20;

}  // namespace

size_t CContentsTree::FirstChild(size_t entry) const {
    if (entry == npos)
        return m_entries.empty() ? npos : 0;
    if (entry >= m_entries.size())
        return npos;
    return m_entries[entry].nEnd > entry + 1 ? entry + 1 : npos;
}

size_t CContentsTree::NextSibling(size_t entry) const {
    if (entry >= m_entries.size())
        return npos;
    const size_t next = m_entries[entry].nEnd;
    const size_t parent = m_entries[entry].nParent;
    const size_t end = parent == npos ? m_entries.size() : m_entries[parent].nEnd;
    return next < end ? next : npos;
}

std::string CContentsTree::SourceText(const CBook& book) const {
    if (m_source.kind == ContentsSource::Kind::pageList || m_source.nPage < 0 ||
        static_cast<size_t>(m_source.nPage) >= book.Files().size())
        return "contents from the page list";
    return "contents from " + Utf8FromAnsi(book.Files()[m_source.nPage].strName) + " (" +
           (m_source.kind == ContentsSource::Kind::marked ? "marked " : "unmarked ") +
           m_source.strElement + ")";
}

size_t CContentsTree::EntryForFile(long file) const {
    if (file < 0 || static_cast<size_t>(file) >= m_byFile.size())
        return npos;
    return m_byFile[static_cast<size_t>(file)];
}

size_t CContentsTree::EntryForUrl(const CBook& book, const std::string& url) const {
    const BookFile* f = book.FindUrl(url);
    if (!f)
        return npos;
    const long file = static_cast<long>(f - book.Files().data());
    const size_t hash = url.find('#');
    if (hash != std::string::npos && hash + 1 < url.size()) {
        const std::string fragment = PercentDecode(url.substr(hash + 1));
        for (size_t i = 0; i < m_entries.size(); ++i) {
            if (m_entries[i].nFile == file && PercentDecode(m_entries[i].strFragment) == fragment)
                return i;
        }
    }
    return EntryForFile(file);
}

std::string CContentsTree::Target(const CBook& book, size_t entry) const {
    if (entry >= m_entries.size())
        return std::string();
    const ContentsEntry& e = m_entries[entry];
    if (e.nFile < 0 || static_cast<size_t>(e.nFile) >= book.Files().size())
        return std::string();
    std::string target = Utf8FromAnsi(book.Files()[e.nFile].strName);
    if (!e.strFragment.empty())
        target += "#" + e.strFragment;
    return target;
}

std::string CContentsTree::Url(const CBook& book, size_t entry) const {
    if (entry >= m_entries.size())
        return std::string();
    const ContentsEntry& e = m_entries[entry];
    if (e.nFile < 0 || static_cast<size_t>(e.nFile) >= book.Files().size())
        return std::string();
    std::string url = UrlFromName(book.Files()[e.nFile].strName);
    if (!e.strFragment.empty()) {
        // The fragment as the browser sends it: bytes a URL cannot hold as they are escaped.
        url += '#';
        AppendPercentEncoded(
            e.strFragment,
            [](unsigned char c) {
                return c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '`';
            },
            &url);
    }
    return url;
}

const std::string& CContentsTree::PageLabel(long file) const {
    if (file < 0 || static_cast<size_t>(file) >= m_pageLabels.size())
        return kNoLabel;
    return m_pageLabels[static_cast<size_t>(file)];
}

void CContentsTree::Finish(const CBook& book, const std::vector<long>& redirects) {
    const size_t n = m_entries.size();
    std::vector<size_t> open;  // the entries whose subtrees are not closed yet
    for (size_t i = 0; i < n; ++i) {
        const size_t depth = static_cast<size_t>(std::max(m_entries[i].nDepth, 0));
        while (open.size() > depth) {
            m_entries[open.back()].nEnd = i;
            open.pop_back();
        }
        m_entries[i].nDepth = static_cast<int>(open.size());
        m_entries[i].nParent = open.empty() ? npos : open.back();
        open.push_back(i);
    }
    for (size_t k : open)
        m_entries[k].nEnd = n;

    // The first entry naming a file without a fragment, else the first naming it.
    const size_t files = book.Files().size();
    m_byFile.assign(files, npos);
    std::vector<uint8_t> plain(files, false);
    for (size_t i = 0; i < n; ++i) {
        const long f = m_entries[i].nFile;
        if (f < 0 || static_cast<size_t>(f) >= files || plain[f])
            continue;
        const bool withoutFragment = m_entries[i].strFragment.empty();
        if (m_byFile[f] == npos || withoutFragment)
            m_byFile[f] = i;
        plain[f] = withoutFragment;
    }
    for (size_t f = 0; f < files && f < redirects.size(); ++f) {
        const long to = redirects[f];
        if (to >= 0 && static_cast<size_t>(to) < files && m_byFile[f] == npos)
            m_byFile[f] = m_byFile[static_cast<size_t>(to)];
    }

    // Page labels, unique among the pages: those that share one get their parent's label, then
    // their name.
    m_pageLabels.assign(files, std::string());
    std::vector<size_t> labelled;
    for (size_t f = 0; f < files; ++f) {
        const bool redirect = f < redirects.size() && redirects[f] >= 0;
        if (m_byFile[f] != npos && !redirect) {
            m_pageLabels[f] = m_entries[m_byFile[f]].strLabel;
            labelled.push_back(f);
        }
    }
    for (int round = 0; round < 2; ++round) {
        std::unordered_map<std::string, size_t> count;
        for (size_t f : labelled)
            ++count[m_pageLabels[f]];
        for (size_t f : labelled) {
            if (count[m_pageLabels[f]] < 2)
                continue;
            const size_t parent = m_entries[m_byFile[f]].nParent;
            if (round == 0 && parent != npos && !m_entries[parent].strLabel.empty())
                m_pageLabels[f] += kLabelJoin + m_entries[parent].strLabel;
            else if (round == 1)
                m_pageLabels[f] += kLabelJoin + Utf8FromAnsi(book.Files()[f].strName);
        }
    }
    for (size_t f = 0; f < files && f < redirects.size(); ++f) {
        const long to = redirects[f];
        if (to >= 0 && static_cast<size_t>(to) < files)
            m_pageLabels[f] = m_pageLabels[static_cast<size_t>(to)];
    }
}

CContentsTree PageListContents(const CBook& book) {
    ContentsNodes t;
    std::vector<ContentsNode> pages;
    for (size_t index : book.Sequence()) {
        if (index >= book.Files().size())
            continue;
        ContentsNode node;
        const std::string& name = book.Files()[index].strName;
        node.strLabel = Utf8FromAnsi(BaseName(name));
        node.nFile = static_cast<long>(index);
        pages.push_back(std::move(node));
    }
    AddPagesUnderFolders(book, std::move(pages), CContentsTree::npos, &t);
    DisambiguateSiblings(book, {}, &t);
    CContentsTree tree;
    LayOutContents(book, t, {}, &tree);
    return tree;
}

namespace {

struct ReadPage {
    bool bRead = false;
    ContentsPageFacts facts;
};

// Pages are read in runs: a pool item per page would cost more in handing it over than the
// reading of a small page does; short runs, so that one large page holds up few others.
const size_t kPagesPerItem = 4;

struct ReadRun {
    bool bCancelled = false;
    std::vector<ReadPage> pages;
};

}  // namespace

bool BuildBookContents(CBook& book, CContentsTree* tree, const std::atomic<bool>* cancel,
                       unsigned threads, const ContentsPageReader& read) {
    ContentsBookFacts all;
    for (size_t index : book.Sequence()) {
        if (index < book.Files().size())
            all.pages.push_back(static_cast<long>(index));
    }
    if (threads == 0)
        threads = std::thread::hardware_concurrency();
    threads = std::min(std::max(threads, 1u), kMaxSearchThreads);
    const auto cancelled = [cancel] { return cancel && cancel->load(); };

    // The pool threads take turns at the book's file (a CBook reads through one file position)
    // and unpack and read the page on their own.
    std::mutex bookLock;
    const auto readPage = [&](size_t n, ReadPage* page) {
        const size_t index = static_cast<size_t>(all.pages[n]);
        const BookFile& file = book.Files()[index];
        std::vector<uint8_t> data;
        std::string error;
        try {
            if (read) {
                std::lock_guard<std::mutex> lock(bookLock);
                if (!read(file, &data, &error))
                    return true;
            } else {
                std::vector<uint8_t> block;
                {
                    std::lock_guard<std::mutex> lock(bookLock);
                    if (!book.ReadPackedFile(file, &block, &error))
                        return true;
                }
                if (!CBook::UnpackFile(file, block, &data, &error))
                    return true;
            }
            if (data.size() > kSearchPageLimit)
                return true;
            std::string decoded;
            const std::string_view text = DecodePageUtf8(data, &decoded);
            if (!decoded.empty())
                data = std::vector<uint8_t>();
            if (!ReadContentsPage(book, index, text, cancel, &page->facts))
                return false;
            page->bRead = true;
        } catch (const std::bad_alloc&) {
            page->facts = ContentsPageFacts();
        } catch (const std::length_error&) {
            // A page's text longer than a string of a 32-bit process holds.
            page->facts = ContentsPageFacts();
        }
        return true;
    };
    const size_t runs = (all.pages.size() + kPagesPerItem - 1) / kPagesPerItem;
    auto work = [&](size_t run, unsigned) {
        ReadRun result;
        const size_t end = std::min(all.pages.size(), (run + 1) * kPagesPerItem);
        for (size_t n = run * kPagesPerItem; n < end; ++n) {
            result.pages.emplace_back();
            if (cancelled() || !readPage(n, &result.pages.back())) {
                result.bCancelled = true;
                break;
            }
        }
        return result;
    };
    CInOrderPool<ReadRun> pool(runs, work, threads, kRunsPerThread, kWaitingBytes,
                               [](const ReadRun& run) {
                                   size_t bytes = 0;
                                   for (const ReadPage& page : run.pages)
                                       bytes += page.facts.Bytes();
                                   return bytes;
                               });
    all.facts.reserve(all.pages.size());
    all.unreadable.reserve(all.pages.size());
    for (size_t r = 0; r < runs; ++r) {
        if (cancelled())
            return false;
        ReadRun run = pool.Next();
        if (run.bCancelled)
            return false;
        for (ReadPage& page : run.pages) {
            all.unreadable.push_back(!page.bRead);
            all.facts.push_back(std::move(page.facts));
        }
    }
    if (cancelled())
        return false;
    CContentsTree found;
    ApplyContentsRule(book, all, &found);
    if (cancelled())
        return false;
    *tree = std::move(found);
    return true;
}

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
