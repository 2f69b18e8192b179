// The layout of an e-book's book data, defined once for every program that writes or reads it
// (the build, the command line, the viewer, the benchmarks), and the one bounds-checked reader
// of little-endian bytes that they parse it with.
//
// Book data lives in the resource store appended to the viewer program: page files under type
// 349 (id = position in the page list + 1), everything else under type 350.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The texts of a book, by their item id in type 350.
enum BookText : unsigned {
    kTitle = 6,
    kAuthor = 7,
    kCopyright = 8,
    kUrl = 9,
    kEMail = 10,
    kAboutInfo = 12,
};

// The viewer reads a file's unpacked bytes into one block of at most 2 GiB less one byte: the
// folder scan, the build and the check refuse a longer page or splash.
const uint64_t kMaxFileLength = 0x7FFFFFFFu;
// The refusal of a file longer than kMaxFileLength, naming it, its length and the limit.
std::string TooLargeFileMessage(const std::string& path, uint64_t length);

// The largest splash picture the build packs and the viewer shows: at most kMaxSplashSide pixels
// on a side, in a file of at most kMaxSplashBytes (a picture of that size at 32 bits a pixel,
// with room for the largest headers and colour table). The viewer, a 32-bit process, holds the
// picture twice while it starts; a 16384 x 16384 picture would ask it for two blocks of 1 GiB.
const uint32_t kMaxSplashSide = 4096;
const uint64_t kMaxSplashBytes = uint64_t(kMaxSplashSide) * kMaxSplashSide * 4 + 4096;
// Why the splash picture path, of length bytes beginning with the head bytes given (its first
// 26 bytes or fewer), is over those limits: its size or its pixel dimensions (from the bitmap
// header, when there is one), and the limit, naming path. "" when it is within them.
std::string SplashSizeProblem(const std::string& path, uint64_t length, const uint8_t* head,
                              size_t headSize);

// Resource types and ids of an e-book.
enum : unsigned {
    kPageResourceType = 349,
    kBookResourceType = 350,
    kFileTableId = 2,
    kSettingsId = 3,
    kTitleId = kTitle,
    kAuthorId = kAuthor,
    kCopyrightId = kCopyright,
    kUrlId = kUrl,
    kEMailId = kEMail,
    kAboutInfoId = kAboutInfo,
    kBookMarkerId = 14,
    kSplashId = 15,
};

// The settings record: 19 little-endian 32-bit integers; the indices that carry an option
// (4 to 7 and 18 are reserved and written as 0).
enum BookSetting {
    kShowAboutAtStart = 0,
    kStartMaximized = 1,
    kStartFullScreen = 2,
    kShowToolbar = 3,
    kHomeButton = 8,
    kPrevNextButtons = 9,
    kHistoryButtons = 10,
    kCopyButton = 11,
    kSearchButton = 12,
    kFullScreenButton = 13,
    kFontSizeButton = 14,
    kPrintButton = 15,
    kAboutButton = 16,
    kExitButton = 17,
    kSettingCount = 19,
};
const size_t kSettingsRecordSize = 4 * kSettingCount;

// The bytes of the book marker item: "EBOOK" and a zero.
extern const uint8_t kBookMarker[6];

// Reads little-endian values from a range of bytes it does not own. Every read is checked
// against the end: a read that does not fit returns false and leaves the position where it was.
class ByteReader {
  public:
    ByteReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    size_t Offset() const { return m_pos; }
    size_t Remaining() const { return m_size - m_pos; }
    bool AtEnd() const { return m_pos == m_size; }

    bool U8(uint8_t* v);
    bool U16(uint16_t* v);
    bool U32(uint32_t* v);
    bool Skip(size_t count);
    // Moves to an offset from the start; false when it lies beyond the end.
    bool Seek(size_t offset);
    // The bytes up to the next zero byte, which is passed; false when no zero byte follows.
    bool CString(std::string* s);

    // Values at an offset from the start, the position unchanged; false when they do not fit.
    bool U16At(uint64_t offset, uint16_t* v) const;
    bool U32At(uint64_t offset, uint32_t* v) const;

  private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// The little-endian value at offset within the size bytes at data; 0 when it does not fit. For
// fields of a header already read whole, where a missing field and a zero one mean the same.
uint16_t Le16At(const uint8_t* data, size_t size, uint64_t offset);
uint32_t Le32At(const uint8_t* data, size_t size, uint64_t offset);

// Writes v as four little-endian bytes at the end of out.
void PutLe32(std::vector<uint8_t>& out, uint32_t v);

// One record of the file table: the name (relative path with forward slashes, ANSI, zero
// terminated in the table), then four little-endian 32-bit values.
struct FileTableRecord {
    std::string strName;
    uint32_t dwPage = 0;  // id of the page item (type 349)
    uint32_t dwInSequence = 0;
    uint32_t dwReserved = 0;
    uint32_t dwInSearch = 0;
};

// What is wrong with a file table that does not parse.
struct FileTableProblem {
    enum Kind { none, cutOff, emptyName, repeatedPage } kind = none;
    size_t record = 0;  // 1-based number of the record at fault
    uint32_t page = 0;  // repeatedPage: the page id named again
    // The text for people, e.g. "Its file table is cut off in record 3."
    std::string Text() const;
};

// Splits a file table into its records. Returns false, with *problem saying why, when a record
// has no terminating zero or fewer than 16 bytes after its name (cut off), an empty name, or
// names a page an earlier record names: the build gives every page one name, and one page under
// many names would make every reader that walks the table (search, contents, link check,
// extract) do its work again for each.
bool ParseFileTable(const uint8_t* data, size_t size, std::vector<FileTableRecord>* records,
                    FileTableProblem* problem);
// Appends one record (the name as given) to a file table.
void AppendFileTableRecord(std::vector<uint8_t>& table, const FileTableRecord& record);

// Where the image of a Windows program ends in its file: the largest end of a section's raw
// data, read from the first bytes of the file (head, size bytes of them). 0 when those bytes are
// not a PE program with its section table inside them.
uint64_t ProgramImageEnd(const uint8_t* head, size_t size);

// ---- The end of an e-book ----
//
// The resource store is closed by a six-byte trailer: u32 store base, u16 kStoreMarker. An
// unsigned e-book ends with it. A signed one (Authenticode) goes on with the certificate table,
// which the signer appends at the very end of the file after 0 to 7 zero bytes that align it to 8;
// data directory entry 4 of the program's optional header says where that table lies, its
// "address" being a file offset rather than an address in memory.
const uint16_t kStoreMarker = 0x474B;
const uint32_t kStoreTrailerSize = 6;
const uint32_t kMaxSignaturePadding = 7;

// Data directory entry 4 of a program, and where it and the header checksum lie in the file.
struct CertificateEntry {
    uint64_t qwEntryAt = 0;     // file offset of entry 4 (0: the program has no such entry)
    uint64_t qwChecksumAt = 0;  // file offset of the optional header's checksum
    uint32_t dwOffset = 0;      // where the certificate table starts (a file offset)
    uint32_t dwSize = 0;        // its bytes
    bool IsSigned() const { return dwOffset != 0 || dwSize != 0; }
};

// Reads entry 4 from the first bytes of a file (head, size bytes of them). False, with *entry
// cleared, when those bytes are not a PE32 or PE32+ program whose optional header holds entry 4:
// such a file carries no signature.
bool ReadCertificateEntry(const uint8_t* head, size_t size, CertificateEntry* entry);

// Where a file's store trailer lies, found by the one rule every reader and writer follows.
struct StoreTrailerPlace {
    CertificateEntry cert;  // entry 4 of the program the file starts with
    uint64_t qwAt = 0;      // file offset of the trailer (found only)
    uint32_t dwBase = 0;    // the store base it names (found only)
    // Where the file's own data ends: after the trailer when found; else the start of the
    // certificate table of a signed file, or the file's length.
    uint64_t qwDataEnd = 0;
};

enum class TrailerSearch {
    none,       // no store: the file's data does not end in the trailer marker
    found,      // *place says where
    badFormat,  // the certificate entry or the trailer breaks the rule below
};

// Finds the trailer of a file of length bytes whose first bytes are head (headSize of them, as
// many as the file has up to a few KiB); readAt(offset, buffer, count) reads count bytes at an
// offset, and is asked only for bytes inside the file.
//  - Unsigned (entry 4 zero or absent): the trailer is the file's last six bytes, if the marker
//    ends the file.
//  - Signed: the certificate table must have a non-zero offset and size, end exactly at the
//    file's end and start after the program's image; the trailer then ends right before it, or
//    before at most 7 zero bytes. A marker followed by padding that is not zero, or a table that
//    starts inside a store closed at the end of the file, is bad format; no marker there is no
//    store.
//  - Either way a store base inside the program's image is bad format.
TrailerSearch FindStoreTrailer(const uint8_t* head, size_t headSize, uint64_t length,
                               const std::function<void(uint64_t, uint8_t*, size_t)>& readAt,
                               StoreTrailerPlace* place);
