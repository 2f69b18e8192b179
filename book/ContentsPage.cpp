// The tokenizer builds no tree, so the reader keeps a small stack of the open elements itself,
// with the end tags HTML lets an author leave out: a new li ends the li before it, a dt or dd the
// dt or dd before it, and a list's end tag ends its items (HTML4 pages and Texinfo write them so).
// An end tag whose element is not open is passed over, as a browser does.
//
// A candidate is read as it comes: every li or dt inside it is an item; a list inside an item
// hangs below it, a list inside a dd below the dt before the dd, and a list straight inside a
// list (an li missing) below the list's last item. The text of an item outside its nested lists
// is its own; the text of its first link is its label.
#include "book/ContentsPage.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "book/Book.h"
#include "book/BookContents.h"
#include "book/BookUrl.h"
#include "book/ContentsMarkup.h"
#include "html/HtmlText.h"
#include "html/HtmlTokenizer.h"
#include "platform/Text.h"

namespace {

// Labels, titles and headings are cut here: a label is a line in a pane, not a page.
const size_t kLabelLimit = 1000;
// Lists nested deeper than this hang their items at this depth (no one nests a contents so deep,
// and what reads the items later walks them without recursion to spare).
const int kMaxItemDepth = 64;

struct RawItem {
    int32_t nParent = -1;
    int nDepth = 0;
    enum class Link : uint8_t { none, hash, page, nowhere, step } link = Link::none;
    int32_t nFile = -1;
    std::string strFragment;
    std::string strText;      // the item's own text, outside nested lists
    std::string strLinkText;  // the text of its first link
};

struct Region {
    bool bMarked = false;
    std::string strElement;
    std::vector<RawItem> items;
};

struct OpenElement {
    std::string name;
    ContentsTag tag = ContentsTag::other;
    int region = -1;        // the candidate it is inside, -1 for none
    int32_t owner = -1;     // the item whose own text its text is, -1 for none
    int32_t under = -1;     // the item a list opened inside it hangs below
    int32_t lastItem = -1;  // lists: the last item begun in it (dl: its last dt)
    bool bRegionRoot = false;
    bool bCapture = false;  // an <a> whose text is its item's label
    int heading = 0;        // 1 or 2 for an h1 or h2 being captured
};

class CPageReader {
  public:
    CPageReader(const CBook& book, size_t file, ContentsPageFacts* facts)
        : m_book(book), m_nFile(file), m_facts(*facts) {
        m_strPage = Utf8FromAnsi(book.Files()[file].strName);
    }

    bool Read(std::string_view html, const std::atomic<bool>* cancel);

  private:
    void StartTag(const HtmlTokenUtf8& tag);
    void EndTag(const std::string& name);
    void Text(std::string_view text);
    void Pop();
    // The file a reference leads to, -1 when it is not a file of the book (*fragment gets what
    // follows '#'); *inBook tells a reference to the book apart from one leading elsewhere.
    int32_t Resolve(const std::string& href, std::string* fragment, bool* inBook) const;
    void AddItem(const OpenElement& list, bool dt);
    void Finish(Region& region);

    const CBook& m_book;
    size_t m_nFile;
    ContentsPageFacts& m_facts;
    std::string m_strPage;  // the page's name in UTF-8
    std::string m_strBase;
    bool m_bHasBase = false;
    mutable std::string m_strLinkBase;  // what links resolve against, once known
    // References resolved so far (without their fragments): (file + 1) * 2, + 1 when the
    // reference is the book's.
    mutable std::unordered_map<std::string, size_t> m_resolved;
    bool m_bTitleDone = false;
    std::vector<OpenElement> m_open;
    std::vector<Region> m_regions;
    std::vector<int> m_markedRegions;  // indices of marked regions, one per element key
    int32_t m_capture = -1;            // the item whose link text is being read
    int m_heading = 0;                 // the heading whose text is being read (1, 2)
    std::unordered_set<int32_t> m_linked;
    std::unordered_set<int32_t> m_contentsLinked;
};

int32_t CPageReader::Resolve(const std::string& href, std::string* fragment, bool* inBook) const {
    const size_t hash = href.find('#');
    if (fragment)
        *fragment = hash == std::string::npos ? std::string() : href.substr(hash + 1);
    // What a reference leads to depends only on what precedes its '#': a page links to the same
    // few pages many times over, at different places.
    const std::string_view path(href.data(), hash == std::string::npos ? href.size() : hash);
    if (path.empty() && !m_bHasBase) {
        *inBook = true;
        return static_cast<int32_t>(m_nFile);
    }
    const auto known = m_resolved.find(std::string(path));
    if (known != m_resolved.end()) {
        *inBook = (known->second & 1) != 0;
        return static_cast<int32_t>(known->second / 2) - 1;
    }
    if (m_strLinkBase.empty())
        m_strLinkBase = LinkBase(m_strPage, m_bHasBase ? &m_strBase : nullptr);
    const LinkTarget target = ResolveLinkFrom(m_strLinkBase, std::string(path));
    *inBook = target.kind == LinkKind::inBook;
    int32_t file = -1;
    if (*inBook) {
        const BookFile* f = m_book.FindName(target.name);
        file = f ? static_cast<int32_t>(f - m_book.Files().data()) : -1;
    }
    m_resolved.emplace(std::string(path), static_cast<size_t>(file + 1) * 2 + (*inBook ? 1 : 0));
    return file;
}

void CPageReader::Pop() {
    const OpenElement& e = m_open.back();
    if (e.bCapture)
        m_capture = -1;
    if (e.heading)
        m_heading = 0;
    if (e.bRegionRoot) {
        Region& region = m_regions[static_cast<size_t>(e.region)];
        if (!region.bMarked)
            Finish(region);
    }
    m_open.pop_back();
}

void CPageReader::AddItem(const OpenElement& list, bool dt) {
    Region& region = m_regions[static_cast<size_t>(list.region)];
    RawItem item;
    item.nParent = list.under;
    if (item.nParent >= 0) {
        const int depth = region.items[static_cast<size_t>(item.nParent)].nDepth + 1;
        if (depth > kMaxItemDepth)
            item.nParent = region.items[static_cast<size_t>(item.nParent)].nParent;
        item.nDepth = std::min(depth, kMaxItemDepth);
    }
    const int32_t index = static_cast<int32_t>(region.items.size());
    region.items.push_back(std::move(item));
    m_open.back().lastItem = index;
    OpenElement e;
    e.name = dt ? "dt" : "li";
    e.tag = dt ? ContentsTag::dt : ContentsTag::li;
    e.region = list.region;
    e.owner = index;
    e.under = index;
    m_open.push_back(std::move(e));
}

void CPageReader::StartTag(const HtmlTokenUtf8& tag) {
    const ContentsTag id = ContentsTagOf(tag.name);
    const OpenElement* top = m_open.empty() ? nullptr : &m_open.back();
    const int region = top ? top->region : -1;

    if (id == ContentsTag::a || id == ContentsTag::area || id == ContentsTag::link) {
        const HtmlAttributeUtf8* href = tag.Find("href");
        if (href) {
            const LinkRel rel = ReadLinkRel(tag);
            std::string fragment;
            bool inBook = false;
            const int32_t file = Resolve(href->value, &fragment, &inBook);
            if (file >= 0 && static_cast<size_t>(file) != m_nFile) {
                if (id != ContentsTag::link && m_linked.insert(file).second)
                    m_facts.links.push_back(file);
                if (rel.bContents && m_contentsLinked.insert(file).second)
                    m_facts.contentsLinks.push_back(file);
            }
            // The first link of an item, outside its nested lists, names its target.
            const int32_t owner = top ? top->owner : -1;
            if (id == ContentsTag::a && region >= 0 && owner >= 0) {
                RawItem& item = m_regions[static_cast<size_t>(region)].items[owner];
                if (item.link == RawItem::Link::none) {
                    const bool self = href->value.empty() || href->value == "#";
                    if (rel.bStep)
                        item.link = RawItem::Link::step;
                    else if (self || (!inBook && KindOfUrl(href->value) == LinkKind::notAFile))
                        item.link = RawItem::Link::hash;  // "#", "javascript:": opens nothing
                    else if (file >= 0)
                        item.link = RawItem::Link::page;
                    else
                        item.link = RawItem::Link::nowhere;
                    item.nFile = item.link == RawItem::Link::page ? file : -1;
                    if (item.link == RawItem::Link::page)
                        item.strFragment = std::move(fragment);
                    // Its text is the item's label until the link ends.
                    if (m_capture < 0 && !tag.selfClosing) {
                        for (size_t k = m_open.size(); k-- > 0 && m_open[k].owner == owner;) {
                            if (m_open[k].tag ==
                                ContentsTag::a) {  // a link in a link ends the first
                                while (m_open.size() > k)
                                    Pop();
                                break;
                            }
                        }
                        OpenElement e = m_open.back();
                        e.name = tag.name;
                        e.tag = id;
                        e.bRegionRoot = false;
                        e.bCapture = true;
                        e.heading = 0;
                        m_open.push_back(std::move(e));
                        m_capture = owner;
                        return;
                    }
                }
            }
        }
    } else if (id == ContentsTag::base) {
        const HtmlAttributeUtf8* href = tag.Find("href");
        if (href && !m_bHasBase) {
            m_bHasBase = true;
            m_strBase = href->value;
            m_strLinkBase.clear();
            m_resolved.clear();
        }
    } else if (id == ContentsTag::meta) {
        const HtmlAttributeUtf8* equiv = tag.Find("http-equiv");
        const HtmlAttributeUtf8* content = tag.Find("content");
        if (equiv && content && m_facts.nRefresh < 0 && AsciiEqualNoCase(equiv->value, "refresh")) {
            const std::string address = RefreshAddress(content->value);
            bool inBook = false;
            const int32_t file = address.empty() ? -1 : Resolve(address, nullptr, &inBook);
            if (file >= 0 && static_cast<size_t>(file) != m_nFile)
                m_facts.nRefresh = file;
        }
    }
    if (IsVoidTag(id))
        return;

    // Implied end tags: a new item ends the open item of its list, a nested <a> the one open.
    if (id == ContentsTag::li || id == ContentsTag::dt || id == ContentsTag::dd ||
        id == ContentsTag::a) {
        for (size_t k = m_open.size(); k-- > 0;) {
            const ContentsTag open = m_open[k].tag;
            if (id != ContentsTag::a && IsListTag(open))
                break;
            const bool ends = id == ContentsTag::a ? open == ContentsTag::a
                              : id == ContentsTag::li
                                  ? open == ContentsTag::li
                                  : (open == ContentsTag::dt || open == ContentsTag::dd);
            if (ends) {
                while (m_open.size() > k)
                    Pop();
                break;
            }
        }
    }
    top = m_open.empty() ? nullptr : &m_open.back();

    OpenElement e;
    e.name = tag.name;
    e.tag = id;
    if (top) {
        e.region = top->region;
        e.owner = top->owner;
        e.under = top->under;
    }
    const bool isList = IsListTag(id);
    if (e.region < 0 && id != ContentsTag::html && id != ContentsTag::body &&
        id != ContentsTag::main && id != ContentsTag::article &&
        (isList || IsContentsMark(id, tag))) {
        const bool marked = !isList || IsContentsMark(id, tag);
        const std::string key = ContentsElementKey(tag);
        int index = -1;
        if (marked) {
            for (int r : m_markedRegions) {
                if (m_regions[static_cast<size_t>(r)].strElement == key)
                    index = r;
            }
        }
        if (index < 0) {
            index = static_cast<int>(m_regions.size());
            m_regions.emplace_back();
            m_regions.back().bMarked = marked;
            m_regions.back().strElement = key;
            if (marked)
                m_markedRegions.push_back(index);
        }
        e.region = index;
        e.owner = -1;
        e.under = -1;
        e.bRegionRoot = true;
    }
    if (e.region >= 0) {
        const bool inList = top && IsListTag(top->tag) && top->region == e.region;
        if (isList) {
            // Text straight inside a list belongs to no item; a list straight inside a list
            // hangs below the outer list's last item.
            if (inList)
                e.under = top->lastItem;
            e.owner = -1;
        } else if ((id == ContentsTag::li || id == ContentsTag::dt) && inList) {
            AddItem(m_open.back(), id == ContentsTag::dt);
            return;
        } else if (id == ContentsTag::dd && inList && top->tag == ContentsTag::dl) {
            e.owner = -1;
            e.under = top->lastItem;
        }
    }
    if (m_heading == 0 && ((id == ContentsTag::h1 && m_facts.strH1.empty()) ||
                           (id == ContentsTag::h2 && m_facts.strH2.empty()))) {
        e.heading = id == ContentsTag::h1 ? 1 : 2;
        m_heading = e.heading;
    }
    m_open.push_back(std::move(e));
}

void CPageReader::EndTag(const std::string& name) {
    const ContentsTag id = ContentsTagOf(name);
    if (id == ContentsTag::title)
        m_bTitleDone = true;
    if (id == ContentsTag::body || id == ContentsTag::html)
        return;
    const bool item = id == ContentsTag::li || id == ContentsTag::dt || id == ContentsTag::dd;
    for (size_t k = m_open.size(); k-- > 0;) {
        const OpenElement& open = m_open[k];
        if (id == ContentsTag::other ? open.name == name : open.tag == id) {
            while (m_open.size() > k)
                Pop();
            return;
        }
        // An item's end tag does not reach past its list.
        if (item && IsListTag(open.tag))
            return;
    }
}

void CPageReader::Text(std::string_view text) {
    if (m_heading) {
        std::string& heading = m_heading == 1 ? m_facts.strH1 : m_facts.strH2;
        AppendLabelText(text, &heading, kLabelLimit);
    }
    if (m_open.empty() || m_open.back().owner < 0)
        return;
    const OpenElement& top = m_open.back();
    RawItem& item = m_regions[static_cast<size_t>(top.region)].items[top.owner];
    // An item's own text is its label only while it has no link.
    if (item.link == RawItem::Link::none)
        AppendLabelText(text, &item.strText, kLabelLimit);
    if (m_capture == top.owner)
        AppendLabelText(text, &item.strLinkText, kLabelLimit);
}

bool CPageReader::Read(std::string_view html, const std::atomic<bool>* cancel) {
    CHtmlTokenizerUtf8 tokenizer(html);
    tokenizer.SetLean(true);
    HtmlTokenUtf8 token;
    while (tokenizer.Next(&token)) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return false;
        switch (token.kind) {
            case HtmlTokenKind::startTag:
                StartTag(token);
                break;
            case HtmlTokenKind::endTag:
                EndTag(token.name);
                break;
            case HtmlTokenKind::characters:
                if (token.container.empty())
                    Text(tokenizer.Text());
                else if (token.container == "title" && !m_bTitleDone)
                    AppendLabelText(tokenizer.Text(), &m_facts.strTitle, kLabelLimit);
                break;
            default:
                break;
        }
    }
    while (!m_open.empty())
        Pop();
    for (int r : m_markedRegions)
        Finish(m_regions[static_cast<size_t>(r)]);
    auto trim = [](std::string* s) {
        if (!s->empty() && s->back() == ' ')
            s->pop_back();
    };
    trim(&m_facts.strTitle);
    trim(&m_facts.strH1);
    trim(&m_facts.strH2);
    m_facts.bRead = true;
    return true;
}

// Turns the items read into a candidate's: the spacer items of mdBook (no link, no text, only a
// list) give their children to the item before them; steps (rel=next/prev) are left out with
// their children lifted; a link to nowhere, "#" or no link is a heading when it has children
// and is left out otherwise. Kept only when two thirds of its items are links and it names three
// other pages of the book (a marked one two: another page's entry may take it as children).
void CPageReader::Finish(Region& region) {
    std::vector<RawItem>& items = region.items;
    if (items.empty())
        return;
    const int32_t n = static_cast<int32_t>(items.size());
    // Children lists, then spacers merged, top-down (a parent comes before its children).
    std::vector<std::vector<int32_t>> children(static_cast<size_t>(n) + 1);
    auto kids = [&](int32_t parent) -> std::vector<int32_t>& {
        return children[static_cast<size_t>(parent + 1)];
    };
    for (int32_t i = 0; i < n; ++i)
        kids(items[i].nParent).push_back(i);
    size_t counted = 0;
    size_t linked = 0;
    std::vector<int32_t> order{-1};  // parents whose children lists are final, in pre-order
    for (size_t o = 0; o < order.size(); ++o) {
        std::vector<int32_t>& list = kids(order[o]);
        std::vector<int32_t> kept;
        for (size_t k = 0; k < list.size(); ++k) {
            const RawItem& item = items[list[k]];
            if (item.link == RawItem::Link::none && item.strText.empty() &&
                !kids(list[k]).empty() && !kept.empty()) {
                std::vector<int32_t>& into = kids(kept.back());
                into.insert(into.end(), kids(list[k]).begin(), kids(list[k]).end());
                continue;
            }
            kept.push_back(list[k]);
            ++counted;
            linked += item.link != RawItem::Link::none ? 1 : 0;
        }
        list.swap(kept);
        for (int32_t k : list)
            order.push_back(k);
    }
    if (3 * linked < 2 * counted)
        return;

    // Items into entries, depth first, without recursion.
    ContentsCandidate candidate;
    candidate.bMarked = region.bMarked;
    candidate.strElement = region.strElement;
    std::unordered_set<int32_t> named;
    struct Frame {
        int32_t parentItem;  // in items
        int32_t parentOut;   // in candidate.items
        size_t next;         // the next child to look at
    };
    std::vector<Frame> stack{{-1, -1, 0}};
    while (!stack.empty()) {
        Frame& f = stack.back();
        const std::vector<int32_t>& list = kids(f.parentItem);
        if (f.next == list.size()) {
            stack.pop_back();
            continue;
        }
        const int32_t i = list[f.next++];
        RawItem& item = items[i];
        int32_t out = -1;
        if (item.link == RawItem::Link::page) {
            ContentsItem entry;
            entry.nParent = f.parentOut;
            entry.nFile = item.nFile;
            entry.strLabel = std::move(item.strLinkText);
            entry.strFragment = std::move(item.strFragment);
            out = static_cast<int32_t>(candidate.items.size());
            candidate.items.push_back(std::move(entry));
            if (static_cast<size_t>(item.nFile) != m_nFile &&
                m_book.Files()[static_cast<size_t>(item.nFile)].bInSequence)
                named.insert(item.nFile);
        } else if (item.link != RawItem::Link::step && !kids(i).empty()) {
            ContentsItem entry;
            entry.kind = ContentsItem::Kind::heading;
            entry.nParent = f.parentOut;
            entry.strLabel = item.link == RawItem::Link::none ? std::move(item.strText)
                                                              : std::move(item.strLinkText);
            out = static_cast<int32_t>(candidate.items.size());
            candidate.items.push_back(std::move(entry));
        }
        if (out >= 0) {
            std::string& label = candidate.items.back().strLabel;
            if (!label.empty() && label.back() == ' ')
                label.pop_back();
        }
        // A step's children, if any, take its place.
        stack.push_back({i, out >= 0 ? out : f.parentOut, 0});
    }
    // Headings left without any entry below them go (children come after their parents, so
    // one pass from the end sees every child before its parent).
    const size_t count = candidate.items.size();
    std::vector<uint8_t> keep(count, true);
    std::vector<uint8_t> hasChild(count, false);
    bool drop = false;
    for (size_t k = count; k-- > 0;) {
        const ContentsItem& e = candidate.items[k];
        keep[k] = e.kind != ContentsItem::Kind::heading || hasChild[k];
        drop = drop || !keep[k];
        if (keep[k] && e.nParent >= 0)
            hasChild[static_cast<size_t>(e.nParent)] = true;
    }
    if (drop) {
        std::vector<int32_t> renumber(count, -1);
        std::vector<ContentsItem> kept;
        for (size_t k = 0; k < count; ++k) {
            if (!keep[k])
                continue;
            ContentsItem& e = candidate.items[k];
            // A kept entry's parent is kept (it has a child), so it is renumbered already.
            e.nParent = e.nParent >= 0 ? renumber[static_cast<size_t>(e.nParent)] : -1;
            renumber[k] = static_cast<int32_t>(kept.size());
            kept.push_back(std::move(e));
        }
        candidate.items.swap(kept);
    }
    // The choice wants three other pages, the expansion of another page's entry two.
    if (named.size() >= (region.bMarked ? 2u : 3u))
        m_facts.candidates.push_back(std::move(candidate));
    region.items = std::vector<RawItem>();
}

}  // namespace

size_t ContentsPageFacts::Bytes() const {
    size_t bytes = sizeof(*this) + strTitle.size() + strH1.size() + strH2.size() +
                   4 * (links.size() + contentsLinks.size());
    for (const ContentsCandidate& c : candidates) {
        bytes += sizeof(c) + c.strElement.size();
        for (const ContentsItem& e : c.items)
            bytes += sizeof(e) + e.strLabel.size() + e.strFragment.size();
    }
    return bytes;
}

bool ReadContentsPage(const CBook& book, size_t nFile, std::string_view html,
                      const std::atomic<bool>* cancel, ContentsPageFacts* facts) {
    *facts = ContentsPageFacts();
    CPageReader reader(book, nFile, facts);
    if (!reader.Read(html, cancel)) {
        *facts = ContentsPageFacts();
        return false;
    }
    return true;
}
