// The e-book as the viewer reads it from the resource store at the end of its own file: the
// settings record, the texts, the file table, the page sequence and the splash image.
//
// Items are read on demand through CStoreReader, so a book of tens of thousands of pages opens
// as fast as a small one. Nothing here touches the window system.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "format/BookLayout.h"
#include "format/StoreReader.h"

// One record of the file table.
struct BookFile {
    std::string strName;  // as stored: relative path with forward slashes
    uint32_t dwPage = 0;  // id of the page resource (type 349)
    bool bInSequence = false;
    bool bInSearch = false;
};

// A splash image ready for drawing: a Windows DIB (the bitmap file without its 14-byte file
// header), its header sizes checked against the bytes.
struct SplashImage {
    std::vector<uint8_t> dib;   // info header, colour table or masks, pixels
    uint32_t dwBitsOffset = 0;  // offset of the pixels within dib
    int32_t nWidth = 0;
    int32_t nHeight = 0;  // positive, whatever the row order
};

class CBook {
  public:
    enum class State { closed, open, bare, damaged };
    // Why Open failed, for callers that word their own messages (the command line).
    enum class Problem {
        none,
        noStore,      // no store at the file's end (the viewer on its own, any other program)
        cutShort,     // a program with bytes after its image but no store: cut short
        noBookItems,  // a store holding nothing of a book
        unreadable,   // the file or its store could not be read (GetProblemDetail: the cause)
        badTable,     // the file table is damaged (GetProblemDetail: what is wrong with it)
    };

    CBook();
    ~CBook();

    // Opens the e-book file path (the viewer's own executable) read-only and reads the settings,
    // the texts and the file table. Returns false for a file without a store (State::bare) or
    // with a damaged one (State::damaged); GetErrorText then says what is wrong.
    bool Open(const std::string& path);
    State GetState() const { return m_state; }
    // The path given to Open (a second CBook on it reads the same book from another thread).
    const std::string& GetPath() const { return m_strPath; }
    const std::string& GetErrorText() const { return m_strError; }
    Problem GetProblem() const { return m_problem; }
    const std::string& GetProblemDetail() const { return m_strProblemDetail; }

    // Settings: a record shorter than 76 bytes leaves the missing fields off.
    bool GetSetting(int index) const;
    // Texts, cut at their first zero byte; a missing item is empty.
    const std::string& GetText(BookText id) const;

    const std::vector<BookFile>& Files() const { return m_files; }
    // The record of a file name, compared as Windows compares file names (case-insensitive,
    // either slash); nullptr when there is none.
    const BookFile* FindFile(const std::string& name) const;
    // The record of a name an address gives (NameFromUrl, ResolveLinkFrom): none when the name
    // can be no file (NameNamesNoFile); a name given in UTF-8 (how browsers encode non-ASCII
    // characters) is also tried in the book's 8-bit form.
    const BookFile* FindName(const std::string& name) const;
    // The record an e-book URL addresses (see BookUrl.h), found as FindName finds it.
    const BookFile* FindUrl(const std::string& url) const;

    // The unpacked bytes of a file. Returns false, with a reason in *error, when its page
    // resource is missing or does not unpack.
    bool ReadFile(const BookFile& file, std::vector<uint8_t>* data, std::string* error);
    // The same in two steps: the packed block of a file as the book holds it (the step that
    // reads the book's file), then the unpacking of such a block, which touches no book and so
    // may run on any thread while this book goes on reading.
    bool ReadPackedFile(const BookFile& file, std::vector<uint8_t>* block, std::string* error);
    static bool UnpackFile(const BookFile& file, const std::vector<uint8_t>& block,
                           std::vector<uint8_t>* data, std::string* error);
    // Where a file's packed block lies in the book's file (for CBookFileReader, which reads it
    // through a handle of its own). False when the book holds no block for the file.
    bool GetFileBlock(const BookFile& file, uint64_t* offset, uint32_t* size) const;

    // Indices into Files() of the records in the page sequence, in table order.
    const std::vector<size_t>& Sequence() const { return m_sequence; }
    // The URL of the first page of the sequence, or "" when the sequence is empty.
    std::string HomeUrl() const;
    // Position of the file a URL addresses in the sequence, or -1.
    long SequenceIndexOf(const std::string& url) const;

    // The size of a file's packed block and the length it announces unpacked (-1 when the block
    // is too short to say). False when its page resource is missing. Throws CException when the
    // book's file cannot be read.
    bool GetPackedSizes(const BookFile& file, uint32_t* packed, int64_t* unpacked);
    bool GetSplashSizes(uint32_t* packed, int64_t* unpacked);
    // Unpacks a file piece by piece into sink, so memory stays small whatever its size; the
    // stream must end exactly at the block's end with the announced length. False when its page
    // resource is missing; throws CPackError for damaged bytes, CException for a failed read and
    // whatever sink throws.
    bool UnpackFileTo(const BookFile& file,
                      const std::function<void(const uint8_t* data, uint32_t count)>& sink);

    // The program's certificate table (Authenticode), as the file holds it; empty when the
    // e-book is not signed.
    bool IsSigned() const;
    std::vector<uint8_t> ReadCertificateTable();

    bool HasSplash() const;
    // Reads and checks the splash image. Returns false when there is none or it is not a
    // usable bitmap, is larger than the build packs (kMaxSplashBytes, announced before it is
    // unpacked) or finds no memory (then the viewer simply shows no splash).
    bool ReadSplash(SplashImage* splash);

  private:
    bool Fail(State state, Problem problem, const std::string& detail, const std::string& text);
    const CStoreReader::Item* FindPage(const BookFile& file) const;
    // The sizes GetPackedSizes and GetSplashSizes give, of a block of the store.
    void ItemSizes(const CStoreReader::Item& item, uint32_t* packed, int64_t* unpacked);
    void ReadSettings();
    void ReadTexts();
    bool ReadFileTable();

    State m_state = State::closed;
    std::string m_strError;
    Problem m_problem = Problem::none;
    std::string m_strProblemDetail;
    std::string m_strPath;
    std::unique_ptr<CStoreReader> m_store;
    int32_t m_settings[kSettingCount] = {};
    std::string m_texts[13];
    std::vector<BookFile> m_files;
    std::vector<size_t> m_sequence;
    std::unordered_map<std::string, size_t> m_byName;  // folded name -> index in m_files
};

// Checks a bitmap file's bytes and fills *splash with the DIB after its 14-byte file header.
// Returns false when the headers do not describe the bytes that follow (sizes, bit depth,
// compression, colour table, pixel rows), or describe a picture wider or higher than
// kMaxSplashSide pixels (format/BookLayout.h), which the build refuses.
bool ParseSplashBitmap(const std::vector<uint8_t>& file, SplashImage* splash);
