#include "book/Book.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "format/BookLayout.h"
#include "format/PackedBlock.h"
#include "platform/Exceptions.h"
#include "platform/File.h"
#include "platform/Text.h"
#include "book/BookUrl.h"
#include "book/FoldName.h"

namespace {

const uint16_t kPageType = kPageResourceType;
const uint16_t kBookType = kBookResourceType;

// Deflate never expands by more than this factor, so a block announcing more than its stream
// can hold is damaged and must not make us allocate the announced size.
const uint64_t kMaxInflateRatio = 1032;

std::vector<uint8_t> Unpack(const std::vector<uint8_t>& block) {
    uint64_t limit = 0;
    if (block.size() > 4)
        limit = (block.size() - 4) * kMaxInflateRatio + 64;
    if (limit > 0x7FFFFFFF)
        limit = 0x7FFFFFFF;
    return UnpackBlock(block.data(), block.size(), static_cast<uint32_t>(limit));
}

const char kDamaged[] = "This e-book is damaged and cannot be opened.\n";

// True when the file is a Windows program followed by bytes that are not part of its image: an
// e-book whose book data was cut short (its trailer is the last thing written and the first
// thing lost), as opposed to the viewer on its own. Anything unreadable counts as no.
bool HasBytesAfterProgramImage(const std::string& path) {
    uint8_t head[4096] = {};
    uint64_t fileSize = 0;
    uint32_t got = 0;
    try {
        CFile file;
        file.Open(path, CFile::modeRead | CFile::shareDenyNone);
        fileSize = file.GetLength();
        got = file.Read(head, sizeof(head));
    } catch (const CException&) {
        return false;
    }
    const uint64_t imageEnd = ProgramImageEnd(head, got);
    return imageEnd > 0 && fileSize > imageEnd;
}

}  // namespace

CBook::CBook() = default;
CBook::~CBook() = default;

bool CBook::Fail(State state, Problem problem, const std::string& detail, const std::string& text) {
    m_state = state;
    m_problem = problem;
    m_strProblemDetail = detail;
    m_strError = text;
    m_files.clear();
    m_sequence.clear();
    m_byName.clear();
    if (m_store)
        m_store->Close();
    return false;
}

bool CBook::Open(const std::string& path) {
    m_state = State::closed;
    m_strError.clear();
    m_problem = Problem::none;
    m_strProblemDetail.clear();
    m_strPath = path;
    std::fill(std::begin(m_settings), std::end(m_settings), 0);
    for (std::string& t : m_texts)
        t.clear();
    m_files.clear();
    m_sequence.clear();
    m_byName.clear();
    m_store.reset(new CStoreReader);

    try {
        m_store->Open(path);
    } catch (const CException& e) {
        return Fail(State::damaged, Problem::unreadable, e.GetErrorMessage(),
                    kDamaged + e.GetErrorMessage());
    }
    bool anyBookItem = false;
    for (const CStoreReader::Item& item : m_store->Items()) {
        if (item.wType == kBookType || item.wType == kPageType)
            anyBookItem = true;
    }
    if (!m_store->HasStore() && HasBytesAfterProgramImage(path)) {
        return Fail(State::damaged, Problem::cutShort, std::string(),
                    kDamaged + path +
                        " ends before its book data does: the file was probably cut short while "
                        "it was copied or downloaded. Copying it again may help.");
    }
    if (!m_store->HasStore() || !anyBookItem) {
        return Fail(State::bare, m_store->HasStore() ? Problem::noBookItems : Problem::noStore,
                    std::string(),
                    "This program holds no e-book: no book data was found at the end of " + path +
                        ".\nIt is the viewer on its own; an e-book is made from it by adding a "
                        "book's pages.");
    }
    try {
        ReadSettings();
        ReadTexts();
        if (!ReadFileTable())
            return false;
    } catch (const CException& e) {
        return Fail(State::damaged, Problem::unreadable, e.GetErrorMessage(),
                    kDamaged + e.GetErrorMessage());
    }
    m_state = State::open;
    return true;
}

void CBook::ReadSettings() {
    const CStoreReader::Item* item = m_store->Find(kBookType, kSettingsId);
    if (!item)
        return;
    const uint32_t n = std::min<uint32_t>(item->dwSize, kSettingsRecordSize);
    uint8_t raw[kSettingsRecordSize] = {};
    if (n)
        m_store->ReadPart(*item, 0, raw, n);
    // Whole integers only: a record cut inside an integer leaves that one off.
    ByteReader in(raw, n);
    uint32_t v = 0;
    for (size_t i = 0; i < kSettingCount && in.U32(&v); ++i)
        m_settings[i] = static_cast<int32_t>(v);
}

void CBook::ReadTexts() {
    static const BookText kIds[] = {kTitle, kAuthor, kCopyright, kUrl, kEMail, kAboutInfo};
    for (BookText id : kIds) {
        const CStoreReader::Item* item = m_store->Find(kBookType, static_cast<uint16_t>(id));
        if (!item)
            continue;
        const std::vector<uint8_t> bytes = m_store->Read(*item);
        const auto end = std::find(bytes.begin(), bytes.end(), 0);
        m_texts[id].assign(bytes.begin(), end);
    }
}

bool CBook::ReadFileTable() {
    const CStoreReader::Item* item = m_store->Find(kBookType, kFileTableId);
    if (!item)
        return true;  // a book without pages
    const std::vector<uint8_t> table = m_store->Read(*item);
    std::vector<FileTableRecord> records;
    FileTableProblem problem;
    if (!ParseFileTable(table.data(), table.size(), &records, &problem))
        return Fail(State::damaged, Problem::badTable, problem.Text(), kDamaged + problem.Text());
    m_files.reserve(records.size());
    m_byName.reserve(records.size());
    for (FileTableRecord& r : records) {
        BookFile f;
        f.strName = std::move(r.strName);
        // The build writes every backslash of a name as a slash; one left in a table made
        // elsewhere separates folders all the same, so that the name has the one address that
        // URLs give it (in a URL a backslash within a name is encoded and separates nothing).
        std::replace(f.strName.begin(), f.strName.end(), '\\', '/');
        f.dwPage = r.dwPage;
        f.bInSequence = r.dwInSequence != 0;
        f.bInSearch = r.dwInSearch != 0;
        const size_t index = m_files.size();
        if (f.bInSequence)
            m_sequence.push_back(index);
        m_byName.emplace(FoldName(f.strName), index);  // the first of equal names wins
        m_files.push_back(std::move(f));
    }
    return true;
}

bool CBook::GetSetting(int index) const {
    return index >= 0 && index < kSettingCount && m_settings[index] != 0;
}

const std::string& CBook::GetText(BookText id) const {
    return m_texts[id];
}

const BookFile* CBook::FindFile(const std::string& name) const {
    const auto it = m_byName.find(FoldName(name));
    return it == m_byName.end() ? nullptr : &m_files[it->second];
}

const BookFile* CBook::FindUrl(const std::string& url) const {
    std::string name;
    return NameFromUrl(url, &name) ? FindName(name) : nullptr;
}

const BookFile* CBook::FindName(const std::string& name) const {
    if (NameNamesNoFile(name))
        return nullptr;
    if (const BookFile* f = FindFile(name))
        return f;
    std::string ansi;
    if (AnsiFromUtf8(name, &ansi) && ansi != name)
        return FindFile(ansi);
    return nullptr;
}

bool CBook::ReadFile(const BookFile& file, std::vector<uint8_t>* data, std::string* error) {
    std::vector<uint8_t> block;
    return ReadPackedFile(file, &block, error) && UnpackFile(file, block, data, error);
}

bool CBook::ReadPackedFile(const BookFile& file, std::vector<uint8_t>* block, std::string* error) {
    if (m_state != State::open) {
        *error = "The e-book is not open.";
        return false;
    }
    const CStoreReader::Item* item = FindPage(file);
    if (!item) {
        *error = "The e-book holds no data for " + file.strName + ".";
        return false;
    }
    try {
        *block = m_store->Read(*item);
    } catch (const CException& e) {
        *error = e.GetErrorMessage();
        return false;
    }
    return true;
}

bool CBook::UnpackFile(const BookFile& file, const std::vector<uint8_t>& block,
                       std::vector<uint8_t>* data, std::string* error) {
    try {
        *data = Unpack(block);
    } catch (const CPackError& e) {
        *error = "The data of " + file.strName + " is damaged (" + e.what() + ").";
        return false;
    }
    return true;
}

bool CBook::GetPackedSizes(const BookFile& file, uint32_t* packed, int64_t* unpacked) {
    const CStoreReader::Item* item = FindPage(file);
    if (!item)
        return false;
    ItemSizes(*item, packed, unpacked);
    return true;
}

void CBook::ItemSizes(const CStoreReader::Item& item, uint32_t* packed, int64_t* unpacked) {
    *packed = item.dwSize;
    *unpacked = -1;
    if (item.dwSize >= 4) {
        uint8_t head[4];
        m_store->ReadPart(item, 0, head, 4);
        *unpacked = Le32At(head, sizeof head, 0);
    }
}

bool CBook::GetFileBlock(const BookFile& file, uint64_t* offset, uint32_t* size) const {
    const CStoreReader::Item* item = FindPage(file);
    if (!item)
        return false;
    *offset = item->qwOffset;
    *size = item->dwSize;
    return true;
}

const CStoreReader::Item* CBook::FindPage(const BookFile& file) const {
    if (m_state != State::open || file.dwPage > 0xFFFF)
        return nullptr;
    return m_store->Find(kPageType, static_cast<uint16_t>(file.dwPage));
}

std::string CBook::HomeUrl() const {
    if (m_sequence.empty())
        return std::string();
    return UrlFromName(m_files[m_sequence.front()].strName);
}

long CBook::SequenceIndexOf(const std::string& url) const {
    const BookFile* f = FindUrl(url);
    if (!f)
        return -1;
    const size_t index = static_cast<size_t>(f - m_files.data());
    const auto it = std::find(m_sequence.begin(), m_sequence.end(), index);
    return it == m_sequence.end() ? -1 : static_cast<long>(it - m_sequence.begin());
}

bool CBook::HasSplash() const {
    return m_state == State::open && m_store->Find(kBookType, kSplashId) != nullptr;
}

bool CBook::ReadSplash(SplashImage* splash) {
    if (!HasSplash())
        return false;
    // A picture larger than the build packs (a book made before the limit, or crafted) is no
    // splash: its announced length is refused before any room is asked for it, and a 32-bit
    // process short of memory for a smaller one starts without it.
    try {
        const std::vector<uint8_t> block = m_store->Read(*m_store->Find(kBookType, kSplashId));
        return ParseSplashBitmap(
            UnpackBlock(block.data(), block.size(), static_cast<uint32_t>(kMaxSplashBytes)),
            splash);
    } catch (const CException&) {
        return false;
    } catch (const CPackError&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

bool ParseSplashBitmap(const std::vector<uint8_t>& file, SplashImage* splash) {
    const size_t kFileHeader = 14;
    if (file.size() < kFileHeader + 40 || file[0] != 'B' || file[1] != 'M')
        return false;
    // The info header's fields, read at their offsets after the 14-byte file header; the 40
    // bytes they lie in were checked above.
    const ByteReader in(file.data(), file.size());
    const uint64_t total = file.size() - kFileHeader;
    uint32_t headerSize = 0, w = 0, h = 0, compression = 0, clrUsed = 0, declared = 0;
    uint16_t planes = 0, bits = 0;
    in.U32At(kFileHeader, &headerSize);
    in.U32At(kFileHeader + 4, &w);
    in.U32At(kFileHeader + 8, &h);
    in.U16At(kFileHeader + 12, &planes);
    in.U16At(kFileHeader + 14, &bits);
    in.U32At(kFileHeader + 16, &compression);
    in.U32At(kFileHeader + 32, &clrUsed);
    in.U32At(10, &declared);  // where the file header says the pixels start
    // BITMAPINFOHEADER and its later versions (V2, V3, V4, V5).
    if (headerSize < 40 || headerSize > 124 || headerSize > total)
        return false;
    const int32_t width = static_cast<int32_t>(w);
    const int32_t height = static_cast<int32_t>(h);
    const int32_t side = static_cast<int32_t>(kMaxSplashSide);
    if (width <= 0 || width > side || height == 0 || height < -side || height > side || planes != 1)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    uint64_t tableBytes = 0;
    if (compression == 0) {  // BI_RGB
        if (bits <= 8) {
            const uint64_t maxColours = 1u << bits;
            if (clrUsed > maxColours)
                return false;
            tableBytes = (clrUsed ? clrUsed : maxColours) * 4;
        } else {
            tableBytes = uint64_t(clrUsed) * 4;
            if (clrUsed > 256)
                return false;
        }
    } else if (compression == 3) {  // BI_BITFIELDS: three masks after a 40-byte header
        if (bits != 16 && bits != 32)
            return false;
        tableBytes = headerSize == 40 ? 12 : 0;
    } else {
        return false;  // run-length and embedded JPEG/PNG are not drawn
    }
    const uint64_t rows = height < 0 ? uint64_t(-int64_t(height)) : uint64_t(height);
    const uint64_t stride = ((uint64_t(width) * bits + 31) / 32) * 4;
    uint64_t bitsOffset = uint64_t(headerSize) + tableBytes;
    if (bitsOffset > total || stride * rows > total - bitsOffset)
        return false;
    // The file header says where the pixels start; a writer may leave a gap before them.
    if (declared >= kFileHeader + bitsOffset && declared - kFileHeader <= total &&
        stride * rows <= total - (declared - kFileHeader))
        bitsOffset = declared - kFileHeader;
    splash->dib.assign(file.begin() + kFileHeader, file.end());
    splash->dwBitsOffset = static_cast<uint32_t>(bitsOffset);
    splash->nWidth = width;
    splash->nHeight = static_cast<int32_t>(rows);
    return true;
}
