// The resource store appended to an e-book: numbered byte items under numbered types, written
// after the last byte of an existing file and closed by a six-byte trailer (u32 store base,
// u16 0x474B) through which a reader finds it from the end of the file.
//
// Public interface (the store code may add private members and helper classes):
//
//   CResourceUpdater updater;
//   updater.Open(path, false);            // reads an existing store, or starts one at the end
//   updater.Update(349, 1, data, size);   // adds or replaces; size 0 removes
//   updater.Commit();                     // writes store + trailer at the base, cuts the file
//   updater.Close();                      // or destruction
//
// Open throws CFileException (cannot open, file shorter than 6 bytes: badSeek) and
// CArchiveException (a store that does not decode). Commit throws CFileException.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>

#include "format/BookLayout.h"
#include "platform/Archive.h"
#include "platform/File.h"

// A store item: numbered bytes. Its record is u16 id, u32 size, then the bytes.
class CUpdateElem {
  public:
    explicit CUpdateElem(uint16_t id = 0) : m_wId(id) {}
    virtual ~CUpdateElem();
    CUpdateElem(const CUpdateElem&) = delete;
    CUpdateElem& operator=(const CUpdateElem&) = delete;

    virtual const CArchiveClass& GetRuntimeClass() const;
    // Writes the object's record (the class tag before it is written by its directory).
    virtual void Serialize(CArchive& ar) const;

    // Replaces the bytes with a copy of size bytes at data (none when size is 0).
    void SetData(const void* data, uint32_t size);
    // Takes over a buffer of size bytes allocated with new[].
    void AdoptData(std::unique_ptr<uint8_t[]> data, uint32_t size);

    uint16_t m_wId;
    std::unique_ptr<uint8_t[]> m_pData;
    uint32_t m_dwSize = 0;
};

// A directory: an ordered list of owned children, found by id through a hash index. Its record
// is u16 id, the count of children, then each child's class tag and record.
class CUpdateDir : public CUpdateElem {
  public:
    using List = std::list<std::unique_ptr<CUpdateElem>>;

    explicit CUpdateDir(uint16_t id = 0) : CUpdateElem(id) {}
    ~CUpdateDir() override;

    const CArchiveClass& GetRuntimeClass() const override;
    void Serialize(CArchive& ar) const override;

    // The first child of that id, or nullptr. O(1) on average.
    CUpdateElem* Find(uint16_t id) const;
    // Appends at the tail.
    void Append(std::unique_ptr<CUpdateElem> child);
    // Unlinks and destroys a child of this directory.
    void Remove(CUpdateElem* child);
    void RemoveAll();

    size_t GetCount() const { return m_children.size(); }
    const List& Children() const { return m_children; }

  private:
    List m_children;
    std::unordered_map<uint16_t, List::iterator> m_index;  // id -> first child of that id
    bool m_bDuplicates = false;                            // a loaded store may hold one id twice
};

// The updater's file: a CFile that can also seek from the store base.
class COffsetFile : public CFile {
  public:
    enum { fromStoreBase = 3 };
    // Origin fromStoreBase moves to store base + offset; the others behave as in CFile.
    uint64_t Seek(int64_t offset, int from) override;

    uint64_t m_qwStoreBase = 0;
};

class CResourceUpdater {
  public:
    CResourceUpdater();
    ~CResourceUpdater();  // Close, then the tree is destroyed; the file is not committed
    CResourceUpdater(const CResourceUpdater&) = delete;
    CResourceUpdater& operator=(const CResourceUpdater&) = delete;

    // Opens path: readOnly shares reading and writing with everybody; otherwise the file is
    // opened for reading and writing, not shared. A file that ends in the trailer marker has
    // its store loaded (items appended to the tree); any other file gets its store at its end.
    // Throws CFileException (cannot open; shorter than 6 bytes: badSeek) or CArchiveException
    // naming the file (bad class, bad schema, bad index, end of file); after a failure the
    // updater holds no file. Only reads the file.
    void Open(const std::string& path, bool readOnly);

    // Adds or replaces item id of type (the low 16 bits of each count), copying size bytes
    // from data; size 0 removes the item, and its type when that becomes empty. A replaced item
    // keeps its place; a new item goes last in its type, a new type last in the store. Works on
    // the tree alone: nothing is written.
    void Update(int type, int id, const void* data, uint32_t size);

    // Writes the store and its trailer at the store base and cuts the file after them; the file
    // stays open. A signed file becomes unsigned: its certificate table is cut off with the rest
    // and its entry 4 and header checksum are cleared. Throws CFileException: no file open
    // (invalidFile), writing fails, or the store would make the file 2 GiB or larger (badSeek,
    // raised before anything is written, since the store's offsets are 32-bit signed file positions
    // for its readers).
    void Commit();

    // Closes the file, if one is open. Harmless otherwise.
    void Close();

  private:
    friend struct ResourceUpdaterAccess;  // lets tests and fuzzers walk the tree

    void LoadStore();

    std::string m_strPath;
    std::unique_ptr<COffsetFile> m_pFile;
    CUpdateDir m_root;
    CertificateEntry m_cert;  // entry 4 of the file opened: cleared by Commit when signed
};
