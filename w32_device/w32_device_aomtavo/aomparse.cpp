#include "aomparse.h"

#include <stdio.h>
#include <string.h>

bool AOMAddReplyByte(char* line, int& length, char c) {
    if (c == '\r') return false; // the next byte takes its place
    line[length++] = c;
    return c == '\n';
}

bool AOMParseNumberReply(const char* reply, const char* format, uint32_t* value) {
    int number = 0;
    if (sscanf(reply, format, &number) != 1) return false;
    if (value) *value = static_cast<uint32_t>(number);
    return true;
}

bool AOMParseVersionReply(const char* reply, char* version, size_t capacity) {
    if (strncmp(reply, "aVER", 4) != 0) return false;
    // A version longer than the caller's buffer is cut, never written past its end.
    if (version && capacity > 0) snprintf(version, capacity, "%s", reply + 4);
    return true;
}

bool AOMIsAcknowledgement(const char* reply, const char* acknowledgement) {
    return strncmp(reply, acknowledgement, strlen(acknowledgement)) == 0;
}

namespace {
// By hand: the C library's wide functions assume its own wchar_t, which a native build does not share.
bool StartsWith(const wchar_t* text, const wchar_t* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (*text != *prefix) return false;
    return true;
}
} // namespace

bool AOMFindKeyValue(const wchar_t* text, const wchar_t* key, const wchar_t** value, size_t* length) {
    if (!text || !key || !*text || !*key) return false;
    size_t keyLength = 0;
    while (key[keyLength])
        ++keyLength;
    // The first occurrence decides, wherever it stands; it must be followed by "=".
    const wchar_t* hit = text;
    while (*hit && !StartsWith(hit, key))
        ++hit;
    if (!*hit || hit[keyLength] != L'=') return false;
    const wchar_t* start = hit + keyLength + 1;
    const wchar_t* end = start;
    while (*end && *end != L';')
        ++end;
    *value = start;
    *length = static_cast<size_t>(end - start);
    return true;
}

int AOMSplitListItems(char* text, const char** items, int capacity, const char* filter, int& leftOut) {
    int taken = 0;
    leftOut = 0;
    char* item = text;
    for (;;) {
        char* comma = strchr(item, ',');
        char* next = nullptr;
        if (comma) {
            *comma = 0;
            // The library separates with ", "; a bare comma at the end must not move past the terminator.
            next = comma + 1;
            if (*next == ' ') ++next;
        }
        if (!filter || strstr(item, filter)) {
            if (taken < capacity)
                items[taken++] = item;
            else
                ++leftOut;
        }
        if (!comma) break;
        item = next;
    }
    return taken;
}
