// The folder scan: turns a folder tree into the book project's page list, or merges the tree's
// current files into an existing list.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Folder.h"
#include "platform/Ui.h"
#include "project/BookProject.h"

// Lists one folder; the same contract as EnumerateFolder (platform/Folder.h). Tests pass a
// scripted tree here, for instance one rooted at a drive such as "C:\".
using FolderLister = std::function<bool(const std::string& folderPath, const FolderCallback&)>;

// What a scan could not take in.
struct ScanReport {
    // Files and folders whose names have no ANSI form (see platform/Folder.h), as paths relative
    // to the project folder with "?" for the characters that could not be written; a folder's
    // path ends with a backslash (nothing below it was scanned). In the order they were met.
    std::vector<std::string> leftOut;
    // The same names in UTF-8 as the system gave them, for showing to people.
    std::vector<std::string> leftOutUtf8;
    // Files and folders whose names Windows cannot open as the file they name
    // (NameComponentProblem, platform/ContainedName.h: "con.htm", "Help:Contents.html", a name
    // ending in a dot, ...): relative names as found on disk (a folder's ends with a backslash;
    // nothing below it was scanned) and the reason, in the order met.
    std::vector<std::pair<std::string, std::string>> badNames;
    // Files and folders left out because another of the same folder has the same name apart from
    // case (possible on Linux only: "A.htm" beside "a.htm", "Img" beside "img"); the project can
    // hold only one of them. The one taken in is the one that opening the lower-cased name opens
    // (OpensBeforeCaseTwin, platform/Folder.h), so an entry's bytes always come from the file it
    // was made from. Also a file whose relative name an entry met earlier in the same scan
    // already has apart from case. Relative names as found on disk (a folder's ends with a
    // backslash), in the order met.
    std::vector<std::string> caseTwins;
    // Files left out because their full path is longer than the build can open
    // (kMaxOpenPathLength), and folders left out because no file in them could be opened or the
    // folder could not be searched for that reason (their names end with a backslash); relative
    // names, in the order met. The scan goes on with the rest.
    std::vector<std::string> tooLong;
    // Files left out because they are longer than the viewer reads (kMaxFileLength): relative
    // names and lengths, in the order met.
    std::vector<std::pair<std::string, uint64_t>> tooLarge;
    // Folders that could not be listed (full paths ending in a backslash), in the order met.
    std::vector<std::string> unreadable;

    bool empty() const {
        return leftOut.empty() && badNames.empty() && caseTwins.empty() && tooLong.empty() &&
               tooLarge.empty();
    }
};

// The longest full path, as OpenPathLength (platform/Text.h) counts it, that the build can open:
// the ANSI file functions of Windows take MAX_PATH UTF-16 units with the terminating NUL, however
// many bytes the code page gives the characters; Linux takes PATH_MAX bytes of UTF-8 with it.
extern const size_t kMaxOpenPathLength;

// Scans folder and every folder below it, depth first, in the order the lister gives:
// - "." and ".." and every hidden item are skipped; the tree below a hidden folder is not read;
// - a folder that cannot be listed adds nothing and is listed in report->unreadable; one too
//   deep for any file in it to be opened is not listed at all and goes to report->tooLong;
// - a folder met again under another path (links; compared by identity where the lister gives
//   one) is not read again;
// - each file's relative name is its full path (folder, a backslash, the name) lower-cased,
//   without m_strProjectDir and the backslash after it (a project folder ending with a backslash,
//   the root of a drive, supplies that backslash itself);
// - an entry whose m_strFile equals the relative name ignoring case (the first such entry) gets
//   m_bFound = 1 and keeps everything else; otherwise a new entry is appended with m_bFound = 1,
//   m_bInProject = 1 and m_bInSequence = m_bInSearch = 1 exactly when the name's extension (text
//   after its last ".", unless that "." begins the name) is "html" or "htm", compared with case.
// Names without an ANSI form, names Windows cannot open, case twins, files whose full path is
// longer than kMaxOpenPathLength (and folders too deep for any file in them), and files longer
// than the viewer reads (kMaxFileLength) are listed in *report (when given) and not added.
// Linear in the number of files: the name lookup goes through a hash index. Throws only
// std::bad_alloc.
void ScanFolder(CBookProject& project, const std::string& folder, ScanReport* report = nullptr,
                const FolderLister& lister = EnumerateFolder);

// The relative name of a file whose full, lower-cased path is lowerPath, for a project folder
// projectDir (see ScanFolder). A path that is shorter than the folder part gives "".
std::string ScanRelativeName(const std::string& projectDir, const std::string& lowerPath);

// True when the file name's extension is exactly "html" or "htm".
bool IsHtmlFileName(const std::string& fileName);

// The message shown when a scan finds no HTML file.
extern const char kNoHtmlFilesMessage[];

// Re-scans the project from folder, under the wait cursor:
//  1. m_strProjectDir = folder; every m_bFound cleared; ScanFolder(folder); when a folder could
//     not be listed, the project is put back as it was (the entries the scan added go,
//     m_strProjectDir is restored; nothing is swept, since the files of that folder were not
//     seen), refillList() is called, "Cannot read folder " + its path and the cause are shown
//     (stop icon) and 0 is returned;
//  2. every entry still not found is deleted, the others keep their order;
//  3. refillList() is called (the Content page refills its list from m_arrPages; may be empty);
//  4. without any entry in the page sequence, the message kNoHtmlFilesMessage is shown (OK,
//     exclamation icon); nothing is undone;
//  5. when files were left out (see ScanReport), one message lists them with their real names
//     (ShowMessageUtf8, OK, exclamation icon);
//  6. m_strLastProject = m_strProjectDir.
// Returns 1 otherwise, with the report in *reportOut when given. The lister is a seam for tests.
int RescanProject(CBookProject& project, Ui& ui, const std::string& folder,
                  const std::function<void()>& refillList,
                  const FolderLister& lister = EnumerateFolder, ScanReport* reportOut = nullptr);

// The text of the message of step 5 in UTF-8 ("" when nothing was left out); at most 20 names
// are listed for each reason.
std::string ScanReportMessage(const ScanReport& report);
