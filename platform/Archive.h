// The object archive: the binary encoding shared by the project file and the resource store.
//
// Little-endian integers; counts (u16, or u16 0xFFFF + u32 for 65535 and more); strings with a
// u8, u16 or u32 length before their bytes; and a class tag before every stored object. Class
// tags use one index table, counted from 1 over class descriptions and objects in the order they
// are written, so a later object of a class refers to its class as 0x8000 | index.
//
// All input and output goes through a 4096-byte buffer over a CFile. Failures throw
// CArchiveException (named after the file) or the CFileException of the file underneath. The
// end-of-file error met while reading names no file ("an unnamed file" in its message).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/File.h"

// A class that can be stored in an archive: its name, as written in the class description, and
// its schema number.
struct CArchiveClass {
    const char* pszName;
    uint16_t wSchema;
};

class CArchive {
  public:
    enum Mode { store, load };
    enum : uint32_t { kBufferSize = 4096 };

    // Reads or writes file from its current position. A loading archive notes the file's length
    // once: every length read later is checked against the bytes that remain.
    CArchive(CFile& file, Mode mode);
    // Drops whatever is still buffered (call Close to write it): an archive abandoned because of
    // an error writes nothing more.
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsLoading() const { return m_mode == load; }
    bool IsStoring() const { return m_mode == store; }
    CFile& GetFile() const { return m_file; }
    // The position in the file of the next byte to be read or written.
    uint64_t GetPosition() const { return m_qwBufStart + m_uPos; }

    // ---- Writing. On a loading archive: CArchiveException(readOnly). ----
    void WriteU8(uint8_t v);
    void WriteU16(uint16_t v);
    void WriteU32(uint32_t v);
    void Write(const void* data, uint32_t size);
    void WriteCount(uint32_t count);
    void WriteString(const std::string& text);
    // Writes the tag of a new object of cls: the class description the first time, a reference
    // to it afterwards; counts the object.
    void WriteClassTag(const CArchiveClass& cls);
    // Writes the buffer to the file.
    void Flush();
    // Flushes a storing archive and detaches from the file, which stays open.
    void Close();

    // Bytes a string of that length takes in the archive, and a count of that value.
    static uint64_t StringSize(uint64_t length);
    static uint32_t CountSize(uint32_t count);

    // ---- Reading. On a storing archive: CArchiveException(writeOnly). Data ending early
    // throws CArchiveException(endOfFile) with no file name. ----
    uint8_t ReadU8();
    uint16_t ReadU16();
    uint32_t ReadU32();
    void Read(void* data, uint32_t size);
    uint32_t ReadCount();
    // Reads a string; the wide form (0xFF, 0xFFFE, length, UTF-16LE text) is converted to the
    // ANSI code page. The length is checked against the bytes left before anything is allocated.
    std::string ReadString();
    // Reads the class tag of the next object and returns its class, which must be one of known
    // (a class description names it, or a reference to a class already described).
    //   unknown class name, or a name longer than 63 bytes -> CArchiveException(badClass)
    //   a schema other than the class's                    -> badSchema
    //   a reference to no class, or a plain object number  -> badIndex
    // The object itself is counted in the index table.
    const CArchiveClass& ReadClassTag(const CArchiveClass* const* known, size_t knownCount);
    // As above, and the class must be expected (otherwise badClass).
    void ReadObjectTag(const CArchiveClass& expected, const CArchiveClass* const* known,
                       size_t knownCount);

    // Bytes between the read position and the end of the file.
    uint64_t BytesLeft() const;
    // Throws CArchiveException(endOfFile) unless at least size bytes are left.
    void Require(uint64_t size) const;
    // Skips size bytes without reading them (they must be there: Require is checked).
    void Skip(uint64_t size);

  private:
    [[noreturn]] void ThrowArchive(int cause) const;
    void FillBuffer();
    void FlushBuffer();
    uint32_t ReadIndexTag();

    CFile& m_file;
    Mode m_mode;
    uint8_t m_buf[kBufferSize];
    uint32_t m_uPos = 0;        // next byte of the buffer
    uint32_t m_uEnd = 0;        // valid bytes in the buffer (loading)
    uint64_t m_qwBufStart = 0;  // file offset of m_buf[0]
    uint64_t m_qwLength = 0;    // file length (loading)
    bool m_bClosed = false;

    // The index table: entry i (from 1) is a class description (its class) or an object
    // (nullptr). Entry 0 is unused.
    std::vector<const CArchiveClass*> m_loadTable;
    // Writing: the classes described so far, with their index.
    std::vector<std::pair<const CArchiveClass*, uint32_t>> m_storeClasses;
    uint32_t m_uStoreCount = 0;
};

// UTF-16LE text (units 16-bit code units at bytes) to the ANSI code page. Characters without an
// ANSI form become '?'. The Windows half uses the system's code page, the other Windows-1252.
std::string AnsiFromUtf16Le(const uint8_t* bytes, size_t units);
