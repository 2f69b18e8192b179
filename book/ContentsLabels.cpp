// Labels that tell pages apart, and the layout of a finished tree.
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "book/Book.h"
#include "book/ContentsRule.h"
#include "platform/Text.h"

namespace {

void SplitName(const std::string& name, std::string* folder, std::string* base) {
    const size_t slash = name.find_last_of("/\\");
    *folder = slash == std::string::npos ? std::string() : Utf8FromAnsi(name.substr(0, slash));
    *base = Utf8FromAnsi(slash == std::string::npos ? name : name.substr(slash + 1));
}

// Numbers the later of equal labels among siblings ("Notes (2)") until none are equal.
void NumberEqualLabels(ContentsNodes* t, const std::vector<size_t>& siblings) {
    for (bool again = true; again;) {
        again = false;
        std::unordered_map<std::string, size_t> seen;
        for (size_t s : siblings) {
            std::string& label = t->nodes[s].strLabel;
            const size_t count = ++seen[label];
            if (count > 1) {
                label += " (" + std::to_string(count) + ")";
                again = true;
            }
        }
    }
}

void Disambiguate(const CBook& book, const std::vector<std::string>& h1, ContentsNodes* t,
                  const std::vector<size_t>& siblings) {
    if (siblings.size() < 2)
        return;
    std::unordered_map<std::string, size_t> groupOf;
    std::vector<std::vector<size_t>> groups;
    for (size_t s : siblings) {
        const auto it = groupOf.emplace(t->nodes[s].strLabel, groups.size()).first;
        if (it->second == groups.size())
            groups.emplace_back();
        groups[it->second].push_back(s);
    }
    bool any = false;
    for (const std::vector<size_t>& members : groups) {
        if (members.size() < 2)
            continue;
        any = true;
        // The qualifiers of each member: its page's h1, folder, file name, fragment.
        std::vector<std::vector<std::string>> values(members.size(), std::vector<std::string>(4));
        for (size_t m = 0; m < members.size(); ++m) {
            const ContentsNode& node = t->nodes[members[m]];
            if (node.nFile >= 0 && static_cast<size_t>(node.nFile) < book.Files().size()) {
                const size_t file = static_cast<size_t>(node.nFile);
                values[m][0] = file < h1.size() ? h1[file] : std::string();
                SplitName(book.Files()[file].strName, &values[m][1], &values[m][2]);
            }
            values[m][3] = node.strFragment;
        }
        int chosen = -1;
        for (int q = 0; q < 4 && chosen < 0; ++q) {
            std::unordered_map<std::string, size_t> distinct;
            bool apart = true;
            for (size_t m = 0; m < members.size() && apart; ++m)
                apart = !values[m][q].empty() && distinct.emplace(values[m][q], m).second;
            if (apart)
                chosen = q;
        }
        for (size_t m = 0; m < members.size(); ++m) {
            std::string qualifier;
            for (int q = 0; q < 4; ++q) {
                if ((chosen < 0 || q == chosen) && !values[m][q].empty())
                    qualifier += (qualifier.empty() ? "" : kLabelJoin) + values[m][q];
            }
            if (!qualifier.empty())
                t->nodes[members[m]].strLabel += kLabelJoin + qualifier;
        }
    }
    if (any)
        NumberEqualLabels(t, siblings);
}

}  // namespace

const char kLabelJoin[] = " \xE2\x80\x93 ";

std::string BaseName(const std::string& name) {
    const size_t slash = name.find_last_of("/\\");
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

size_t AddContentsNode(ContentsNodes* t, size_t parent, ContentsNode node) {
    const size_t index = t->nodes.size();
    t->nodes.push_back(std::move(node));
    if (parent == CContentsTree::npos)
        t->roots.push_back(index);
    else
        t->nodes[parent].children.push_back(index);
    return index;
}

void AddPagesUnderFolders(const CBook& book, std::vector<ContentsNode> pages, size_t parent,
                          ContentsNodes* t) {
    std::vector<std::string> folders;  // the folders of the page before
    std::vector<size_t> folderNodes;
    for (ContentsNode& page : pages) {
        const std::string& name = book.Files()[static_cast<size_t>(page.nFile)].strName;
        std::vector<std::string> parts;
        size_t start = 0;
        for (size_t i = 0; i <= name.size(); ++i) {
            if (i == name.size() || name[i] == '/' || name[i] == '\\') {
                if (i > start)
                    parts.push_back(name.substr(start, i - start));
                start = i + 1;
            }
        }
        if (parts.empty())
            continue;
        parts.pop_back();
        size_t same = 0;
        while (same < parts.size() && same < folders.size() && parts[same] == folders[same])
            ++same;
        folderNodes.resize(same);
        for (size_t d = same; d < parts.size(); ++d) {
            ContentsNode folder;
            folder.strLabel = Utf8FromAnsi(parts[d]);
            folderNodes.push_back(
                AddContentsNode(t, d == 0 ? parent : folderNodes[d - 1], std::move(folder)));
        }
        folders = std::move(parts);
        AddContentsNode(t, folderNodes.empty() ? parent : folderNodes.back(), std::move(page));
    }
}

void DisambiguateSiblings(const CBook& book, const std::vector<std::string>& h1, ContentsNodes* t) {
    Disambiguate(book, h1, t, t->roots);
    for (size_t k = 0; k < t->nodes.size(); ++k)
        Disambiguate(book, h1, t, t->nodes[k].children);
}

std::string CommonTitleSuffix(const std::vector<const std::string*>& titles) {
    if (titles.size() < 2)
        return std::string();
    static const char* const kSeparators[] = {
        "\xE2\x80\x94 ", "\xE2\x80\x93 ", "- ", "| ", ": ", ":: ", "\xC2\xB7 ", "\xC2\xBB ", "("};
    std::unordered_map<std::string, size_t> counts;
    std::unordered_map<std::string, size_t> mine;  // this title's suffixes
    for (const std::string* title : titles) {
        mine.clear();
        for (size_t i = title->find(' ', 1); i != std::string::npos; i = title->find(' ', i + 1)) {
            for (const char* sep : kSeparators) {
                const size_t n = std::strlen(sep);
                if (title->compare(i + 1, n, sep) != 0)
                    continue;
                if (sep[0] == '(' && title->back() != ')')
                    continue;
                if (mine.emplace(title->substr(i), 0).second)
                    ++counts[title->substr(i)];
                break;
            }
        }
    }
    std::string best;
    for (const auto& c : counts) {
        if (5 * c.second >= 4 * titles.size() &&
            (c.first.size() > best.size() || (c.first.size() == best.size() && c.first < best)))
            best = c.first;
    }
    return best;
}

void LayOutContents(const CBook& book, const ContentsNodes& t, const std::vector<long>& redirects,
                    CContentsTree* tree) {
    std::vector<ContentsEntry>& entries = tree->MutableEntries();
    entries.clear();
    entries.reserve(t.nodes.size());
    // Depth first without recursion: each frame is a list of siblings and the next to lay out.
    struct Frame {
        const std::vector<size_t>* list;
        size_t next;
    };
    std::vector<Frame> stack{{&t.roots, 0}};
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next == f.list->size()) {
            stack.pop_back();
            continue;
        }
        const ContentsNode& node = t.nodes[(*f.list)[f.next++]];
        ContentsEntry e;
        e.strLabel = node.strLabel;
        e.nFile = node.nFile;
        e.strFragment = node.strFragment;
        e.nDepth = static_cast<int>(stack.size() - 1);
        e.bUnreadable = node.bUnreadable;
        entries.push_back(std::move(e));
        if (!node.children.empty())
            stack.push_back({&node.children, 0});
    }
    tree->Finish(book, redirects);
}
