// The folder scan and its merge into the page list.
//
// Names are matched ignoring case through a hash index keyed by the lower-cased name. Because
// AnsiEqualNoCase(a, b) holds exactly when AnsiLower(a) == AnsiLower(b), the index finds the same
// entry as a search of the list from the front would (it keeps the first entry of each key), and
// a scan stays linear in the number of files even for tens of thousands of them.
#include "project/Scan.h"

#include <set>
#include <unordered_map>
#include <utility>

#include "format/BookLayout.h"
#include "platform/ContainedName.h"
#include "platform/ErrorReport.h"
#include "platform/Text.h"

const char kNoHtmlFilesMessage[] = "No HTML files in this folder. Please try again.";

#ifdef _WIN32
const size_t kMaxOpenPathLength = 259;
#else
const size_t kMaxOpenPathLength = 4095;
#endif

namespace {

// What follows a folder's path (with its closing backslash) in the shortest path the scan or the
// build opens in it. On Windows the system's file search takes the folder's path and "*.*" within
// the same limit as a file's path (folders of more than 255 characters cannot be searched without
// the "\\?\" form); elsewhere a folder can be listed as long as a file of one letter in it could
// be opened.
#ifdef _WIN32
const char kShortestInFolder[] = "*.*";
#else
const char kShortestInFolder[] = "x";
#endif

class CScanner {
  public:
    CScanner(CBookProject& project, ScanReport* report, const FolderLister& lister)
        : m_project(project), m_report(report), m_lister(lister) {
        m_index.reserve(project.m_arrPages.size() * 2 + 64);
        for (const auto& page : project.m_arrPages)
            m_index.emplace(AnsiLower(page->m_strFile), Indexed{page.get(), false});
    }

    void Scan(const std::string& folder) {
        std::string path = folder;
        if (!EndsWithBackslash(path))
            path += '\\';
        // The whole folder is listed before anything in it is taken in: which of several names
        // that differ only in case is taken depends on all of them, and no search stays open
        // while the folders below are scanned.
        std::vector<FolderEntry> entries;
        if (!m_lister(path, [&](const FolderEntry& entry) { entries.push_back(entry); })) {
            // A folder that cannot be listed is reported: leaving it out would drop its pages
            // from the project without a word.
            if (m_report)
                m_report->unreadable.push_back(path);
            return;
        }
        std::vector<const FolderEntry*> taken;
        taken.reserve(entries.size());
        for (const FolderEntry& entry : entries) {
            if (Admits(path, entry))
                taken.push_back(&entry);
        }
        // Names equal ignoring case (possible on Linux): the one a path in lower case opens is
        // taken in, so that the entry, its flags and its length come from the file the build
        // will read; the others are reported, a folder with everything in it.
        std::vector<bool> twin(taken.size());
        if (taken.size() > 1) {
            std::unordered_map<std::string, size_t> chosen;
            chosen.reserve(taken.size());
            for (size_t i = 0; i < taken.size(); ++i) {
                const auto added = chosen.emplace(AnsiLower(taken[i]->strName), i);
                if (added.second)
                    continue;
                size_t& kept = added.first->second;
                if (OpensBeforeCaseTwin(taken[i]->strName, taken[kept]->strName)) {
                    twin[kept] = true;
                    kept = i;
                } else {
                    twin[i] = true;
                }
            }
        }
        for (size_t i = 0; i < taken.size(); ++i) {
            const FolderEntry& entry = *taken[i];
            if (twin[i]) {
                if (m_report)
                    m_report->caseTwins.push_back(Shown(path, entry));
                continue;
            }
            if (entry.bFolder)
                ScanFolderEntry(path, entry);
            else
                AddFile(path, entry.strName, entry.qwLength);
        }
    }

  private:
    // The name relative to the project folder as found on disk; a folder's ends with a backslash.
    std::string Shown(const std::string& path, const FolderEntry& entry) const {
        return ScanRelativeName(m_project.m_strProjectDir, path) + entry.strName +
               (entry.bFolder ? "\\" : "");
    }

    // False for an entry the scan does not take in: ".", "..", hidden items, and names that are
    // reported (no ANSI form, or none Windows can open as the file it names).
    bool Admits(const std::string& path, const FolderEntry& entry) {
        if (entry.strName == "." || entry.strName == "..")
            return false;
        if (entry.bHidden)
            return false;
        if (entry.bNoAnsiName) {
            if (m_report) {
                std::string real = Utf8FromAnsi(ScanRelativeName(m_project.m_strProjectDir, path)) +
                                   entry.strNativeName;
                if (entry.bFolder)
                    real += '\\';
                m_report->leftOut.push_back(Shown(path, entry));
                m_report->leftOutUtf8.push_back(real);
            }
            return false;
        }
        const std::string problem = NameComponentProblem(entry.strName);
        if (!problem.empty()) {
            if (m_report)
                m_report->badNames.push_back({Shown(path, entry), problem});
            return false;
        }
        return true;
    }

    void ScanFolderEntry(const std::string& path, const FolderEntry& entry) {
        // Links can lead to one folder along many paths (two links to the next level, level
        // after level, double the paths each time): each folder is read once.
        if (entry.bHasIdentity &&
            !m_folders.insert({entry.identity.qwVolume, entry.identity.qwIndex}).second)
            return;
        // A folder too deep for any file in it to be opened is left out as such a file is; the
        // scan goes on with the rest.
        if (OpenPathLength(path + entry.strName + "\\" + kShortestInFolder) > kMaxOpenPathLength) {
            if (m_report)
                m_report->tooLong.push_back(Shown(path, entry));
            return;
        }
        Scan(path + entry.strName);
    }

    void AddFile(const std::string& path, const std::string& name, uint64_t length) {
        // A page the build could not open, or that the viewer could not read, is reported now,
        // with its name, not when it is built.
        if (OpenPathLength(path + name) > kMaxOpenPathLength) {
            if (m_report)
                m_report->tooLong.push_back(ScanRelativeName(m_project.m_strProjectDir, path) +
                                            name);
            return;
        }
        if (length > kMaxFileLength) {
            if (m_report)
                m_report->tooLarge.push_back(
                    {ScanRelativeName(m_project.m_strProjectDir, path) + name, length});
            return;
        }
        std::string relative = ScanRelativeName(m_project.m_strProjectDir, AnsiLower(path + name));
        auto found = m_index.find(relative);
        if (found != m_index.end()) {
            if (found->second.met) {
                // A second file of this name apart from case.
                if (m_report)
                    m_report->caseTwins.push_back(
                        ScanRelativeName(m_project.m_strProjectDir, path) + name);
                return;
            }
            found->second.met = true;
            found->second.elem->m_bFound = 1;
            return;
        }
        auto elem = std::make_unique<CPieceElem>();
        elem->m_strFile = relative;
        const int32_t page = IsHtmlFileName(name) ? 1 : 0;
        elem->m_bInSequence = page;
        elem->m_bInSearch = page;
        elem->m_bFound = 1;
        m_index.emplace(std::move(relative), Indexed{elem.get(), true});
        m_project.AddPage(std::move(elem));
    }

    CBookProject& m_project;
    ScanReport* m_report;
    const FolderLister& m_lister;
    struct Indexed {
        CPieceElem* elem;  // the first entry of this lower-cased name
        bool met;          // a file of this name was met by this scan
    };
    std::unordered_map<std::string, Indexed> m_index;
    std::set<std::pair<uint64_t, uint64_t>> m_folders;  // folders met, by identity
};

}  // namespace

std::string ScanRelativeName(const std::string& projectDir, const std::string& lowerPath) {
    size_t skip = projectDir.size();
    if (!EndsWithBackslash(projectDir))
        ++skip;
    if (lowerPath.size() < skip)
        return std::string();
    return lowerPath.substr(skip);
}

bool IsHtmlFileName(const std::string& fileName) {
    const size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return false;
    const std::string ext = fileName.substr(dot + 1);
    return ext == "html" || ext == "htm";
}

void ScanFolder(CBookProject& project, const std::string& folder, ScanReport* report,
                const FolderLister& lister) {
    CScanner scanner(project, report, lister);
    scanner.Scan(folder);
}

namespace {

// The name with "?" for each control character, which a message cannot show.
std::string Printable(std::string name) {
    for (char& c : name) {
        if (static_cast<unsigned char>(c) < 0x20)
            c = '?';
    }
    return name;
}

void AppendNames(std::string& text, const std::string& reason,
                 const std::vector<std::string>& names) {
    if (names.empty())
        return;
    const size_t kShown = 20;
    if (!text.empty())
        text += "\n\n";
    text += reason;
    for (size_t i = 0; i < names.size() && i < kShown; ++i)
        text += "\n" + names[i];
    if (names.size() > kShown)
        text += "\n... and " + std::to_string(names.size() - kShown) + " more.";
}

}  // namespace

std::string ScanReportMessage(const ScanReport& report) {
    std::string text;
    AppendNames(text,
                "These files were left out because their names cannot be written in the ANSI "
                "code page. Rename them to include them:",
                report.leftOutUtf8);
    std::vector<std::string> badNames;
    for (const auto& name : report.badNames)
        badNames.push_back(Utf8FromAnsi(Printable(name.first)) + " (" + name.second + ")");
    AppendNames(text,
                "These files were left out because Windows cannot open a file of that name (a "
                "folder's name ends with a backslash; nothing in it was scanned). Rename them "
                "to include them:",
                badNames);
    std::vector<std::string> twins;
    for (const std::string& name : report.caseTwins)
        twins.push_back(Utf8FromAnsi(name));
    AppendNames(text,
                "These files were left out because another file in the same folder has the same "
                "name apart from upper and lower case (a folder's name ends with a backslash; "
                "nothing in it was scanned):",
                twins);
    std::vector<std::string> tooLong;
    for (const std::string& name : report.tooLong)
        tooLong.push_back(Utf8FromAnsi(name));
    AppendNames(text,
                "These files were left out because their full path is longer than the " +
                    std::to_string(kMaxOpenPathLength) +
                    " characters a file can be opened with (a folder's name ends with a "
                    "backslash: no file in it can be opened). Move the project folder higher up "
                    "or shorten the names to include them:",
                tooLong);
    std::vector<std::string> tooLarge;
    for (const auto& file : report.tooLarge)
        tooLarge.push_back(Utf8FromAnsi(file.first) + " (" + std::to_string(file.second) +
                           " bytes)");
    AppendNames(text,
                "These files were left out because they are longer than the " +
                    std::to_string(kMaxFileLength) +
                    " bytes (2 GiB less one) the viewer reads of a file:",
                tooLarge);
    return text;
}

int RescanProject(CBookProject& project, Ui& ui, const std::string& folder,
                  const std::function<void()>& refillList, const FolderLister& lister,
                  ScanReport* reportOut) {
    CWaitCursor wait(ui);

    const std::string previousDir = project.m_strProjectDir;
    const size_t previousCount = project.m_arrPages.size();
    project.m_strProjectDir = folder;
    for (const auto& page : project.m_arrPages)
        page->m_bFound = 0;

    ScanReport report;
    ScanFolder(project, folder, &report, lister);
    if (!report.unreadable.empty()) {
        // Files not met in a folder that could not be read are not gone: nothing is swept. The
        // scan saw only part of the tree, so what it added goes too and the project keeps its
        // folder: a failed scan leaves the project as it was.
        project.m_arrPages.erase(
            project.m_arrPages.begin() + static_cast<std::ptrdiff_t>(previousCount),
            project.m_arrPages.end());
        project.m_strProjectDir = previousDir;
        if (refillList)
            refillList();
        std::string shown = report.unreadable.front();
        if (shown.size() > 1 && !(shown.size() == 3 && shown[1] == ':'))
            shown.pop_back();  // the backslash the scan added
        ReportError(ui, "Cannot read folder " + shown, FolderListError(shown));
        return 0;
    }

    // The sweep: entries not met by the scan go, the others keep their order. Compacting in one
    // pass gives the same list as taking the entries out one by one.
    auto& pages = project.m_arrPages;
    size_t kept = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
        if (pages[i]->m_bFound != 0) {
            if (kept != i)
                pages[kept] = std::move(pages[i]);
            ++kept;
        }
    }
    pages.erase(pages.begin() + static_cast<std::ptrdiff_t>(kept), pages.end());

    const size_t htmlPages = project.GetHtmlPageCount();

    if (refillList)
        refillList();

    if (htmlPages == 0)
        ui.ShowMessage(kNoHtmlFilesMessage, MsgIcon::exclamation, MsgButtons::ok);
    if (!report.empty())
        ui.ShowMessageUtf8(ScanReportMessage(report), MsgIcon::exclamation, MsgButtons::ok);

    project.m_strLastProject = project.m_strProjectDir;
    if (reportOut)
        *reportOut = std::move(report);
    return 1;
}
