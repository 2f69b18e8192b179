// The pieces of the NTFS name order (platform/Folder.h), for the Linux folder listing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The upper-case form of a code point as NTFS upper-cases names (simple one-to-one mapping; the
// Latin, Greek and Cyrillic letters are covered).
uint32_t NtfsUpcase(uint32_t codePoint);

// The sort key of a UTF-8 name: its upper-cased UTF-16 code units. Keys compare ordinally
// (lexicographically, shorter prefix first).
std::vector<uint16_t> NtfsSortKey(const std::string& utf8Name);

// Decodes UTF-8; a byte that does not start a valid sequence stands for itself (Latin-1), so that
// any name, even one that is not valid UTF-8, decodes.
std::vector<uint32_t> DecodeUtf8Lenient(const std::string& utf8);
