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

// Inflates a packed item into out piece by piece, so that memory stays small whatever the page's
// size. The stream must end exactly at the item's end and give exactly the announced length;
// anything else throws CPackError.
void InflateItem(CStoreReader& store, const CStoreReader::Item& item, CFile& out) {
    if (item.dwSize < 4)
        throw CPackError("packed block shorter than its header");
    uint8_t head[4];
    store.ReadPart(item, 0, head, 4);
    const uint32_t announced = Le32(head);

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
        const std::string target = dir + "/" + r.strName;
        bool created = false;
        try {
            // Make the folders, then stream the page into its file.
            for (size_t k = 0; k < r.strName.size(); ++k) {
                if (r.strName[k] == '/' || r.strName[k] == '\\')
                    CFile::CreateFolder(dir + "/" + r.strName.substr(0, k));
            }
            CFile file;
            file.Open(target, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive);
            created = true;
            bytesRead += item->dwSize;
            InflateItem(store, *item, file);
            file.Close();
            continue;
        } catch (const CPackError& e) {
            err << ConsoleText("Cannot extract " + r.strName + "\nIts packed bytes in " + path +
                               " are damaged (" + e.what() + ").")
                << '\n';
        } catch (const CFileException& e) {
            const bool reading = e.m_strFileName == path;
            err << ConsoleText(ErrorReportText(
                       reading ? "Cannot read file " + path : "Cannot save file " + target, e))
                << '\n';
        }
        result = kExitFailure;
        if (created) {
            try {
                CFile::Remove(target);
            } catch (const CFileException&) {
            }
        }
    }
    if (progress)
        progress(records.size(), records.size(), bytesRead);
    return result;
}
