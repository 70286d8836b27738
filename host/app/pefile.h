// Reads named sections of a PE module file without loading it.
#pragma once

#include <stdint.h>
#include <string>
#include <vector>

// The raw bytes of the section, padded with zeros to its virtual size. False when the file cannot be read,
// is not a PE image or has no such section.
bool ReadPESection(const std::wstring& path, const char* name, std::vector<uint8_t>& bytes);

// The zero-terminated UTF-16LE text starting at offset (empty when offset is outside).
std::wstring TextAt(const std::vector<uint8_t>& bytes, size_t offset);
