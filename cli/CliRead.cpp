// pagevane-cli list and extract: reading an e-book.
//
// The e-book is read through the store's read-only path: the directory is walked once and each
// item is fetched on its own, so a large book is never held in memory as a whole. Everything the
// e-book says is untrusted: the file table is walked with every length checked, a page is
// unpacked only up to the length its packed stream can hold, and a name is written only when it
// stays below the extraction folder.
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <iomanip>
#include <sstream>

#include "cli/Cli.h"
#include "cli/CliSign.h"
#include "cli/ConsoleUi.h"
#include "format/BookLayout.h"
#include "compiler/BuildEBook.h"
#include "format/PackedBlock.h"
#include "format/StoreReader.h"
#include "platform/ContainedName.h"
#include "platform/ErrorReport.h"
#include "platform/File.h"
#include "platform/ReplaceFile.h"
#include "platform/Text.h"
#include "project/ViewerOptions.h"

namespace {

using TableRecord = FileTableRecord;

// A zero-terminated text item (missing: empty; no terminator: the whole item).
std::string ReadText(CStoreReader& store, uint16_t id) {
    const CStoreReader::Item* item = store.Find(kBookResourceType, id);
    if (!item)
        return std::string();
    const std::vector<uint8_t> bytes = store.Read(*item);
    const void* nul = std::memchr(bytes.data(), 0, bytes.size());
    const size_t n = nul ? static_cast<const uint8_t*>(nul) - bytes.data() : bytes.size();
    return std::string(reinterpret_cast<const char*>(bytes.data()), n);
}

// The unpacked length a packed item announces, or -1 when it is too short to say.
int64_t UnpackedLength(CStoreReader& store, const CStoreReader::Item& item) {
    if (item.dwSize < 4)
        return -1;
    uint8_t head[4];
    store.ReadPart(item, 0, head, 4);
    return Le32At(head, sizeof head, 0);
}

// Opens the e-book and reads its file table. Returns false after a message on err.
bool OpenBook(const std::string& path, CStoreReader& store, std::vector<TableRecord>* records,
              std::ostream& err) {
    try {
        store.Open(path);
        if (!store.HasStore()) {
            err << ConsoleText("Cannot read file " + path + "\n" + path +
                               " is not an e-book: it carries no resource store.")
                << '\n';
            return false;
        }
        if (const CStoreReader::Item* table = store.Find(kBookResourceType, kFileTableId)) {
            const std::vector<uint8_t> bytes = store.Read(*table);
            FileTableProblem problem;
            if (!ParseFileTable(bytes.data(), bytes.size(), records, &problem)) {
                err << ConsoleText("Cannot read file " + path + "\nThe file table of " + path +
                                   " is damaged. " + problem.Text())
                    << '\n';
                return false;
            }
        }
        return true;
    } catch (const CException& e) {
        err << ConsoleText(ErrorReportText("Cannot read file " + path, e)) << '\n';
        return false;
    }
}

// Inflates a packed item into out piece by piece, so that memory stays small whatever the page's
// size. The stream must end exactly at the item's end and give exactly the announced length;
// anything else throws CPackError.
void InflateItem(CStoreReader& store, const CStoreReader::Item& item, CFile& out) {
    if (item.dwSize < 4)
        throw CPackError("packed block shorter than its header");
    uint8_t head[4];
    store.ReadPart(item, 0, head, 4);
    const uint32_t announced = Le32At(head, sizeof head, 0);

    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        throw CPackError("out of memory while unpacking");
    struct End {
        z_stream* p;
        ~End() { inflateEnd(p); }
    } end{&zs};
    std::vector<uint8_t> in(64 * 1024);
    std::vector<uint8_t> buffer(256 * 1024);
    uint32_t offset = 4;
    uint64_t total = 0;
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        if (zs.avail_in == 0) {
            if (offset == item.dwSize)
                throw CPackError("packed stream cut short");
            const uint32_t count = std::min<uint32_t>(item.dwSize - offset, in.size());
            store.ReadPart(item, offset, in.data(), count);
            offset += count;
            zs.next_in = in.data();
            zs.avail_in = count;
        }
        zs.next_out = buffer.data();
        zs.avail_out = static_cast<uInt>(buffer.size());
        rc = inflate(&zs, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END)
            throw CPackError("packed stream is damaged");
        const uint32_t produced = static_cast<uint32_t>(buffer.size() - zs.avail_out);
        total += produced;
        if (total > announced)
            throw CPackError("more bytes than announced");
        if (produced)
            out.Write(buffer.data(), produced);
    }
    if (total != announced || zs.avail_in != 0 || offset != item.dwSize)
        throw CPackError("packed block does not match its length");
}

}  // namespace

int ListEBook(const std::string& path, std::ostream& out, std::ostream& err) {
    CStoreReader store;
    std::vector<TableRecord> records;
    if (!OpenBook(path, store, &records, err))
        return kExitFailure;
    try {
        std::ostringstream text;
        const std::pair<const char*, uint16_t> texts[] = {
            {"Title", kTitleId}, {"Author", kAuthorId}, {"Copyright", kCopyrightId},
            {"URL", kUrlId},     {"E-mail", kEMailId},
        };
        for (const auto& t : texts)
            text << std::left << std::setw(11) << (std::string(t.first) + ":")
                 << ConsoleText(ReadText(store, t.second)) << '\n';
        std::string about = ReadText(store, kAboutInfoId);
        std::string shown;
        for (char c : about) {
            if (c == '\r')
                continue;
            shown += c;
            if (c == '\n')
                shown += std::string(11, ' ');
        }
        text << std::left << std::setw(11) << "About:" << ConsoleText(shown) << '\n';

        text << std::left << std::setw(11) << "Splash:";
        if (const CStoreReader::Item* splash = store.Find(kBookResourceType, kSplashId))
            text << UnpackedLength(store, *splash) << " bytes (" << splash->dwSize << " packed)\n";
        else
            text << "none\n";

        text << std::left << std::setw(11) << "Signed:";
        if (store.GetCertificate().IsSigned()) {
            // Who signed, as the signature says; list checks neither the signature nor whether
            // the signer is trusted.
            const std::vector<uint8_t> table = store.ReadCertificateTable();
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
        uint8_t record[kSettingsRecordSize] = {};
        if (const CStoreReader::Item* settings = store.Find(kBookResourceType, kSettingsId))
            store.ReadPart(*settings, 0, record,
                           std::min<uint32_t>(settings->dwSize, kSettingsRecordSize));
        for (const ViewerOption& o : kViewerOptions)
            text << "  " << o.pszName << '='
                 << (Le32At(record, sizeof record, 4 * o.nRecordIndex) ? 1 : 0) << '\n';

        text << "Files:     " << records.size() << '\n';
        text << "   page  sequence  search     packed   unpacked  name\n";
        for (const TableRecord& r : records) {
            const CStoreReader::Item* item =
                r.dwPage <= 0xFFFF ? store.Find(kPageResourceType, static_cast<uint16_t>(r.dwPage))
                                   : nullptr;
            text << std::right << std::setw(7) << r.dwPage << "  " << std::left << std::setw(8)
                 << (r.dwInSequence ? "yes" : "no") << "  " << std::setw(6)
                 << (r.dwInSearch ? "yes" : "no") << std::right;
            if (item)
                text << std::setw(11) << item->dwSize << std::setw(11)
                     << UnpackedLength(store, *item);
            else
                text << std::setw(11) << "missing" << std::setw(11) << "-";
            text << "  " << ConsoleText(r.strName) << '\n';
        }
        out << text.str();
        return kExitOk;
    } catch (const CException& e) {
        err << ConsoleText(ErrorReportText("Cannot read file " + path, e)) << '\n';
        return kExitFailure;
    }
}

int ExtractEBook(const std::string& path, const std::string& dir, std::ostream& err,
                 const std::function<void(size_t, size_t, uint64_t)>& progress) {
    CStoreReader store;
    std::vector<TableRecord> records;
    if (!OpenBook(path, store, &records, err))
        return kExitFailure;
    int result = kExitOk;
    try {
        CFile::CreateFolder(dir);
    } catch (const CException& e) {
        err << ConsoleText(ErrorReportText("Cannot create folder " + dir, e)) << '\n';
        return kExitFailure;
    }
    size_t done = 0;
    uint64_t bytesRead = 0;
    for (const TableRecord& r : records) {
        if (progress)
            progress(done++, records.size(), bytesRead);
        if (!IsNameInsideFolder(r.strName)) {
            err << ConsoleText("Refused to extract \"" + r.strName +
                               "\": the name would be written outside " + dir + ".")
                << '\n';
            result = kExitFailure;
            continue;
        }
        const CStoreReader::Item* item =
            r.dwPage <= 0xFFFF ? store.Find(kPageResourceType, static_cast<uint16_t>(r.dwPage))
                               : nullptr;
        if (!item) {
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
            bytesRead += item->dwSize;
            InflateItem(store, *item, file);
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
