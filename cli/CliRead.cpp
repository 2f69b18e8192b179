// pagevane-cli list and extract: reading an e-book.
//
// The e-book is read through the store's read-only path: the directory is walked once and each
// item is fetched on its own, so a large book is never held in memory as a whole. Everything the
// e-book says is untrusted: the file table is walked with every length checked, a page is
// unpacked only up to the length its packed stream can hold, and a name is written only when it
// stays below the extraction folder.
#include <cstring>
#include <iomanip>
#include <sstream>

#include "cli/Cli.h"
#include "cli/ConsoleUi.h"
#include "compiler/BuildEBook.h"
#include "compiler/PackedBlock.h"
#include "compiler/StoreReader.h"
#include "platform/ErrorReport.h"
#include "platform/File.h"
#include "platform/Text.h"

namespace {

struct TableRecord {
    std::string strName;  // as stored: forward slashes, ANSI
    uint32_t dwPage = 0;
    uint32_t dwInSequence = 0;
    uint32_t dwInSearch = 0;
};

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Splits the file table into records; false when a record runs past the end of the table.
bool ParseFileTable(const std::vector<uint8_t>& table, std::vector<TableRecord>* records) {
    size_t pos = 0;
    while (pos < table.size()) {
        const void* nul = std::memchr(table.data() + pos, 0, table.size() - pos);
        if (!nul)
            return false;
        const size_t end = static_cast<const uint8_t*>(nul) - table.data();
        if (table.size() - end - 1 < 16)
            return false;
        TableRecord r;
        r.strName.assign(reinterpret_cast<const char*>(table.data() + pos), end - pos);
        const uint8_t* fields = table.data() + end + 1;
        r.dwPage = Le32(fields);
        r.dwInSequence = Le32(fields + 4);
        r.dwInSearch = Le32(fields + 12);
        records->push_back(std::move(r));
        pos = end + 17;
    }
    return true;
}

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
    return Le32(head);
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
            if (!ParseFileTable(store.Read(*table), records)) {
                err << ConsoleText("Cannot read file " + path + "\nThe file table of " + path +
                                   " is damaged.")
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

bool IsDeviceName(std::string component) {
    const size_t dot = component.find('.');
    if (dot != std::string::npos)
        component.resize(dot);
    while (!component.empty() && component.back() == ' ')
        component.pop_back();
    component = AnsiUpper(component);
    if (component == "CON" || component == "PRN" || component == "AUX" || component == "NUL")
        return true;
    return component.size() == 4 &&
           (component.compare(0, 3, "COM") == 0 || component.compare(0, 3, "LPT") == 0) &&
           component[3] >= '1' && component[3] <= '9';
}

}  // namespace

bool IsSafeExtractName(const std::string& name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\')
        return false;
    std::string component;
    for (size_t k = 0; k <= name.size(); ++k) {
        const char c = k < name.size() ? name[k] : '/';
        if (c == '/' || c == '\\') {
            // Windows drops trailing dots and spaces: ". ." or "..." must not reach a parent.
            if (component.find_first_not_of(". ") == std::string::npos || IsDeviceName(component))
                return false;
            component.clear();
            continue;
        }
        if (c == ':' || static_cast<unsigned char>(c) < 0x20)
            return false;
        component += c;
    }
    return true;
}

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

        text << "Options:\n";
        uint8_t record[76] = {};
        if (const CStoreReader::Item* settings = store.Find(kBookResourceType, kSettingsId))
            store.ReadPart(*settings, 0, record, settings->dwSize < 76 ? settings->dwSize : 76);
        const int index[] = {0, 1, 2, 3, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
        for (size_t k = 0; k < CliOptions().size(); ++k)
            text << "  " << CliOptions()[k].pszName << '=' << (Le32(record + 4 * index[k]) ? 1 : 0)
                 << '\n';

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

int ExtractEBook(const std::string& path, const std::string& dir, std::ostream& err) {
    CStoreReader store;
    std::vector<TableRecord> records;
    if (!OpenBook(path, store, &records, err))
        return kExitFailure;
    int result = kExitOk;
    std::string target = dir;
    try {
        CFile::CreateFolder(dir);
    } catch (const CException& e) {
        err << ConsoleText(ErrorReportText("Cannot create folder " + dir, e)) << '\n';
        return kExitFailure;
    }
    for (const TableRecord& r : records) {
        if (!IsSafeExtractName(r.strName)) {
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
        try {
            std::vector<uint8_t> bytes;
            target = path;
            {
                const std::vector<uint8_t> packed = store.Read(*item);
                bytes = UnpackBlock(packed.data(), packed.size());
            }
            // Make the folders, then write the file.
            target = dir;
            for (size_t k = 0; k < r.strName.size(); ++k) {
                if (r.strName[k] == '/' || r.strName[k] == '\\')
                    CFile::CreateFolder(dir + "/" + r.strName.substr(0, k));
            }
            target = dir + "/" + r.strName;
            CFile file;
            file.Open(target, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive);
            if (!bytes.empty())
                file.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
            file.Close();
        } catch (const CPackError& e) {
            err << ConsoleText("Cannot extract " + r.strName + "\nIts packed bytes in " + path +
                               " are damaged (" + e.what() + ").")
                << '\n';
            result = kExitFailure;
        } catch (const CException& e) {
            err << ConsoleText(ErrorReportText(
                       (target == path ? "Cannot read file " : "Cannot save file ") + target, e))
                << '\n';
            result = kExitFailure;
        }
    }
    return result;
}
