// A GNU gettext MO catalog held in memory.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <map>
#include <string>

class MoCatalog {
public:
    // Parses an MO file image (either byte order). False, and an empty catalog, when it is malformed.
    bool Parse(const uint8_t* data, size_t size);
    // The translation of an English message id, or null when the catalog has none.
    const std::wstring* Find(const std::wstring& id) const;
    size_t Size() const { return m_entries.size(); }

private:
    std::map<std::wstring, std::wstring> m_entries;
};

std::wstring Utf8ToWide(const char* text, size_t length);
