#include "mocatalog.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {
const uint32_t kMagic = 0x950412de;
const uint32_t kMagicSwapped = 0xde120495;

struct Reader {
    const uint8_t* data;
    size_t size;
    bool swap;
    bool Word(size_t offset, uint32_t& value) const {
        if (offset > size || size - offset < 4) return false;
        uint32_t v = static_cast<uint32_t>(data[offset]) | static_cast<uint32_t>(data[offset + 1]) << 8 |
                     static_cast<uint32_t>(data[offset + 2]) << 16 |
                     static_cast<uint32_t>(data[offset + 3]) << 24;
        value = swap ? (v >> 24 | (v >> 8 & 0xff00) | (v << 8 & 0xff0000) | v << 24) : v;
        return true;
    }
    // A string table entry: length, then offset; the text must lie inside the image.
    bool Text(size_t table, uint32_t index, const char*& text, uint32_t& length) const {
        uint32_t offset;
        if (!Word(table + 8u * index, length) || !Word(table + 8u * index + 4, offset)) return false;
        if (offset > size || size - offset < length) return false;
        text = reinterpret_cast<const char*>(data + offset);
        return true;
    }
};
} // namespace

std::wstring Utf8ToWide(const char* text, size_t length) {
    if (length == 0) return std::wstring();
#ifdef _WIN32
    int n = MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(length), &w[0], n);
    return w;
#else
    // The native (fuzzing) build: the same decoding by hand, a bad sequence giving U+FFFD.
    std::wstring w;
    for (size_t i = 0; i < length;) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        int more = c < 0x80             ? 0
                   : (c & 0xE0) == 0xC0 ? 1
                   : (c & 0xF0) == 0xE0 ? 2
                   : (c & 0xF8) == 0xF0 ? 3
                                        : -1;
        uint32_t code = more == 0 ? c : more == 1 ? c & 0x1F : more == 2 ? c & 0x0F : c & 0x07;
        size_t k = 1;
        for (; more > 0 && k <= static_cast<size_t>(more) && i + k < length &&
               (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
             ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        if (more < 0 || k != static_cast<size_t>(more) + 1 || code > 0x10FFFF) {
            w += static_cast<wchar_t>(0xFFFD);
            i += k;
            continue;
        }
        w += static_cast<wchar_t>(code);
        i += k;
    }
    return w;
#endif
}

bool MoCatalog::Parse(const uint8_t* data, size_t size) {
    m_entries.clear();
    Reader r{data, size, false};
    uint32_t magic, count, originals, translations;
    if (!data || !r.Word(0, magic)) return false;
    if (magic == kMagicSwapped)
        r.swap = true;
    else if (magic != kMagic)
        return false;
    if (!r.Word(8, count) || !r.Word(12, originals) || !r.Word(16, translations)) return false;
    if (count > size / 8) return false;
    for (uint32_t i = 0; i < count; ++i) {
        const char *id, *text;
        uint32_t idLength, textLength;
        if (!r.Text(originals, i, id, idLength) || !r.Text(translations, i, text, textLength)) {
            m_entries.clear();
            return false;
        }
        // The header (empty id), plural and context entries, and untranslated ones are not used.
        if (idLength == 0 || textLength == 0) continue;
        m_entries[Utf8ToWide(id, idLength)] = Utf8ToWide(text, textLength);
    }
    return true;
}

const std::wstring* MoCatalog::Find(const std::wstring& id) const {
    auto it = m_entries.find(id);
    return it == m_entries.end() ? nullptr : &it->second;
}
