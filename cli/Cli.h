// pagevane-cli: the command line over the same core as the publisher.
//
//   pagevane-cli build SOURCE [-o OUT.exe] [text, file and option flags]
//   pagevane-cli new FOLDER -o PROJECT.ebp [text, file and option flags]
//   pagevane-cli list EBOOK.exe
//   pagevane-cli extract EBOOK.exe -d DIR
//
// Results go to the output stream, messages to the error stream (every message the publisher
// would show in a message box, with exactly its text). Exit status: 0 success, 1 failure,
// 2 wrong usage.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "compiler/StubSource.h"
#include "project/BookProject.h"
#include "project/FirstRunTexts.h"  // SetFirstRunTexts

enum CliExit { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

// Runs one command; args are the words after the program's name, as the system passed them
// (UTF-8 on Linux, the ANSI code page on Windows).
int RunCli(const std::vector<std::string>& args, const CStubSource& stub, std::ostream& out,
           std::ostream& err);

// The current local year.
int CurrentYear();

// The viewer options by the names the command line uses (the field name without "m_b").
struct CliOption {
    const char* pszName;
    int32_t CBookProject::*pField;
};
const std::vector<CliOption>& CliOptions();

// True when a name from an e-book's file table may be written below the extraction folder: not
// empty, not absolute, no drive or stream colon, no control characters, and no component that is
// empty, "." or ".." (or, as Windows reads names, only dots and spaces) or a device name.
bool IsSafeExtractName(const std::string& name);

// Commands reading e-books (CliRead.cpp).
int ListEBook(const std::string& path, std::ostream& out, std::ostream& err);
int ExtractEBook(const std::string& path, const std::string& dir, std::ostream& err);
