#include "daqbuffers.h"

#include <string.h>

namespace {
bool TooSmall(int32_t status) {
    return status == kDaqErrorBufferTooSmallForString || status == kDaqErrorReadBufferTooSmall ||
           status == kDaqErrorWriteBufferTooSmall || status == kDaqWarningStringTruncated;
}

// The size dance shared by strings and arrays. On success buffer holds size elements, the last one spare
// (always zero), so that a string is terminated whatever the library wrote.
template <class T>
int32_t ReadSized(const std::function<int32_t(T*, uint32_t)>& query, std::vector<T>& buffer, uint32_t& size,
                  int32_t giveUp) {
    uint32_t asked = 0; // the size of the last too-small answer
    for (int attempt = 0; attempt < kDaqReadAttempts; ++attempt) {
        int32_t needed = query(nullptr, 0);
        if (needed < 0) return needed;
        size = static_cast<uint32_t>(needed);
        if (size == 0) return 0;
        // A library that answered too small for the size it named is given room to grow.
        if (asked && size <= asked) size = asked * 2;
        for (int retry = 0; retry < kDaqReadAttempts && size <= kDaqMaxElements; ++retry) {
            buffer.assign(size + 1, T());
            int32_t status = query(buffer.data(), size);
            if (TooSmall(status)) break; // the answer grew: ask its size again
            if (status > 0 && static_cast<uint32_t>(status) > size) {
                size = static_cast<uint32_t>(status); // the size it needs, told instead of an error
                continue;
            }
            if (status < 0) return status;
            return 0; // zero, or a warning about something else
        }
        if (size > kDaqMaxElements) return giveUp;
        asked = size;
    }
    return giveUp;
}
} // namespace

int32_t ReadDaqString(const std::function<int32_t(char*, uint32_t)>& query, std::string& text) {
    std::vector<char> buffer;
    uint32_t size = 0;
    text.clear();
    int32_t status = ReadSized(query, buffer, size, kDaqErrorBufferTooSmallForString);
    if (status == 0 && size > 0) text.assign(buffer.data(), strnlen(buffer.data(), size));
    return status;
}

int32_t ReadDaqArray(const std::function<int32_t(double*, uint32_t)>& query, std::vector<double>& values) {
    std::vector<double> buffer;
    uint32_t size = 0;
    values.clear();
    int32_t status = ReadSized(query, buffer, size, kDaqErrorWriteBufferTooSmall);
    if (status == 0 && size > 0) values.assign(buffer.begin(), buffer.begin() + size);
    return status;
}

std::vector<std::string> SplitDaqList(const std::string& list) {
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        size_t first = list.find_first_not_of(" \t", start);
        size_t last = list.find_last_not_of(" \t", comma ? comma - 1 : 0);
        if (first != std::string::npos && first < comma && last != std::string::npos && last >= first)
            items.push_back(list.substr(first, last - first + 1));
        start = comma + 1;
    }
    return items;
}
