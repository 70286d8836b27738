// The store's text format, apart from files and character sets (so that it also builds natively for the
// fuzzers): a first line "qvhost-store 1", then "key=value" lines in UTF-8, values escaped.
#pragma once

#include <map>
#include <string>

enum { kStoreWhole = 0, kStoreIncomplete = -1, kStoreBadHeader = -2 };

// Reads a whole store text into values (UTF-8 keys and unescaped values). kStoreWhole, kStoreIncomplete
// when the last line has no line feed, kStoreBadHeader, or the number of the first damaged line.
int ParseStoreText(const std::string& text, std::map<std::string, std::string>& values);
// A value as a line holds it: line breaks and backslashes escaped.
std::string EscapeStoreValue(const std::string& s);
