// The nine values the publisher remembers between runs (the last paths and the author's
// details), and the application name that keys them.
//
// They live in the profile under the section "Options"; on Windows that is the registry key
// HKEY_CURRENT_USER\Software\Tessaly\<application name>\Options, one string value each.
#pragma once

#include <string>

#include "platform/Profile.h"
#include "project/BookProject.h"

extern const char kProfileCompany[];  // "Tessaly"
extern const char kProfileSection[];  // "Options"

// One remembered value: its name in the profile and the project field it fills.
struct RememberedValue {
    const char* pszEntry;
    std::string CBookProject::*pField;
};

// The nine values in the order they are read at start and written at exit: LastProject,
// LastProjectFile, LastIcon, LastSplash, LastEBook, LastAuthor, LastCopyright, LastUrl,
// LastEMail.
const RememberedValue* RememberedValues(size_t* count);

// Reads the nine values into the project in that order. A value that is absent or cannot be
// read gives its default: empty for the five paths, the first-run texts of
// project/FirstRunTexts.h for the other four (the copyright with year). An existing empty value
// stays empty.
void ReadRememberedSettings(Profile& profile, CBookProject& project, int year);

// Writes the nine values from the project fields, in the same order; empty fields are written
// as empty values. Failures are the profile's to ignore.
void WriteRememberedSettings(Profile& profile, const CBookProject& project);

// The application name from the program file's full path: the file name without its
// extension ("C:\Tools\maker.exe" gives "maker"). Backslash, slash and colon all end a folder.
std::string AppNameFromModulePath(const std::string& modulePath);
