#include "pefile.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace {
bool ReadAt(FILE* f, long offset, void* buffer, size_t size) {
    return fseek(f, offset, SEEK_SET) == 0 && fread(buffer, 1, size, f) == size;
}
} // namespace

bool ReadPESection(const std::wstring& path, const char* name, std::vector<uint8_t>& bytes) {
    bytes.clear();
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) return false;
    bool found = false;
    IMAGE_DOS_HEADER dos;
    IMAGE_FILE_HEADER header;
    DWORD signature = 0;
    if (ReadAt(f, 0, &dos, sizeof dos) && dos.e_magic == IMAGE_DOS_SIGNATURE &&
        ReadAt(f, dos.e_lfanew, &signature, sizeof signature) && signature == IMAGE_NT_SIGNATURE &&
        ReadAt(f, dos.e_lfanew + 4, &header, sizeof header)) {
        long table = dos.e_lfanew + 4 + static_cast<long>(sizeof header) + header.SizeOfOptionalHeader;
        for (int i = 0; i < header.NumberOfSections && !found; ++i) {
            IMAGE_SECTION_HEADER section;
            if (!ReadAt(f, table + i * static_cast<long>(sizeof section), &section, sizeof section)) break;
            char sectionName[IMAGE_SIZEOF_SHORT_NAME + 1] = {};
            memcpy(sectionName, section.Name, IMAGE_SIZEOF_SHORT_NAME);
            if (strcmp(sectionName, name) != 0) continue;
            // A section larger than any record set is a damaged file, not something to allocate for.
            DWORD size = section.Misc.VirtualSize ? section.Misc.VirtualSize : section.SizeOfRawData;
            if (size > (1u << 20)) break;
            bytes.assign(size, 0);
            DWORD raw = section.SizeOfRawData < size ? section.SizeOfRawData : size;
            found = raw == 0 || ReadAt(f, static_cast<long>(section.PointerToRawData), bytes.data(), raw);
        }
    }
    fclose(f);
    if (!found) bytes.clear();
    return found;
}

std::wstring TextAt(const std::vector<uint8_t>& bytes, size_t offset) {
    std::wstring text;
    for (size_t i = offset; i + 1 < bytes.size(); i += 2) {
        wchar_t c = static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8);
        if (!c) break;
        text += c;
    }
    return text;
}
