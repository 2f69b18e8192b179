// pagevane-cli list and extract: reading an e-book.
//
// The e-book is read through the reading layer (CBook), as the viewer reads it: the store's
// directory is walked once and each item is fetched on its own, so a large book is never held in
// memory as a whole, and a page is extracted piece by piece. Everything the e-book says is
// untrusted: the file table is walked with every length checked, a page is unpacked only up to
// the length it announces and its packed stream holds, and a name is written only when it stays
// below the extraction folder.
#include <algorithm>
#include <cstring>
#include <iomanip>
#include <sstream>

#include "book/Book.h"
#include "book/BookContents.h"
#include "cli/Cli.h"
#include "cli/CliSign.h"
#include "cli/ConsoleUi.h"
#include "format/BookLayout.h"
#include "compiler/BuildEBook.h"
#include "format/PackedBlock.h"
#include "platform/ContainedName.h"
#include "platform/ErrorReport.h"
#include "platform/File.h"
#include "platform/ReplaceFile.h"
#include "platform/Text.h"
#include "project/ViewerOptions.h"

bool OpenEBook(const std::string& path, CBook& book, std::ostream& err) {
    if (book.Open(path))
        return true;
    std::string cause;
    switch (book.GetProblem()) {
        case CBook::Problem::noBookItems:
            cause = path + " is not an e-book: its resource store holds no book.";
            break;
        case CBook::Problem::unreadable:
            cause = book.GetProblemDetail();
            break;
        case CBook::Problem::badTable:
            cause = "The file table of " + path + " is damaged. " + book.GetProblemDetail();
            break;
        default:
            cause = path + " is not an e-book: it carries no resource store.";
            break;
    }
    err << ConsoleText("Cannot read file " + path + "\n" + cause) << '\n';
    return false;
}

int ListEBook(const std::string& path, std::ostream& out, std::ostream& err) {
    CBook book;
    if (!OpenEBook(path, book, err))
        return kExitFailure;
    try {
        std::ostringstream text;
        const std::pair<const char*, BookText> texts[] = {
            {"Title", kTitle}, {"Author", kAuthor}, {"Copyright", kCopyright},
            {"URL", kUrl},     {"E-mail", kEMail},
        };
        for (const auto& t : texts)
            text << std::left << std::setw(11) << (std::string(t.first) + ":")
                 << ConsoleText(book.GetText(t.second)) << '\n';
        std::string shown;
        for (char c : book.GetText(kAboutInfo)) {
            if (c == '\r')
                continue;
            shown += c;
            if (c == '\n')
                shown += std::string(11, ' ');
        }
        text << std::left << std::setw(11) << "About:" << ConsoleText(shown) << '\n';

        uint32_t packed = 0;
        int64_t unpacked = 0;
        text << std::left << std::setw(11) << "Splash:";
        if (book.GetSplashSizes(&packed, &unpacked))
            text << unpacked << " bytes (" << packed << " packed)\n";
        else
            text << "none\n";

        text << std::left << std::setw(11) << "Signed:";
        if (book.IsSigned()) {
            // Who signed, as the signature says; list checks neither the signature nor whether
            // the signer is trusted.
            const std::vector<uint8_t> table = book.ReadCertificateTable();
            std::string subject;
            if (SignerSubject(table.data(), table.size(), &subject))
                text << "yes, by " << ConsoleSubject(subject);
            else
                text << "yes, by a signer it does not name";
            text << " (not verified here; trust is not claimed)\n";
        } else {
            text << "no\n";
        }
        text << "Options:\n";
        for (const ViewerOption& o : kViewerOptions)
            text << "  " << o.pszName << '=' << (book.GetSetting(o.nRecordIndex) ? 1 : 0) << '\n';

        text << "Files:     " << book.Files().size() << '\n';
        text << "   page  sequence  search     packed   unpacked  name\n";
        for (const BookFile& f : book.Files()) {
            text << std::right << std::setw(7) << f.dwPage << "  " << std::left << std::setw(8)
                 << (f.bInSequence ? "yes" : "no") << "  " << std::setw(6)
                 << (f.bInSearch ? "yes" : "no") << std::right;
            if (book.GetPackedSizes(f, &packed, &unpacked))
                text << std::setw(11) << packed << std::setw(11) << unpacked;
            else
                text << std::setw(11) << "missing" << std::setw(11) << "-";
            text << "  " << ConsoleText(f.strName) << '\n';
        }
        out << text.str();
        return kExitOk;
    } catch (const CException& e) {
        err << ConsoleText(ErrorReportText("Cannot read file " + path, e)) << '\n';
        return kExitFailure;
    }
}

int ListContents(const std::string& path, std::ostream& out, std::ostream& err) {
    CBook book;
    if (!OpenEBook(path, book, err))
        return kExitFailure;
    CContentsTree tree;
    try {
        BuildBookContents(book, &tree);
    } catch (const CException& e) {
        err << ConsoleText(ErrorReportText("Cannot read file " + path, e)) << '\n';
        return kExitFailure;
    }
    std::ostringstream text;
    PrintUtf8Line(text, tree.SourceText(book));
    for (size_t i = 0; i < tree.Size(); ++i) {
        const ContentsEntry& e = tree.Entries()[i];
        PrintUtf8Line(text, std::string(2 * static_cast<size_t>(e.nDepth), ' ') + e.strLabel +
                                "\t" + tree.Target(book, i));
    }
    out << text.str();
    return kExitOk;
}

int ExtractEBook(const std::string& path, const std::string& dir, std::ostream& err,
                 const std::function<void(size_t, size_t, uint64_t)>& progress) {
    CBook book;
    if (!OpenEBook(path, book, err))
        return kExitFailure;
    const std::vector<BookFile>& records = book.Files();
    int result = kExitOk;
    try {
        CFile::CreateFolder(dir);
    } catch (const CException& e) {
        err << ConsoleText(ErrorReportText("Cannot create folder " + dir, e)) << '\n';
        return kExitFailure;
    }
    size_t done = 0;
    uint64_t bytesRead = 0;
    for (const BookFile& r : records) {
        if (progress)
            progress(done++, records.size(), bytesRead);
        const std::string nameProblem = RelativeNameProblem(r.strName);
        if (!nameProblem.empty()) {
            err << ConsoleText("Refused to extract \"" + r.strName + "\": it names no file below " +
                               dir + " (" + nameProblem + ").")
                << '\n';
            result = kExitFailure;
            continue;
        }
        uint32_t packed = 0;
        int64_t unpacked = 0;
        bool present = false;
        try {
            present = book.GetPackedSizes(r, &packed, &unpacked);
        } catch (const CException& e) {
            err << ConsoleText(ErrorReportText("Cannot read file " + path, e)) << '\n';
            result = kExitFailure;
            continue;
        }
        if (!present) {
            err << ConsoleText("Cannot extract " + r.strName + "\nIts page " +
                               std::to_string(r.dwPage) + " is missing from " + path + ".")
                << '\n';
            result = kExitFailure;
            continue;
        }
        const std::string target = dir + "/" + r.strName;
        // Folders already below dir are used only when they are real folders: a link there could
        // lead anywhere, and the file would be written outside dir.
        std::string link;
        for (size_t k = 0; k < r.strName.size() && link.empty(); ++k) {
            if (r.strName[k] == '/' || r.strName[k] == '\\') {
                const std::string folder = dir + "/" + r.strName.substr(0, k);
                if (CFile::IsLink(folder))
                    link = folder;
            }
        }
        if (!link.empty()) {
            err << ConsoleText("Refused to extract \"" + r.strName + "\": " + link +
                               " is a link, and the file would be written wherever it leads.")
                << '\n';
            result = kExitFailure;
            continue;
        }
        try {
            for (size_t k = 0; k < r.strName.size(); ++k) {
                if (r.strName[k] == '/' || r.strName[k] == '\\')
                    CFile::CreateFolder(dir + "/" + r.strName.substr(0, k));
            }
            // The page goes to a new file of its own, which replaces whatever has the name only
            // once it is complete; a link of that name is replaced itself, never written through.
            CReplaceFile replace(target, CReplaceFile::replaceLinks);
            CFile file;
            replace.Create(file, CFile::shareExclusive);
            bytesRead += packed;
            book.UnpackFileTo(
                r, [&file](const uint8_t* data, uint32_t count) { file.Write(data, count); });
            file.Close();
            replace.Commit();
            continue;
        } catch (const CPackError& e) {
            err << ConsoleText("Cannot extract " + r.strName + "\nIts packed bytes in " + path +
                               " are damaged (" + e.what() + ").")
                << '\n';
        } catch (CFileException& e) {
            const bool reading = e.m_strFileName == path;
            if (!reading)
                e.m_strFileName = target;  // not the temporary name, which the person never saw
            err << ConsoleText(ErrorReportText(
                       reading ? "Cannot read file " + path : "Cannot save file " + target, e))
                << '\n';
        }
        result = kExitFailure;
    }
    if (progress)
        progress(records.size(), records.size(), bytesRead);
    return result;
}
