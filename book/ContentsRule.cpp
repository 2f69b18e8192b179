// The rule runs on positions in the page sequence. Candidates are first expanded as plans (which
// page, candidate and item each node comes from), which cost no copy of a label: every candidate
// of every page looked at is expanded to count the pages it names, and only the chosen one is
// turned into labelled nodes.
#include "book/ContentsRule.h"

#include <algorithm>
#include <unordered_set>

#include "book/Book.h"
#include "platform/Text.h"

namespace {

const size_t kMaxLookedAt = 100;  // pages the home page links to that are looked at
const int kMaxExpansion = 12;     // levels of expansion
const char kOtherPages[] = "Other pages";

struct PlanNode {
    int32_t page;    // position of the page holding the candidate
    uint32_t cand;   // the candidate in that page
    int32_t item;    // the item in the candidate
    int32_t parent;  // plan node, -1 at the top
    int generation;
    bool bHasChildren;
};

struct Plan {
    int32_t page = -1;
    uint32_t cand = 0;
    bool bCounts = false;  // names at least 3 other pages
    bool bNests = false;
    bool bNavigationBar = false;  // see Expand
    size_t named = 0;             // pages named, the home page included
    std::vector<PlanNode> nodes;
};

class CRule {
  public:
    CRule(const CBook& book, ContentsBookFacts& f) : m_book(book), m_f(f) {}
    void Run(CContentsTree* tree);

  private:
    // The position of a file's page after redirects, -1 when it is no page.
    int32_t Final(long file) const {
        if (file < 0 || static_cast<size_t>(file) >= m_position.size())
            return -1;
        const int32_t p = m_position[static_cast<size_t>(file)];
        return p < 0 ? -1 : m_final[static_cast<size_t>(p)];
    }
    const ContentsCandidate& Candidate(int32_t page, uint32_t cand) const {
        return m_f.facts[static_cast<size_t>(page)].candidates[cand];
    }
    const ContentsItem& ItemOf(const PlanNode& n) const {
        return Candidate(n.page, n.cand).items[static_cast<size_t>(n.item)];
    }
    void FindRedirects();
    void CountLinks();
    std::vector<int32_t> LookedAt() const;
    // A new mark for Marked/Mark: every page unmarked at once.
    void NewMarks(std::vector<uint32_t>* marks, uint32_t* stamp) const {
        if (++*stamp == 0) {
            std::fill(marks->begin(), marks->end(), 0);
            *stamp = 1;
        }
    }
    Plan Expand(int32_t page, uint32_t cand);
    bool Acceptable(const Plan& plan) const;
    void Build(const Plan& plan, ContentsNodes* t);
    void Tidy(ContentsNodes* t) const;
    void PlaceOthers(ContentsNodes* t);
    // Appends the pages at positions (book order) under parent (npos: the top), under their
    // folders.
    void AddUnderFolders(const std::vector<int32_t>& positions, size_t parent, ContentsNodes* t);

    const CBook& m_book;
    ContentsBookFacts& m_f;
    std::vector<int32_t> m_position;  // by file: its position in the sequence, -1
    std::vector<int32_t> m_final;     // by position: where its redirects end (itself)
    std::vector<uint8_t> m_redirect;  // by position
    size_t m_pageCount = 0;           // pages that are no redirects
    int32_t m_home = -1;
    std::vector<uint8_t> m_general;  // linked from at least half the pages
    std::vector<uint8_t> m_named;    // by position: has an entry
    std::vector<std::string> m_pageLabels;
    std::vector<uint32_t> m_inTree, m_seen;
    uint32_t m_inTreeStamp = 0, m_seenStamp = 0;
};

void CRule::FindRedirects() {
    const size_t n = m_f.pages.size();
    m_position.assign(m_book.Files().size(), -1);
    for (size_t p = 0; p < n; ++p) {
        const size_t file = static_cast<size_t>(m_f.pages[p]);
        if (file < m_position.size() && m_position[file] < 0)
            m_position[file] = static_cast<int32_t>(p);
    }
    m_final.resize(n);
    m_redirect.assign(n, false);
    for (size_t p = 0; p < n; ++p) {
        // Follows the chain; a chain that comes back on itself redirects nowhere.
        int32_t at = static_cast<int32_t>(p);
        for (size_t steps = 0; steps <= n; ++steps) {
            const long to = m_f.facts[static_cast<size_t>(at)].nRefresh;
            const int32_t next =
                to >= 0 && static_cast<size_t>(to) < m_position.size() ? m_position[to] : -1;
            if (next < 0)
                break;
            at = next;
            if (at == static_cast<int32_t>(p) || steps == n) {
                at = static_cast<int32_t>(p);
                break;
            }
        }
        m_final[p] = at;
        m_redirect[p] = at != static_cast<int32_t>(p);
    }
    for (size_t p = 0; p < n; ++p)
        m_pageCount += m_redirect[p] ? 0 : 1;
    m_inTree.assign(n, 0);
    m_seen.assign(n, 0);
}

void CRule::CountLinks() {
    const size_t n = m_f.pages.size();
    std::vector<uint32_t> linkedFrom(n, 0);
    for (size_t p = 0; p < n; ++p) {
        if (m_redirect[p])
            continue;
        NewMarks(&m_seen, &m_seenStamp);
        for (int32_t file : m_f.facts[p].links) {
            const int32_t t = Final(file);
            if (t >= 0 && t != static_cast<int32_t>(p) && m_seen[t] != m_seenStamp) {
                m_seen[t] = m_seenStamp;
                ++linkedFrom[t];
            }
        }
    }
    m_general.assign(n, false);
    for (size_t p = 0; p < n; ++p)
        m_general[p] = !m_redirect[p] && m_pageCount >= 4 && 2 * linkedFrom[p] >= m_pageCount;
}

std::vector<int32_t> CRule::LookedAt() const {
    std::vector<int32_t> looked{m_home};
    std::unordered_set<int32_t> seen{m_home};
    const ContentsPageFacts& home = m_f.facts[static_cast<size_t>(m_home)];
    for (int32_t file : home.contentsLinks) {
        const int32_t t = Final(file);
        if (t >= 0 && seen.insert(t).second)
            looked.push_back(t);
    }
    size_t others = 0;
    for (int32_t file : home.links) {
        if (others == kMaxLookedAt)
            break;
        const int32_t t = Final(file);
        if (t >= 0 && seen.insert(t).second) {
            looked.push_back(t);
            ++others;
        }
    }
    return looked;
}

Plan CRule::Expand(int32_t page, uint32_t cand) {
    Plan plan;
    plan.page = page;
    plan.cand = cand;
    const ContentsCandidate& c = Candidate(page, cand);
    NewMarks(&m_inTree, &m_inTreeStamp);
    auto mark = [this, &plan](int32_t p) {
        if (p < 0 || m_inTree[p] == m_inTreeStamp)
            return false;
        m_inTree[p] = m_inTreeStamp;
        ++plan.named;
        return true;
    };
    mark(m_home);
    size_t general = 0;  // pages most pages link to, among those named (the home page apart)
    size_t others = 0;
    NewMarks(&m_seen, &m_seenStamp);
    plan.nodes.reserve(c.items.size());
    for (size_t k = 0; k < c.items.size(); ++k) {
        const ContentsItem& item = c.items[k];
        // Items come parent first, so a parent's node is already made (its index is the
        // item's).
        plan.nodes.push_back({page, cand, static_cast<int32_t>(k), item.nParent, 0, false});
        if (item.nParent >= 0) {
            plan.nodes[static_cast<size_t>(item.nParent)].bHasChildren = true;
            plan.bNests = true;
        }
        const int32_t t = item.kind == ContentsItem::Kind::page ? Final(item.nFile) : -1;
        if (mark(t) && m_general[static_cast<size_t>(t)])
            ++general;
        if (t >= 0 && t != page && m_seen[t] != m_seenStamp) {
            m_seen[t] = m_seenStamp;
            ++others;
        }
    }
    plan.bCounts = others >= 3;
    // A navigation bar (overview, index, help): one level naming fewer than half the pages, at
    // least half of them pages that most pages link to. Expanded, it would take the bars of
    // the pages it names, and theirs, and grow into a tree that means nothing.
    plan.bNavigationBar =
        c.bMarked && !plan.bNests && 2 * plan.named < m_pageCount && 2 * general >= plan.named - 1;
    if (!c.bMarked || !plan.bCounts || plan.bNavigationBar)
        return plan;

    for (size_t q = 0; q < plan.nodes.size(); ++q) {
        const PlanNode node = plan.nodes[q];
        const ContentsItem& item = ItemOf(node);
        if (node.generation >= kMaxExpansion || node.bHasChildren ||
            item.kind != ContentsItem::Kind::page || !item.strFragment.empty())
            continue;
        const int32_t target = Final(item.nFile);
        if (target < 0)
            continue;
        const std::vector<ContentsCandidate>& there =
            m_f.facts[static_cast<size_t>(target)].candidates;
        // The candidate of the same kind naming the most new pages, at least two.
        int best = -1;
        size_t bestNew = 1;
        for (size_t d = 0; d < there.size(); ++d) {
            if (!there[d].bMarked || there[d].strElement != c.strElement)
                continue;
            NewMarks(&m_seen, &m_seenStamp);
            size_t fresh = 0;
            for (const ContentsItem& e : there[d].items) {
                const int32_t t = e.kind == ContentsItem::Kind::page ? Final(e.nFile) : -1;
                if (t >= 0 && m_inTree[t] != m_inTreeStamp && m_seen[t] != m_seenStamp) {
                    m_seen[t] = m_seenStamp;
                    ++fresh;
                }
            }
            if (fresh > bestNew) {
                best = static_cast<int>(d);
                bestNew = fresh;
            }
        }
        if (best < 0)
            continue;
        // The entries naming new pages, each under its nearest kept ancestor.
        const ContentsCandidate& graft = there[static_cast<size_t>(best)];
        std::vector<int32_t> nodeOf(graft.items.size(), -1);
        std::vector<int32_t> added;
        for (size_t k = 0; k < graft.items.size(); ++k) {
            const ContentsItem& e = graft.items[k];
            const int32_t t = e.kind == ContentsItem::Kind::page ? Final(e.nFile) : -1;
            if (t < 0 || m_inTree[t] == m_inTreeStamp)
                continue;
            int32_t parent = static_cast<int32_t>(q);
            for (int32_t a = e.nParent; a >= 0; a = graft.items[static_cast<size_t>(a)].nParent) {
                if (nodeOf[static_cast<size_t>(a)] >= 0) {
                    parent = nodeOf[static_cast<size_t>(a)];
                    break;
                }
            }
            nodeOf[k] = static_cast<int32_t>(plan.nodes.size());
            plan.nodes[static_cast<size_t>(parent)].bHasChildren = true;
            plan.nodes.push_back({target, static_cast<uint32_t>(best), static_cast<int32_t>(k),
                                  parent, node.generation + 1, false});
            added.push_back(t);
        }
        for (int32_t t : added)
            mark(t);
    }
    return plan;
}

bool CRule::Acceptable(const Plan& plan) const {
    if (!plan.bCounts || plan.bNavigationBar)
        return false;
    if (Candidate(plan.page, plan.cand).bMarked)
        return true;
    return plan.bNests && 2 * plan.named >= m_pageCount;
}

void CRule::Build(const Plan& plan, ContentsNodes* t) {
    for (const PlanNode& n : plan.nodes) {
        const ContentsItem& item = ItemOf(n);
        ContentsNode node;
        node.strLabel = item.strLabel;
        if (item.kind == ContentsItem::Kind::page) {
            const int32_t p = Final(item.nFile);
            node.nFile = p >= 0 ? m_f.pages[static_cast<size_t>(p)] : item.nFile;
            node.strFragment = item.strFragment;
            if (p >= 0) {
                m_named[static_cast<size_t>(p)] = true;
                if (node.strLabel.empty())
                    node.strLabel = m_pageLabels[static_cast<size_t>(p)];
                node.bUnreadable = m_f.unreadable[static_cast<size_t>(p)];
            }
        }
        // Plan nodes come parent first, so the node index of a plan node is its own.
        AddContentsNode(t, n.parent < 0 ? CContentsTree::npos : static_cast<size_t>(n.parent),
                        std::move(node));
    }
}

void CRule::Tidy(ContentsNodes* t) const {
    for (ContentsNode& node : t->nodes) {
        while (node.nFile < 0 && !node.children.empty()) {
            ContentsNode& first = t->nodes[node.children.front()];
            if (first.strLabel != node.strLabel)
                break;
            node.nFile = first.nFile;
            node.strFragment = first.strFragment;
            node.bUnreadable = first.bUnreadable;
            std::vector<size_t> children = first.children;
            first.children.clear();
            children.insert(children.end(), node.children.begin() + 1, node.children.end());
            node.children.swap(children);
        }
    }
}

void CRule::AddUnderFolders(const std::vector<int32_t>& positions, size_t parent,
                            ContentsNodes* t) {
    std::vector<ContentsNode> pages;
    for (int32_t p : positions) {
        ContentsNode node;
        node.strLabel = m_pageLabels[static_cast<size_t>(p)];
        node.nFile = m_f.pages[static_cast<size_t>(p)];
        node.bUnreadable = m_f.unreadable[static_cast<size_t>(p)];
        pages.push_back(std::move(node));
        m_named[static_cast<size_t>(p)] = true;
    }
    AddPagesUnderFolders(m_book, std::move(pages), parent, t);
}

void CRule::PlaceOthers(ContentsNodes* t) {
    const size_t n = m_f.pages.size();
    if (!m_named[static_cast<size_t>(m_home)]) {
        ContentsNode home;
        home.strLabel = m_pageLabels[static_cast<size_t>(m_home)];
        home.nFile = m_f.pages[static_cast<size_t>(m_home)];
        home.bUnreadable = m_f.unreadable[static_cast<size_t>(m_home)];
        t->nodes.push_back(std::move(home));
        t->roots.insert(t->roots.begin(), t->nodes.size() - 1);
        m_named[static_cast<size_t>(m_home)] = true;
    }
    for (size_t p = 0; p < n; ++p) {
        if (m_general[p] && !m_named[p]) {
            ContentsNode node;
            node.strLabel = m_pageLabels[p];
            node.nFile = m_f.pages[p];
            node.bUnreadable = m_f.unreadable[p];
            AddContentsNode(t, CContentsTree::npos, std::move(node));
            m_named[p] = true;
        }
    }
    // Breadth first: every node adopts the unnamed pages its page links to. A page that most
    // pages link to (the home page, an index) would adopt everything: such pages adopt only in a
    // second pass, what is left then.
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<size_t> queue(t->roots.begin(), t->roots.end());
        for (size_t q = 0; q < queue.size(); ++q) {
            const size_t at = queue[q];
            const int32_t p = Final(t->nodes[at].nFile);
            if (p >= 0 && (pass == 1 || !m_general[static_cast<size_t>(p)])) {
                for (int32_t file : m_f.facts[static_cast<size_t>(p)].links) {
                    const int32_t x = Final(file);
                    if (x < 0 || m_named[static_cast<size_t>(x)])
                        continue;
                    ContentsNode node;
                    node.strLabel = m_pageLabels[static_cast<size_t>(x)];
                    node.nFile = m_f.pages[static_cast<size_t>(x)];
                    node.bUnreadable = m_f.unreadable[static_cast<size_t>(x)];
                    m_named[static_cast<size_t>(x)] = true;
                    AddContentsNode(t, at, std::move(node));
                }
            }
            for (size_t child : t->nodes[at].children)
                queue.push_back(child);
        }
    }
    std::vector<int32_t> rest;
    for (size_t p = 0; p < n; ++p) {
        if (!m_redirect[p] && !m_named[p])
            rest.push_back(static_cast<int32_t>(p));
    }
    if (rest.empty())
        return;
    ContentsNode other;
    other.strLabel = kOtherPages;
    AddUnderFolders(rest, AddContentsNode(t, CContentsTree::npos, std::move(other)), t);
}

void CRule::Run(CContentsTree* tree) {
    const size_t n = m_f.pages.size();
    std::vector<long> redirects(m_book.Files().size(), -1);
    ContentsNodes t;
    ContentsSource source;
    if (n > 0) {
        FindRedirects();
        CountLinks();
        m_home = m_final[0];
        m_named.assign(n, false);
        // Page labels: the title without the suffix most titles share, else a heading, else the
        // file name.
        std::vector<const std::string*> titles;
        for (size_t p = 0; p < n; ++p) {
            if (!m_redirect[p] && !m_f.facts[p].strTitle.empty())
                titles.push_back(&m_f.facts[p].strTitle);
        }
        const std::string suffix = CommonTitleSuffix(titles);
        m_pageLabels.resize(n);
        for (size_t p = 0; p < n; ++p) {
            const ContentsPageFacts& f = m_f.facts[p];
            const std::string name = Utf8FromAnsi(BaseName(m_book.Files()[m_f.pages[p]].strName));
            std::string label = f.strTitle;
            if (!suffix.empty() && label.size() > suffix.size() &&
                label.compare(label.size() - suffix.size(), suffix.size(), suffix) == 0)
                label.erase(label.size() - suffix.size());
            if (label.empty())
                label = !f.strH1.empty() ? f.strH1 : !f.strH2.empty() ? f.strH2 : name;
            if (m_f.unreadable[p])
                label = name + " (cannot be read)";
            m_pageLabels[p] = label;
        }

        Plan best, bestHome;
        for (int32_t page : LookedAt()) {
            const size_t count = m_f.facts[static_cast<size_t>(page)].candidates.size();
            for (uint32_t c = 0; c < count; ++c) {
                Plan plan = Expand(page, c);
                if (!Acceptable(plan))
                    continue;
                if (page == m_home && plan.named > bestHome.named)
                    bestHome = plan;
                if (plan.named > best.named)
                    best = std::move(plan);
            }
        }
        if (bestHome.page >= 0 && 10 * bestHome.named >= 9 * best.named)
            best = std::move(bestHome);
        if (best.page >= 0) {
            const ContentsCandidate& c = Candidate(best.page, best.cand);
            source.kind = c.bMarked ? ContentsSource::Kind::marked : ContentsSource::Kind::unmarked;
            source.nPage = m_f.pages[static_cast<size_t>(best.page)];
            source.strElement = c.strElement;
            Build(best, &t);
            Tidy(&t);
            PlaceOthers(&t);
        } else {
            std::vector<int32_t> all;
            for (size_t p = 0; p < n; ++p) {
                if (!m_redirect[p])
                    all.push_back(static_cast<int32_t>(p));
            }
            AddUnderFolders(all, CContentsTree::npos, &t);
        }
        for (size_t p = 0; p < n; ++p) {
            if (m_redirect[p])
                redirects[static_cast<size_t>(m_f.pages[p])] = m_f.pages[m_final[p]];
        }
    }
    std::vector<std::string> h1(m_book.Files().size());
    for (size_t p = 0; p < n; ++p)
        h1[static_cast<size_t>(m_f.pages[p])] = m_f.facts[p].strH1;
    DisambiguateSiblings(m_book, h1, &t);
    tree->SetSource(source);
    LayOutContents(m_book, t, redirects, tree);
}

}  // namespace

void ApplyContentsRule(const CBook& book, ContentsBookFacts& facts, CContentsTree* tree) {
    CRule(book, facts).Run(tree);
}
