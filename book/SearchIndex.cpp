// Why an index of word numbers: a query then costs a few look-ups and one pass over the postings
// of its rarest word, instead of unpacking and reading every page again (which took about half a
// second a query on a 65-page, 18 MB book). Phrases are checked in the pages that hold all of
// their words, in the word numbers kept per page; snippets are cut from the text kept per page.
#include "book/SearchIndex.h"

#include <algorithm>

#include "html/HtmlText.h"
#include "book/BookSearch.h"
#include "book/TextFold.h"

namespace {

// The longest word the page reader folds on the stack.
const size_t kShortWord = 64;

const size_t kSnippetBefore = 60;  // bytes of text kept before the first match, about
const size_t kSnippetLength = 200;

// Calls emit(folded word, index of its first character, split) for every word of text, in order.
// A character of a script written without spaces is a word of its own (split = true).
template <typename Emit>
void ForEachWord(const std::u32string& text, Emit emit) {
    std::u32string word;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        const char32_t c = i < text.size() ? text[i] : U' ';
        const bool split = IsSplitChar(c);
        if (!IsWordChar(c) || split) {
            if (!word.empty())
                emit(word, start, false);
            word.clear();
            if (split) {
                std::u32string one;
                AppendFolded(c, &one);
                emit(one, i, true);
            }
            continue;
        }
        if (word.empty())
            start = i;
        AppendFolded(c, &word);
    }
}

// Moves back from a byte offset in UTF-8 text to the start of its character.
size_t CharStart(const std::string& s, size_t at) {
    while (at > 0 && at < s.size() && (static_cast<unsigned char>(s[at]) & 0xC0) == 0x80)
        --at;
    return at;
}

}  // namespace

CWordNumbers::CWordNumbers() : m_slots(64, 0) {}

uint32_t CWordNumbers::Hash(std::string_view word) {
    uint32_t h = kHashStart;
    for (char c : word)
        h = HashStep(h, c);
    return HashEnd(h);
}

uint32_t CWordNumbers::Number(std::string_view word, uint32_t hash, bool* added) {
    // At most half the slots in use keeps the runs of used slots short. The table grows before
    // a word that could pass that is looked for, so that a failure to grow changes nothing.
    if (2 * (m_hashes.size() + 1) > m_slots.size())
        Grow();
    const size_t mask = m_slots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const uint64_t slot = m_slots[i];
        if (slot == 0) {
            const uint32_t number = static_cast<uint32_t>(m_hashes.size());
            // A failed allocation leaves the table as it was.
            const size_t chars = m_chars.size();
            try {
                m_chars.append(word);
                m_starts.push_back(static_cast<uint32_t>(m_chars.size()));
                m_hashes.push_back(hash);
            } catch (...) {
                m_chars.resize(chars);
                m_starts.resize(number + 1);
                throw;
            }
            m_slots[i] = Slot(hash, number);
            *added = true;
            return number;
        }
        const uint32_t number = static_cast<uint32_t>(slot) - 1;
        if (static_cast<uint32_t>(slot >> 32) == hash && Word(number) == word) {
            *added = false;
            return number;
        }
    }
}

uint32_t CWordNumbers::Find(std::string_view word) const {
    const uint32_t hash = Hash(word);
    const size_t mask = m_slots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const uint64_t slot = m_slots[i];
        if (slot == 0)
            return kNone;
        const uint32_t number = static_cast<uint32_t>(slot) - 1;
        if (static_cast<uint32_t>(slot >> 32) == hash && Word(number) == word)
            return number;
    }
}

void CWordNumbers::Grow() {
    std::vector<uint64_t> slots(2 * m_slots.size(), 0);
    const size_t mask = slots.size() - 1;
    for (uint32_t number = 0; number < m_hashes.size(); ++number) {
        size_t i = m_hashes[number] & mask;
        while (slots[i] != 0)
            i = (i + 1) & mask;
        slots[i] = Slot(m_hashes[number], number);
    }
    m_slots.swap(slots);
}

size_t CSearchIndex::PreparedPage::Bytes() const {
    return strText.size() + 4 * (words.size() + offsets.size() + counts.size()) + distinct.Bytes();
}

// The reader keeps the text in UTF-8 as it comes: a space is written only when a character
// follows it (which collapses runs and trims both ends), and each character is also looked at
// once for words. ASCII, nearly all of most pages, is told apart by one table and taken in runs
// of one kind (white space, letters and digits, the rest).
void CSearchIndex::CPageReader::Add(Part* part, const char* text, size_t n) {
    // 1: white space; 2: a letter or digit; 0: any other ASCII character.
    static const struct AsciiKinds {
        uint8_t kind[128] = {};
        AsciiKinds() {
            for (char c : {' ', '\t', '\r', '\n', '\f'})
                kind[static_cast<unsigned char>(c)] = 1;
            for (int c = 0; c < 128; ++c)
                kind[c] = IsWordChar(static_cast<char32_t>(c)) ? 2 : kind[c];
        }
    } kAscii;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    std::string& utf8 = part->utf8;
    size_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            const int kind = kAscii.kind[c];
            auto runEnd = [&](size_t end) {
                while (end < n && p[end] < 0x80 && kAscii.kind[p[end]] == kind)
                    ++end;
                return end;
            };
            if (kind == 1) {
                if (!part->word.empty())
                    EndWord(part);
                part->bSpace = !utf8.empty();
                i = runEnd(i + 1);
                continue;
            }
            if (part->bSpace) {
                utf8 += ' ';
                part->bSpace = false;
            }
            size_t end = i;
            if (kind == 2) {
                // Letters and digits: folded and hashed on the stack as they are found. A whole
                // ASCII word, the most common case, is numbered from there at once.
                char folded[kShortWord];
                uint32_t hash = CWordNumbers::kHashStart;
                for (const size_t limit = std::min(n, i + kShortWord); end < limit; ++end) {
                    const unsigned char b = p[end];
                    if (b >= 0x80 || kAscii.kind[b] != 2)
                        break;
                    folded[end - i] = static_cast<char>((b >= 'A' && b <= 'Z') ? b + 32 : b);
                    hash = CWordNumbers::HashStep(hash, folded[end - i]);
                }
                if (part->word.empty() && end < n && p[end] < 0x80 && kAscii.kind[p[end]] != 2) {
                    Emit(part, std::string_view(folded, end - i), CWordNumbers::HashEnd(hash),
                         static_cast<uint32_t>(utf8.size()));
                } else {
                    // A long word, or one that goes on past this piece or into a character
                    // beyond ASCII.
                    std::string& word = part->word;
                    if (word.empty())
                        part->nWordStart = static_cast<uint32_t>(utf8.size());
                    end = runEnd(end);
                    const size_t from = word.size();
                    word.append(text + i, end - i);
                    for (size_t k = from; k < word.size(); ++k) {
                        if (word[k] >= 'A' && word[k] <= 'Z')
                            word[k] = static_cast<char>(word[k] + 32);
                    }
                }
            } else {
                if (!part->word.empty())
                    EndWord(part);
                end = runEnd(i + 1);
            }
            utf8.append(text + i, end - i);
            i = end;
            continue;
        }
        // A character of two to four bytes. A byte that begins no sequence, or a sequence cut
        // short, reads as U+FFFD: the text kept stays UTF-8 whatever the caller hands in.
        const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        char32_t cp = length == 4 ? c & 0x07 : length == 3 ? c & 0x0F : c & 0x1F;
        bool whole = length > 1 && i + length <= n;
        for (size_t k = 1; whole && k < length; ++k) {
            whole = (p[i + k] & 0xC0) == 0x80;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        const size_t used = whole ? length : 1;
        if (!whole)
            cp = 0xFFFD;
        i += used;
        if (cp == 0xA0) {
            EndWord(part);
            part->bSpace = !utf8.empty();
            continue;
        }
        if (part->bSpace) {
            utf8 += ' ';
            part->bSpace = false;
        }
        // A character of a script without spaces is a word of its own.
        const bool split = IsSplitChar(cp);
        if (!IsWordChar(cp) || split) {
            EndWord(part);
            if (split) {
                m_folded.clear();
                AppendFolded(cp, &m_folded);
                const std::string one = Utf8FromCodePoints(m_folded);
                Emit(part, one, CWordNumbers::Hash(one), static_cast<uint32_t>(utf8.size()));
            }
        } else {
            // A mark folds to nothing: the word then begins at the next character that counts.
            if (part->word.empty())
                part->nWordStart = static_cast<uint32_t>(utf8.size());
            m_folded.clear();
            AppendFolded(cp, &m_folded);
            for (char32_t f : m_folded)
                AppendUtf8(f, &part->word);
        }
        if (whole)
            utf8.append(text + i - used, used);
        else
            AppendUtf8(cp, &utf8);
    }
}

void CSearchIndex::CPageReader::EndWord(Part* part) {
    if (part->word.empty())
        return;
    Emit(part, part->word, CWordNumbers::Hash(part->word), part->nWordStart);
    part->word.clear();
}

void CSearchIndex::CPageReader::Emit(Part* part, std::string_view word, uint32_t hash,
                                     uint32_t offset) {
    bool added = false;
    const uint32_t number = m_distinct.Number(word, hash, &added);
    if (added)
        m_counts.push_back(0);
    ++m_counts[number];
    part->words.push_back(number);
    part->offsets.push_back(offset);
}

CSearchIndex::PreparedPage CSearchIndex::CPageReader::Finish() {
    EndWord(&m_title);
    EndWord(&m_text);
    PreparedPage page;
    // The title, a line feed, the text: one string for the snippets and the word offsets.
    page.strText.reserve(m_title.utf8.size() + 1 + m_text.utf8.size());
    page.strText = m_title.utf8;
    page.strText += '\n';
    page.strText += m_text.utf8;
    m_text.utf8 = std::string();
    const uint32_t textStart = static_cast<uint32_t>(m_title.utf8.size() + 1);
    page.nTitleWords = static_cast<uint32_t>(m_title.words.size());
    page.words = std::move(m_title.words);
    page.words.insert(page.words.end(), m_text.words.begin(), m_text.words.end());
    m_text.words = std::vector<uint32_t>();
    page.offsets = std::move(m_title.offsets);
    page.offsets.reserve(page.words.size());
    for (uint32_t offset : m_text.offsets)
        page.offsets.push_back(textStart + offset);
    m_text.offsets = std::vector<uint32_t>();
    page.distinct = std::move(m_distinct);
    page.counts = std::move(m_counts);
    return page;
}

void CSearchIndex::AddPage(uint32_t pageNumber, PreparedPage&& prepared) {
    // An allocation that fails part way leaves the index as it was (but for the words met for
    // the first time, which stay without pages), so that the caller can pass the page over and
    // go on: room is made first where a failure could not be undone.
    const uint32_t index = static_cast<uint32_t>(m_pages.size());
    if (m_pages.size() == m_pages.capacity())
        m_pages.reserve(2 * m_pages.size() + 16);
    const size_t postingsNeeded = m_words.Count() + prepared.distinct.Count();
    if (m_postings.capacity() < postingsNeeded)
        m_postings.reserve(std::max(postingsNeeded, 2 * m_postings.capacity()));
    // The page's words in the order they first occur get their numbers in the book, as they
    // would one word after another.
    std::vector<uint32_t> bookNumbers(prepared.distinct.Count());
    uint32_t posted = 0;
    try {
        // The book's table is large: the slot of a word a few places on is fetched meanwhile.
        const uint32_t ahead = 8;
        for (; posted < prepared.distinct.Count(); ++posted) {
            if (posted + ahead < prepared.distinct.Count())
                m_words.Prefetch(prepared.distinct.HashOf(posted + ahead));
            bool added = false;
            const uint32_t number = m_words.Number(prepared.distinct.Word(posted),
                                                   prepared.distinct.HashOf(posted), &added);
            bookNumbers[posted] = number;
            if (added)
                m_postings.emplace_back();
            Postings& postings = m_postings[number];
            postings.pages.push_back(index);
            try {
                postings.counts.push_back(prepared.counts[posted]);
            } catch (...) {
                postings.pages.pop_back();
                throw;
            }
        }
    } catch (...) {
        for (uint32_t k = 0; k < posted; ++k) {
            m_postings[bookNumbers[k]].pages.pop_back();
            m_postings[bookNumbers[k]].counts.pop_back();
        }
        throw;
    }
    for (uint32_t& word : prepared.words)
        word = bookNumbers[word];

    m_pages.emplace_back();
    Page& page = m_pages.back();
    page.nPage = pageNumber;
    page.strText = std::move(prepared.strText);
    page.words = std::move(prepared.words);
    page.offsets = std::move(prepared.offsets);
    page.nTitleWords = prepared.nTitleWords;
}

IndexResult CSearchIndex::Query(const std::string& queryUtf8, size_t maxHits) const {
    IndexResult result;
    const std::vector<uint8_t> bytes(queryUtf8.begin(), queryUtf8.end());
    const std::u32string query = DecodeUtf8Lenient(bytes.data(), bytes.size());

    // Terms: each a run of folded words that must stand one after another (one word, a quoted
    // phrase, or a run of characters of a script without spaces).
    std::vector<std::vector<std::u32string>> terms;
    size_t from = 0;
    bool quoted = false;
    while (from <= query.size()) {
        size_t quote = query.find(U'"', from);
        if (quote == std::u32string::npos)
            quote = query.size();
        const std::u32string part = query.substr(from, quote - from);
        std::vector<std::u32string> phrase;
        bool lastSplit = false;
        ForEachWord(part, [&](const std::u32string& word, size_t, bool split) {
            if (!quoted && !(split && lastSplit) && !phrase.empty()) {
                terms.push_back(phrase);
                phrase.clear();
            }
            phrase.push_back(word);
            lastSplit = split;
        });
        if (!phrase.empty())
            terms.push_back(phrase);
        quoted = !quoted;
        from = quote + 1;
    }
    for (const auto& term : terms) {
        std::string text;
        for (const std::u32string& word : term) {
            if (!text.empty())
                text += ' ';
            text += Utf8FromCodePoints(word);
        }
        result.terms.push_back(text);
    }
    if (terms.empty())
        return result;

    // Word numbers; a word the book does not hold means no page matches.
    std::vector<std::vector<uint32_t>> termWords;
    std::vector<uint32_t> allWords;
    for (const auto& term : terms) {
        std::vector<uint32_t> numbers;
        for (const std::u32string& word : term) {
            const uint32_t number = m_words.Find(Utf8FromCodePoints(word));
            if (number == CWordNumbers::kNone)
                return result;
            numbers.push_back(number);
            allWords.push_back(number);
        }
        termWords.push_back(numbers);
    }
    std::sort(allWords.begin(), allWords.end());
    allWords.erase(std::unique(allWords.begin(), allWords.end()), allWords.end());
    std::sort(allWords.begin(), allWords.end(), [&](uint32_t a, uint32_t b) {
        return m_postings[a].pages.size() < m_postings[b].pages.size();
    });

    // The pages that hold every word: the rarest word's pages, narrowed by each other word.
    std::vector<uint32_t> candidates = m_postings[allWords[0]].pages;
    for (size_t w = 1; w < allWords.size() && !candidates.empty(); ++w) {
        const std::vector<uint32_t>& pages = m_postings[allWords[w]].pages;
        std::vector<uint32_t> kept;
        std::set_intersection(candidates.begin(), candidates.end(), pages.begin(), pages.end(),
                              std::back_inserter(kept));
        candidates.swap(kept);
    }

    struct Scored {
        uint32_t index;
        uint32_t score;
    };
    std::vector<Scored> scored;
    for (uint32_t index : candidates) {
        const Page& page = m_pages[index];
        uint32_t titleHits = 0;
        uint64_t occurrences = 0;
        bool all = true;
        for (const std::vector<uint32_t>& words : termWords) {
            bool inTitle = false;
            uint64_t count = 0;
            if (words.size() == 1) {
                // One word: its count is in the postings, the title is a few words to look at.
                const Postings& postings = m_postings[words[0]];
                const auto it =
                    std::lower_bound(postings.pages.begin(), postings.pages.end(), index);
                count = postings.counts[static_cast<size_t>(it - postings.pages.begin())];
                inTitle = std::find(page.words.begin(), page.words.begin() + page.nTitleWords,
                                    words[0]) != page.words.begin() + page.nTitleWords;
            } else {
                // A phrase lies inside the title or inside the text: the title's last word and
                // the text's first are not one after the other.
                for (size_t i = 0; i + words.size() <= page.words.size(); ++i) {
                    if (i < page.nTitleWords && i + words.size() > page.nTitleWords)
                        continue;
                    if (!std::equal(words.begin(), words.end(), page.words.begin() + i))
                        continue;
                    ++count;
                    inTitle = inTitle || i < page.nTitleWords;
                }
            }
            if (count == 0) {
                all = false;  // a phrase whose words are all there, but not together
                break;
            }
            titleHits += inTitle ? 1 : 0;
            occurrences += count;
        }
        if (!all)
            continue;
        const uint32_t score =
            titleHits * 1000000u + static_cast<uint32_t>(std::min<uint64_t>(occurrences, 999999));
        scored.push_back({index, score});
    }
    result.nTotal = scored.size();
    std::stable_sort(scored.begin(), scored.end(),
                     [](const Scored& a, const Scored& b) { return a.score > b.score; });
    if (scored.size() > maxHits)
        scored.resize(maxHits);
    for (const Scored& s : scored) {
        const Page& page = m_pages[s.index];
        // The snippet shows the first match in the text (not in the title).
        size_t firstWord = std::u32string::npos;
        for (const std::vector<uint32_t>& words : termWords) {
            for (size_t i = page.nTitleWords;
                 i + words.size() <= page.words.size() && i < firstWord; ++i) {
                if (std::equal(words.begin(), words.end(), page.words.begin() + i)) {
                    firstWord = i;
                    break;
                }
            }
        }
        IndexHit hit;
        hit.nPage = page.nPage;
        hit.nScore = s.score;
        hit.strSnippet = Snippet(page, firstWord);
        result.hits.push_back(std::move(hit));
    }
    return result;
}

std::string CSearchIndex::Snippet(const Page& page, size_t firstWord) const {
    const size_t textStart = page.strText.find('\n') + 1;
    size_t at = firstWord < page.offsets.size() ? page.offsets[firstWord] : textStart;
    size_t begin = at > textStart + kSnippetBefore ? at - kSnippetBefore : textStart;
    if (begin > textStart) {
        // Start at a word boundary after the cut.
        const size_t space = page.strText.find(' ', begin);
        begin =
            space != std::string::npos && space < at ? space + 1 : CharStart(page.strText, begin);
    }
    size_t end = std::min(page.strText.size(), begin + kSnippetLength);
    if (end < page.strText.size()) {
        const size_t space = page.strText.rfind(' ', end);
        end = space != std::string::npos && space > at ? space : CharStart(page.strText, end);
    }
    std::string snippet = begin > textStart ? "..." : "";
    snippet.append(page.strText, begin, end - begin);
    if (end < page.strText.size())
        snippet += "...";
    return snippet;
}
