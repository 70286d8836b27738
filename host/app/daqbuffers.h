// Reading NI-DAQmx's variable-size answers (device lists, channel lists, ranges) as NI's own clients do:
// ask for the size with a null buffer, read, and ask again when the answer grew in between. Kept free of
// Win32 so that it is tested with scripted answers.
#pragma once

#include <functional>
#include <stdint.h>
#include <string>
#include <vector>

// The library's answers to a buffer that is too small: errors for strings, reads and arrays, and the
// warning of a string cut to fit.
const int32_t kDaqErrorBufferTooSmallForString = -200228;
const int32_t kDaqErrorReadBufferTooSmall = -200229;
const int32_t kDaqErrorWriteBufferTooSmall = -200234;
const int32_t kDaqWarningStringTruncated = 200026;

// Tries before giving up on an answer that keeps growing, and the largest answer taken.
const int kDaqReadAttempts = 4;
const uint32_t kDaqMaxElements = 1u << 20;

// query(buffer, size) is one library call with its other arguments bound; size counts elements (bytes
// with the NUL for strings). Returns 0, or the library's negative status (a too-small answer after every
// attempt, or an answer larger than kDaqMaxElements, gives kDaqErrorBufferTooSmallForString for strings
// and kDaqErrorWriteBufferTooSmall for arrays).
int32_t ReadDaqString(const std::function<int32_t(char*, uint32_t)>& query, std::string& text);
int32_t ReadDaqArray(const std::function<int32_t(double*, uint32_t)>& query, std::vector<double>& values);

// The items of one of the library's lists ("Dev1, Dev2"): split at commas, blanks around items dropped.
std::vector<std::string> SplitDaqList(const std::string& list);
