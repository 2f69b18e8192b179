// The e-book build: turns the book project into one stand-alone executable.
//
// The output file is the viewer program's bytes, then the resource store (every included page
// file packed under type 349, id = position in the page list + 1; the file table, the settings
// record, the splash image, the six texts and the book marker under type 350), then the store's
// trailer; last, the custom icon (if any) replaces the viewer's icon in place.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "format/BookLayout.h"
#include "compiler/StubSource.h"
#include "platform/Ui.h"
#include "project/BookProject.h"

// Page numbers (the ids of page resources) are 16-bit.
const size_t kMaxPageEntries = 65535;
// The resource store's offsets are signed 32-bit: an e-book stays below 2 GiB.
const uint64_t kMaxEBookSize = 0x7FFFFFFFu;

// Files longer than this are packed in chunks as they are read (CBlockPacker::PackStream), so
// that a build's memory does not grow with its longest page; the block is the same either way.
const uint64_t kStreamPackLength = 16u << 20;

// How a build runs. maxEBookSize is for tests, which cannot afford 2 GiB files. packThreads: how
// many threads read and pack the pages (0 = DefaultPackThreads(), 1 = all on the calling thread,
// at most kMaxPackThreads); the e-book's bytes and the failure reported are the same for every
// number. streamPackLength is for tests too, which cannot afford 16 MiB pages everywhere; when
// streamedFiles is given, it counts the files packed in chunks.
struct BuildOptions {
    uint64_t maxEBookSize = kMaxEBookSize;
    unsigned packThreads = 0;
    uint64_t streamPackLength = kStreamPackLength;
    std::atomic<size_t>* streamedFiles = nullptr;
};

// Builds the e-book out (a non-empty path; the project's own m_strEBookFile is not read) from the
// stub's bytes and the project, under the wait cursor. The e-book is written to a new temporary
// file in the output's folder and moved onto the output only when it is complete, so a failed build
// leaves the file that was at that path untouched and no temporary file behind. An output that is a
// link is followed: the file it leads to is replaced. Returns nonzero when the e-book was
// written and the icon step succeeded, 0 after the failure was shown through ui:
//  - the output is the project file, the splash, the icon or an included page (the same file,
//    however it is named): "Cannot save E-Book file:" and which one; refused before anything is
//    written. A page that is the very e-book being rebuilt (one made inside its own folder) is
//    left out of the build instead;
//  - the output cannot be replaced (read-only, held open elsewhere) or the temporary file cannot
//    be created, written or moved into place: "Cannot save E-Book file:" and the error;
//  - a page file, the splash file or the store fails: "Cannot read file " + that path and the
//    error;
//  - more than kMaxPageEntries page entries: refused before anything is written;
//  - a page or splash file longer than kMaxFileLength (before it is read), or an e-book that
//    would reach 2 GiB: refused;
//  - a splash picture larger than the viewer shows (SplashSizeProblem: its length or its pixel
//    dimensions): "Cannot read file " + its path and the limit, before anything is packed;
//  - the icon step: its own messages; the e-book is still moved into place.
// Messages name the output, never the temporary file. Only reads the project. Every thread has
// ended when this returns or throws.
int BuildEBook(const CBookProject& project, const std::string& out, Ui& ui, const CStubSource& stub,
               const BuildOptions& options = BuildOptions());

// The bytes of the interface settings record (76 bytes: 19 little-endian int32).
std::vector<uint8_t> MakeSettingsRecord(const CBookProject& project);

// Why the splash picture at path is larger than the viewer shows (SplashSizeProblem on its length
// and header), "" when it is not. Throws CFileException when it cannot be read.
std::string SplashFileProblem(const std::string& path);

// The message shown when the project holds too many page entries.
std::string TooManyPagesMessage(size_t count);
