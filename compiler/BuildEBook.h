// The e-book build: turns the book project into one stand-alone executable.
//
// The output file is the viewer program's bytes, then the resource store (every included page
// file packed under type 349, id = position in the page list + 1; the file table, the settings
// record, the splash image, the six texts and the book marker under type 350), then the store's
// trailer; last, the custom icon (if any) replaces the viewer's icon in place.
#pragma once

#include <cstdint>
#include <vector>

#include "compiler/StubSource.h"
#include "platform/Ui.h"
#include "project/BookProject.h"

// Resource types and ids of an e-book.
enum : unsigned {
    kPageResourceType = 349,
    kBookResourceType = 350,
    kFileTableId = 2,
    kSettingsId = 3,
    kTitleId = 6,
    kAuthorId = 7,
    kCopyrightId = 8,
    kUrlId = 9,
    kEMailId = 10,
    kAboutInfoId = 12,
    kBookMarkerId = 14,
    kSplashId = 15,
};

// Page numbers (the ids of page resources) are 16-bit.
const size_t kMaxPageEntries = 65535;
// The resource store's offsets are signed 32-bit: an e-book stays below 2 GiB.
const uint64_t kMaxEBookSize = 0x7FFFFFFFu;

// Builds project.m_strEBookFile (which the caller has made non-empty) from the stub's bytes and
// the project, under the wait cursor. Returns nonzero when the e-book was written and the icon
// step succeeded, 0 after the failure was shown through ui:
//  - the output cannot be created or written: "Cannot save E-Book file:" and the error; the
//    output is not deleted;
//  - a page file, the splash file or the store fails: "Cannot read file " + that path and the
//    error; the half-built output is deleted;
//  - more than kMaxPageEntries page entries: refused before anything is written;
//  - a page file of 4 GiB or more, or an e-book that would reach 2 GiB: refused; the output is
//    deleted;
//  - the icon step: its own messages; the output stays.
// Reads the project only (and the icon step's working values). maxEBookSize is for tests, which
// cannot afford 2 GiB files.
// packThreads: how many threads read and pack the pages (0 = DefaultPackThreads(), 1 = all on
// the calling thread, at most kMaxPackThreads); the e-book's bytes and the failure reported are
// the same for every number. Every thread has ended when this returns or throws.
int BuildEBook(CBookProject& project, Ui& ui, const CStubSource& stub,
               uint64_t maxEBookSize = kMaxEBookSize, unsigned packThreads = 0);

// The bytes of the interface settings record (76 bytes: 19 little-endian int32).
std::vector<uint8_t> MakeSettingsRecord(const CBookProject& project);

// The message shown when the project holds too many page entries.
std::string TooManyPagesMessage(size_t count);
