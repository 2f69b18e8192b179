// Custom icon replacement: the last step of an e-book build.
//
// The viewer program's application icon (group icon 128, its entry of width 32) is overwritten in
// place, inside the output executable's own resource section, by the image of the same width,
// height, colour count and byte size taken from the author's .ico file. Nothing in the file
// moves: no header, directory entry, size or offset changes, and the resource store appended
// after the executable image is untouched.
//
// Every offset and size read from the executable or from the .ico file is checked against the
// file's length (and, for the image written, against the resource section and the image's own
// data entry) before it is used: a damaged or crafted file makes these functions return false,
// never read or write outside the bytes it describes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/Ui.h"

// Where the executable's resource section lies.
struct ResourceSection {
    uint32_t dwOffset = 0;   // file offset of its raw data (PointerToRawData)
    uint32_t dwRva = 0;      // its VirtualAddress
    uint32_t dwRawSize = 0;  // SizeOfRawData
};

// The 14-byte entry of a group icon directory (the stub's icon that the custom icon replaces).
struct IconDirEntry {
    uint8_t bWidth = 0;
    uint8_t bHeight = 0;
    uint8_t bColorCount = 0;
    uint8_t bReserved = 0;
    uint16_t wPlanes = 0;
    uint16_t wBitCount = 0;
    uint32_t dwBytesInRes = 0;
    uint16_t nID = 0;
};

// What the icon step found in the e-book, as far as it got.
struct IconStepValues {
    uint32_t dwRsrcOffset = 0;   // file offset of the resource section
    uint32_t dwRsrcRva = 0;      // its VirtualAddress
    IconDirEntry stubIconEntry;  // the stub's entry that the custom icon replaces
};

// Replaces the icon of the e-book ebookFile by the matching image of the .ico file iconFile.
// Returns true at once (opening nothing) when no custom icon is set, and true when the image was
// written. Returns false after showing the reason: a file error through ReportError with
// "File error with " and the file's name, or the "Invalid or unsuitable .ico file..." message.
// An output that is not a PE32 (i386) or PE32+ (x86-64) executable with a ".rsrc" section holding
// group icon 128 with an entry of width 32 gives false after a "Cannot replace icon of ..."
// message that names the file and the reason. *values, when given, receives what the step found.
// A signed e-book whose icon was replaced loses its signature (CutSignature), which would no
// longer cover its bytes.
bool ReplaceIcon(const std::string& ebookFile, const std::string& iconFile, Ui& ui,
                 IconStepValues* values = nullptr);

// Reads the DOS and PE headers and the section table of an open executable and finds the first
// section named ".rsrc". False when the file is neither a PE32 i386 nor a PE32+ x86-64 image, has
// no such section or when a header lies outside the file. Throws CFileException when the file
// cannot be read.
bool LocateResourceSection(CFile& file, ResourceSection* section);

// Walks the resource tree to group icon 128 (first language) and copies the last entry of width
// 32 of its directory into *entry. False when any step finds nothing or points outside the file.
// Throws CFileException when the file cannot be read.
bool FindStubIconEntry(CFile& file, const ResourceSection& section, IconDirEntry* entry);

// Picks the first image of the .ico bytes whose width, height, colour count and byte size equal
// the stub's entry, finds icon resource entry.nID (exactly one language) in the executable and
// writes the image over that resource's data in one write. False when the .ico holds no such
// image, is too short, or the executable's icon resource cannot be found or cannot take the
// image (it would reach outside its data entry or the resource section). Throws CFileException
// when the file cannot be read or written.
bool WriteIconImage(CFile& file, const ResourceSection& section, const IconDirEntry& entry,
                    const std::vector<uint8_t>& ico);

// The message shown when the .ico file has no usable image.
extern const char kInvalidIconMessage[];
