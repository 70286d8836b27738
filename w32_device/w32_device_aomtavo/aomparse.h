// Parsing of what reaches the module from outside: the unit's reply lines, settings texts and NI-DAQmx
// lists. Free of Win32 and of the C library's wide functions, so that it also builds natively (with
// 16-bit wide characters, as on Windows) for the fuzzers under fuzz/.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Adds one byte read from the unit to a reply line of length characters: a carriage return is dropped, a
// line feed is kept and ends the line (true). The caller keeps length below its room and ends the text.
bool AOMAddReplyByte(char* line, int& length, char c);
// "<prefix><number>" with sscanf's "%d" after the prefix: false unless one number converts; value may be
// null.
bool AOMParseNumberReply(const char* reply, const char* format, uint32_t* value);
// "aVER<text>": the text, cut to capacity and always ended; false without the prefix. version may be null.
bool AOMParseVersionReply(const char* reply, char* version, size_t capacity);
// Whether the reply begins with the acknowledgement.
bool AOMIsAcknowledgement(const char* reply, const char* acknowledgement);

// Settings texts "key=value;": the value after the first occurrence of key, which must be followed by
// "=", up to the next ";" or the end. False when the key is not there.
bool AOMFindKeyValue(const wchar_t* text, const wchar_t* key, const wchar_t** value, size_t* length);

// A ", "-separated NI-DAQmx list, split in place: the items containing filter (all without one) go into
// items, at most capacity of them; returns how many were taken, and in leftOut how many did not fit.
int AOMSplitListItems(char* text, const char** items, int capacity, const char* filter, int& leftOut);
