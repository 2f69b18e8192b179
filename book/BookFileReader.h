// One file of an e-book unpacked as it is read, for answers too large to hold whole (a video the
// reader seeks in): memory stays at two small buffers whatever the file's size.
//
// The reader opens the book's file a second time, so it needs nothing of the CBook it was made
// from once constructed: it may be handed to another thread (the page engine's, the server's)
// while the book goes on answering other requests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/File.h"

class CBook;
struct BookFile;

class CBookFileReader {
  public:
    // Opens the packed block of file. Throws CFileException when the book's file cannot be
    // opened or read, CPackError when the book holds no block for the file or the block is
    // shorter than its header.
    CBookFileReader(const CBook& book, const BookFile& file);
    ~CBookFileReader();
    CBookFileReader(const CBookFileReader&) = delete;
    CBookFileReader& operator=(const CBookFileReader&) = delete;

    // The unpacked length the block announces.
    uint32_t Length() const { return m_length; }
    // Bytes handed out or skipped so far.
    uint64_t Position() const { return m_position; }

    // Unpacks and drops count bytes (to reach the start of a range); fewer when the file ends.
    void Skip(uint64_t count);
    // Goes back to the file's first byte (a reader of the stream may rewind it): the stream is
    // unpacked again from its start. Throws CPackError when the unpacker cannot be reset.
    void Rewind();
    // Unpacks up to count bytes into buffer; returns how many, 0 only at the end of the file.
    // Throws CPackError when the stream is damaged (not a zlib stream, longer or shorter than
    // announced, bytes after its end), CFileException when the book's file cannot be read.
    size_t Read(void* buffer, size_t count);

  private:
    struct Inflater;
    CFile m_file;
    uint64_t m_blockOffset = 0;  // file offset of the packed block
    uint32_t m_blockSize = 0;
    uint32_t m_consumed = 0;  // bytes of the block read from the file
    uint32_t m_length = 0;
    uint64_t m_position = 0;
    bool m_ended = false;
    std::unique_ptr<Inflater> m_inflater;
};
