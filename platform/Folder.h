// Listing the entries of one folder.
//
// EnumerateFolder calls back once per entry of a folder, in the order the file system gives
// them, so that a scan sees names exactly as the system's own file search does:
//
// - Windows: the system's file search (FindFirstFileW / FindNextFileW) on "<folder>\*.*", each
//   name converted to the ANSI code page without best-fit substitutes; hidden =
//   FILE_ATTRIBUTE_HIDDEN; the order is the file system's (NTFS sorts by upper-cased name).
// - Elsewhere: opendir / readdir; hidden = the name begins with "."; the names are sorted in the
//   NTFS order (ordinal comparison of the upper-cased names as UTF-16 code units, which is also
//   the order Wine returns), so that a book made on Linux lists its pages as one made on Windows
//   from the same folder. Names on disk are UTF-8 and are handed over in Windows-1252.
//
// Names that have no ANSI form. A name that cannot be written in the ANSI code page is never
// dropped silently nor handed over as if it were usable: its entry comes with bNoAnsiName set,
// strName holding the name for showing to people, with "?" for each character that has no ANSI
// form, and strNativeName the name as the system gave it, in UTF-8. Such a file could
// not be opened again through an ANSI path, so callers leave it out and tell the user (the folder
// scan lists it in its report, see project/Scan.h). A name Linux holds but Windows could not open
// as the file it names (one holding a backslash, which separates folders in every path the
// program forms, or a colon, or "con.htm") comes as it is: callers that form paths check names
// with NameComponentProblem (platform/ContainedName.h).
//
// Names that differ only in case (Linux) come in NTFS order like the rest; among themselves in
// byte order, so that every listing of one folder is the same.
//
// Symbolic links on Linux are followed, except a link to a folder that is the listed folder or
// one of its parents: following it would scan the same tree again and again, so it is left out.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Exceptions.h"
#include "platform/File.h"

struct FolderEntry {
    std::string strName;        // ANSI name (only for showing when bNoAnsiName)
    bool bFolder = false;       // a folder (or a link to one), else a file
    bool bHidden = false;       // the hidden attribute (Linux: a name beginning with ".")
    bool bNoAnsiName = false;   // the name has no form in the ANSI code page
    std::string strNativeName;  // the name as the system gave it, UTF-8
    uint64_t qwLength = 0;      // a file's length in bytes (Linux: a link's target's)
    // For a folder on Linux (links followed): its device and inode, so that a scan reaching one
    // folder by several links reads it once. Not filled on Windows.
    bool bHasIdentity = false;
    FileIdentity identity;
};

using FolderCallback = std::function<void(const FolderEntry&)>;

// Calls onEntry for each entry of the folder folderPath (ANSI; a trailing backslash is optional,
// "C:\" names the root of a drive), in the order described above. "." and ".." are not reported.
// Returns false, having called nothing, when the folder cannot be searched (missing, not a
// folder, no access); an empty folder returns true.
bool EnumerateFolder(const std::string& folderPath, const FolderCallback& onEntry);

// Why the folder folderPath cannot be listed, as the file error the system reports when it is
// tried again (for a message naming the folder and the cause).
CFileException FolderListError(const std::string& folderPath);

// Of two names of one folder that are equal ignoring case (AnsiEqualNoCase; "A.htm" and "a.htm"
// can live side by side on Linux), true when ansiA is the one a path naming it in another case
// opens: the name that is its own lower-case form, else the first in byte order. Opening a file
// whose name does not exist as written (platform/File.h) resolves each part of the path by this
// rule, and the folder scan takes in this one of such names and reports the others, so that the
// bytes of a page always come from the file its entry was made from.
bool OpensBeforeCaseTwin(const std::string& ansiA, const std::string& ansiB);

// The NTFS ordering of two names given in UTF-8: <0, 0 or >0. Invalid UTF-8 bytes count as the
// code points of the same value (Latin-1), so every name has a place. Exposed for tests.
int CompareNtfsOrder(const std::string& utf8A, const std::string& utf8B);
