// The folder scan and its merge into the page list.
//
// Names are matched ignoring case through a hash index keyed by the lower-cased name. Because
// AnsiEqualNoCase(a, b) holds exactly when AnsiLower(a) == AnsiLower(b), the index finds the same
// entry as a search of the list from the front would (it keeps the first entry of each key), and
// a scan stays linear in the number of files even for tens of thousands of them.
#include "project/Scan.h"

#include <unordered_map>

#include "platform/Text.h"

const char kNoHtmlFilesMessage[] = "No HTML files in this folder. Please try again.";

namespace {

class CScanner {
  public:
    CScanner(CBookProject& project, ScanReport* report, const FolderLister& lister)
        : m_project(project), m_report(report), m_lister(lister) {
        m_index.reserve(project.m_arrPages.size() * 2 + 64);
        for (const auto& page : project.m_arrPages)
            m_index.emplace(AnsiLower(page->m_strFile), page.get());
    }

    void Scan(const std::string& folder) {
        std::string path = folder;
        if (path.empty() || path.back() != '\\')
            path += '\\';
        // A folder that cannot be listed simply adds nothing.
        m_lister(path, [&](const FolderEntry& entry) { OnEntry(path, entry); });
    }

  private:
    void OnEntry(const std::string& path, const FolderEntry& entry) {
        if (entry.strName == "." || entry.strName == "..")
            return;
        if (entry.bHidden)
            return;
        if (entry.bNoAnsiName) {
            if (m_report) {
                std::string shown =
                    ScanRelativeName(m_project.m_strProjectDir, path) + entry.strName;
                if (entry.bFolder)
                    shown += '\\';
                m_report->leftOut.push_back(shown);
            }
            return;
        }
        if (entry.bFolder) {
            Scan(path + entry.strName);
            return;
        }
        AddFile(path, entry.strName);
    }

    void AddFile(const std::string& path, const std::string& name) {
        std::string relative = ScanRelativeName(m_project.m_strProjectDir, AnsiLower(path + name));
        auto found = m_index.find(relative);
        if (found != m_index.end()) {
            found->second->m_bFound = 1;
            return;
        }
        auto elem = std::make_unique<CPieceElem>();
        elem->m_strFile = relative;
        const int32_t page = IsHtmlFileName(name) ? 1 : 0;
        elem->m_bInSequence = page;
        elem->m_bInSearch = page;
        elem->m_bFound = 1;
        m_index.emplace(std::move(relative), elem.get());
        m_project.AddPage(std::move(elem));
    }

    CBookProject& m_project;
    ScanReport* m_report;
    const FolderLister& m_lister;
    std::unordered_map<std::string, CPieceElem*> m_index;
};

}  // namespace

std::string ScanRelativeName(const std::string& projectDir, const std::string& lowerPath) {
    size_t skip = projectDir.size();
    if (projectDir.empty() || projectDir.back() != '\\')
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

std::string LeftOutNamesMessage(const std::vector<std::string>& leftOut) {
    const size_t kShown = 20;
    std::string text =
        "These files were left out because their names cannot be written in the "
        "ANSI code page. Rename them to include them:";
    for (size_t i = 0; i < leftOut.size() && i < kShown; ++i)
        text += "\n" + leftOut[i];
    if (leftOut.size() > kShown)
        text += "\n... and " + std::to_string(leftOut.size() - kShown) + " more.";
    return text;
}

int RescanProject(CBookProject& project, Ui& ui, const std::string& folder,
                  const std::function<void()>& refillList, const FolderLister& lister) {
    CWaitCursor wait(ui);

    project.m_strProjectDir = folder;
    for (const auto& page : project.m_arrPages)
        page->m_bFound = 0;

    ScanReport report;
    ScanFolder(project, folder, &report, lister);

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
    if (!report.leftOut.empty())
        ui.ShowMessage(LeftOutNamesMessage(report.leftOut), MsgIcon::exclamation, MsgButtons::ok);

    project.m_strLastProject = project.m_strProjectDir;
    return 1;
}
