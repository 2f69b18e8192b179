// pagevane-cli check: reads every page and style sheet of a book once, resolves each reference
// as the viewer would, then walks the links from the home page to find the pages nothing reaches.
#include "cli/CliCheck.h"

#include <filesystem>
#include <memory>
#include <unordered_map>

#include "cli/Cli.h"
#include "cli/ConsoleUi.h"
#include "compiler/BuildEBook.h"
#include "html/HtmlLinks.h"
#include "html/HtmlText.h"
#include "platform/ErrorReport.h"
#include "platform/Exceptions.h"
#include "platform/File.h"
#include "platform/Text.h"
#include "project/ProjectFile.h"
#include "project/Scan.h"
#include "book/Book.h"
#include "book/FoldName.h"
#include "book/BookUrl.h"

namespace {

bool IsPageName(const std::string& name) {
    const std::string mime = MimeTypeFromName(name);
    return mime == "text/html" || mime == "application/xhtml+xml";
}

bool IsStyleSheetName(const std::string& name) {
    return std::string(MimeTypeFromName(name)) == "text/css";
}

// Addresses come from the pages: their control characters are written out, never sent on.
std::string Quoted(const std::string& utf8) {
    return "\"" + EscapeUtf8Controls(utf8) + "\"";
}

}  // namespace

CheckResult CheckLinks(const CheckInput& input, std::ostream& out) {
    CheckResult result;
    result.nFiles = input.files.size();
    for (const std::string& line : input.unholdable) {
        PrintUtf8Line(out, line);
        ++result.nUnholdable;
    }

    std::unordered_map<std::string, size_t> index;
    for (size_t i = 0; i < input.files.size(); ++i)
        index.emplace(FoldName(input.files[i].strName), i);  // the first of equal names wins
    auto find = [&](const std::string& name) -> long {
        auto it = index.find(FoldName(name));
        std::string ansi;
        if (it == index.end() && AnsiFromUtf8(name, &ansi) && ansi != name)
            it = index.find(FoldName(ansi));
        return it == index.end() ? -1 : static_cast<long>(it->second);
    };

    std::vector<std::vector<size_t>> links(input.files.size());
    for (size_t i = 0; i < input.files.size(); ++i) {
        const CheckFile& file = input.files[i];
        const bool page = IsPageName(file.strName);
        if (!page && !IsStyleSheetName(file.strName))
            continue;
        std::vector<uint8_t> bytes;
        std::string error;
        if (!input.read(i, &bytes, &error)) {
            out << ConsoleText(file.strShown + ": cannot be read: " + error) << '\n';
            ++result.nUnreadable;
            continue;
        }
        PageReferences refs;
        if (page) {
            ++result.nPages;
            refs = FindPageReferences(DecodePage(bytes));
        } else {
            FindStyleReferences(DecodeUtf8Lenient(bytes.data(), bytes.size()), 1, "url()",
                                &refs.refs);
        }
        // References are resolved from the page's name in UTF-8, the form they are in.
        const std::string pageName = Utf8FromAnsi(file.strName);
        for (const HtmlReference& ref : refs.refs) {
            const LinkTarget target =
                ResolveLink(pageName, refs.bHasBase ? &refs.strBase : nullptr, ref.strUrl);
            if (target.kind == LinkKind::outside || target.kind == LinkKind::notAFile)
                continue;
            ++result.nReferences;
            auto where = [&] {
                return ConsoleText(file.strShown) + ":" + std::to_string(ref.nLine) + ": " +
                       ref.strWhere + " " + Quoted(ref.strUrl);
            };
            if (target.kind == LinkKind::blocked) {
                out << where()
                    << " names a file of the reader's own disk, which the viewer never "
                       "opens\n";
                ++result.nBroken;
                continue;
            }
            if (NameNamesNoFile(target.name)) {
                out << where()
                    << ": an encoded slash or backslash (%2F, %5C) separates no folders, and no "
                       "file of a book has one in its name\n";
                ++result.nBroken;
                continue;
            }
            const long found = find(target.name);
            if (found < 0) {
                // The name as the book would hold it, when it has an ANSI form.
                std::string ansi;
                const std::string shown = AnsiFromUtf8(target.name, &ansi)
                                              ? ConsoleText(ansi)
                                              : EscapeUtf8Controls(target.name);
                out << where() << ": the book holds no file " << Quoted(shown) << '\n';
                ++result.nBroken;
                continue;
            }
            links[i].push_back(static_cast<size_t>(found));
        }
    }

    if (input.strHome.empty())
        return result;
    const long home = find(input.strHome);
    if (home < 0)
        return result;
    std::vector<bool> reached(input.files.size(), false);
    std::vector<size_t> queue = {static_cast<size_t>(home)};
    reached[static_cast<size_t>(home)] = true;
    while (!queue.empty()) {
        const size_t at = queue.back();
        queue.pop_back();
        for (size_t to : links[at]) {
            if (!reached[to]) {
                reached[to] = true;
                queue.push_back(to);
            }
        }
    }
    for (size_t i = 0; i < input.files.size(); ++i) {
        if (!reached[i] && IsPageName(input.files[i].strName)) {
            out << ConsoleText(input.files[i].strShown)
                << ": no link from the home page reaches this page\n";
            ++result.nUnreached;
        }
    }
    return result;
}

CheckInput CheckInputFromProject(const CBookProject& project) {
    CheckInput input;
    std::vector<std::string> paths;
    std::string shownFolder = project.m_strProjectDir;
    for (char& c : shownFolder) {
        if (c == '\\')
            c = '/';
    }
    if (!shownFolder.empty() && shownFolder.back() != '/')
        shownFolder += '/';
    for (const auto& page : project.m_arrPages) {
        if (!page->m_bInProject)
            continue;
        CheckFile file;
        file.strName = page->m_strFile;
        for (char& c : file.strName) {
            if (c == '\\')
                c = '/';
        }
        file.strShown = shownFolder + file.strName;
        if (input.strHome.empty() && page->m_bInSequence)
            input.strHome = file.strName;
        input.files.push_back(std::move(file));
        // The path the build reads the file from.
        paths.push_back(project.m_strProjectDir + "\\" + page->m_strFile);
    }
    // A splash picture larger than the viewer shows is refused by the build: named here too. One
    // that cannot be read is the build's to report.
    if (!project.m_strSplashFile.empty()) {
        try {
            const std::string problem = SplashFileProblem(project.m_strSplashFile);
            if (!problem.empty())
                input.unholdable.push_back(problem);
        } catch (const CException&) {
        }
    }
    if (project.m_arrPages.size() > kMaxPageEntries)
        input.unholdable.push_back(Utf8FromAnsi(project.m_strProjectDir + ": " +
                                                TooManyPagesMessage(project.m_arrPages.size())));
    input.read = [paths](size_t i, std::vector<uint8_t>* bytes, std::string* error) {
        try {
            CFile file;
            file.Open(paths[i], CFile::modeRead | CFile::shareDenyWrite);
            const uint64_t length = file.GetLength();
            if (length > kMaxFileLength) {
                *error = TooLargeFileMessage(paths[i], length);
                return false;
            }
            bytes->resize(static_cast<size_t>(length));
            if (length)
                file.ReadExact(bytes->data(), static_cast<uint32_t>(length));
            file.Close();
            return true;
        } catch (const CException& e) {
            *error = e.GetErrorMessage();
            return false;
        }
    };
    return input;
}

std::string CheckSummary(const CheckResult& r) {
    std::string text = "check: " + std::to_string(r.nFiles) + " files, " +
                       std::to_string(r.nPages) + " pages, " + std::to_string(r.nReferences) +
                       " references: ";
    std::vector<std::string> parts;
    if (r.nBroken)
        parts.push_back(std::to_string(r.nBroken) + " broken");
    if (r.nUnreached)
        parts.push_back(std::to_string(r.nUnreached) + " pages not reached from the home page");
    if (r.nUnholdable)
        parts.push_back(std::to_string(r.nUnholdable) + " names the e-book cannot hold");
    if (r.nUnreadable)
        parts.push_back(std::to_string(r.nUnreadable) + " files not readable");
    if (parts.empty())
        return text + "nothing to report";
    for (size_t i = 0; i < parts.size(); ++i)
        text += (i ? ", " : "") + parts[i];
    return text;
}

int RunCheck(const std::string& source, CConsoleUi& ui, std::ostream& out) {
    std::error_code ec;
    const std::filesystem::path fsPath(NativePath(source));
    CBookProject project;
    std::unique_ptr<CBook> book;
    CheckInput input;
    if (std::filesystem::is_directory(fsPath, ec)) {
        // The scan of build, with what it leaves out reported as findings.
        ScanReport report;
        project.m_strProjectDir = TrimmedFolder(source);
        // The book build FOLDER makes: what the scan leaves out is named here, and references to
        // it are broken, as they are in that book.
        ScanFolder(project, project.m_strProjectDir, &report);
        ChooseFolderHome(project, ui);
        input = CheckInputFromProject(project);
        const std::string folder = project.m_strProjectDir + "/";
        auto slashes = [](std::string name) {
            for (char& c : name) {
                if (c == '\\')
                    c = '/';
            }
            return name;
        };
        for (const auto& name : report.badNames)
            input.unholdable.push_back(Utf8FromAnsi(folder + slashes(name.first)) +
                                       ": Windows cannot open a file of this name (" + name.second +
                                       ")");
        for (const std::string& name : report.tooLong)
            input.unholdable.push_back(
                Utf8FromAnsi(folder + slashes(name)) + ": left out, the path is longer than the " +
                std::to_string(kMaxOpenPathLength) + " characters a file can be opened with");
        for (const auto& file : report.tooLarge)
            input.unholdable.push_back(
                Utf8FromAnsi(folder + slashes(file.first)) + ": left out, it holds " +
                std::to_string(file.second) + " bytes; the viewer reads at most " +
                std::to_string(kMaxFileLength) + " bytes (2 GiB less one) of a file");
        // The names as they are on disk: "?" for the characters the code page cannot write
        // would not tell the author which file it is.
        for (const std::string& name : report.leftOutUtf8)
            input.unholdable.push_back(Utf8FromAnsi(folder) + slashes(name) +
                                       ": the e-book cannot hold this name (characters outside "
                                       "the Windows-1252 code page)");
        for (const std::string& name : report.caseTwins)
            input.unholdable.push_back(Utf8FromAnsi(folder + slashes(name)) +
                                       ": the e-book cannot hold this name beside another that "
                                       "differs from it only in case");
    } else if (source.size() >= 4 && AnsiEqualNoCase(source.substr(source.size() - 4), ".ebp")) {
        project.m_strProjectFile = source;
        if (!LoadProject(project, ui))
            return kExitFailure;
        input = CheckInputFromProject(project);
    } else {
        book.reset(new CBook);
        if (!book->Open(source)) {
            ui.ShowMessage("Cannot check " + source + "\n" + book->GetErrorText(), MsgIcon::stop,
                           MsgButtons::ok);
            return kExitFailure;
        }
        for (const BookFile& f : book->Files())
            input.files.push_back(CheckFile{f.strName, f.strName});
        if (!book->Sequence().empty())
            input.strHome = book->Files()[book->Sequence()[0]].strName;
        CBook* b = book.get();
        input.read = [b](size_t i, std::vector<uint8_t>* bytes, std::string* error) {
            return b->ReadFile(b->Files()[i], bytes, error);
        };
    }
    const CheckResult result = CheckLinks(input, out);
    out.flush();
    ui.Inform(CheckSummary(result));
    return result.nBroken || result.nUnreadable ? kExitFailure : kExitOk;
}
