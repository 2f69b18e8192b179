// pagevane-cli: the command line over the same core as the publisher.
//
//   pagevane-cli build SOURCE [-o OUT.exe] [text, file and option flags] [--sign ...]
//   pagevane-cli new FOLDER -o PROJECT.ebp [text, file and option flags]
//   pagevane-cli list [--contents] EBOOK.exe
//   pagevane-cli extract EBOOK.exe -d DIR
//   pagevane-cli check FOLDER|PROJECT.ebp|EBOOK.exe   (see CliCheck.h)
//   pagevane-cli sign EBOOK.exe --cert FILE --key FILE [...]   (see CliSign.h)
//   pagevane-cli read EBOOK.exe [--port N] [--no-open]   (CliServe.cpp)
//   pagevane-cli --version
//
// Results go to the output stream, messages to the error stream (every message the publisher
// would show in a message box, with exactly its text). Exit status: 0 success, 1 failure,
// 2 wrong usage.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "compiler/StubSource.h"
#include "project/BookProject.h"
#include "project/FirstRunTexts.h"  // SetFirstRunTexts

enum CliExit { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

// Runs one command; args are the words after the program's name, as the system passed them
// (UTF-8 on Linux, the ANSI code page on Windows). errIsTerminal: err is a terminal, so build
// and extract show a line of progress there. When what goes to out cannot be written, the
// command fails (exit status 1) with a message on err.
int RunCli(const std::vector<std::string>& args, const CStubSource& stub, std::ostream& out,
           std::ostream& err, bool errIsTerminal = false);

class CConsoleUi;
// For a book made from a folder: moves the folder's own index.html, index.htm, default.htm or
// default.html (the first of these names present, ignoring case) to the front of the page
// list and says so through ui. Returns its name, or "" when the folder has none (nothing moves).
std::string ChooseFolderHome(CBookProject& project, CConsoleUi& ui);
// A folder path without the separators at its end (the root keeps its own).
std::string TrimmedFolder(const std::string& folder);

// The current local year.
int CurrentYear();

// Commands reading e-books (CliRead.cpp).
class CBook;
// Opens the e-book through the reading layer, as the viewer does. Returns false after a message
// on err naming the file and the cause.
bool OpenEBook(const std::string& path, CBook& book, std::ostream& err);
int ListEBook(const std::string& path, std::ostream& out, std::ostream& err);
// The book's table of contents as the viewer finds it (book/BookContents.h): a line naming where
// it was found, then one entry a line.
int ListContents(const std::string& path, std::ostream& out, std::ostream& err);
// progress, when given, hears after every file: files done of total, packed bytes read.
int ExtractEBook(const std::string& path, const std::string& dir, std::ostream& err,
                 const std::function<void(size_t, size_t, uint64_t)>& progress = nullptr);

// pagevane-cli read (CliServe.cpp): serves the e-book to the reader's browser until SIGINT or
// SIGTERM. port 0: a free one. openBrowser: hand the address to the system's browser opener.
// The address goes to out, alone on its line; quiet leaves only errors on err.
int ReadEBook(const std::string& path, uint16_t port, bool openBrowser, bool quiet,
              std::ostream& out, std::ostream& err);
