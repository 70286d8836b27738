#include "settingsstore.h"

#include "output.h"
#include "storetext.h"

#include <windows.h>

#include <stdio.h>
#include <vector>

// File format: a first line "qvhost-store 1", then "key=value" lines in UTF-8. Keys are plain names;
// values are settings texts, which hold no line breaks (any that appear are written as \n and \\).
namespace {
const size_t kMaxFileSize = 1 << 20;

std::wstring FromUtf8(const std::string& s) {
    int n =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.c_str(), static_cast<int>(s.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), &w[0], n);
    return w;
}
} // namespace

bool CSettingsStore::Load(const std::wstring& path, std::wstring& error) {
    m_sPath = path;
    m_Values.clear();
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) return true; // nothing stored yet
    std::vector<char> data(kMaxFileSize + 1);
    size_t n = fread(data.data(), 1, data.size(), f);
    fclose(f);
    if (n > kMaxFileSize) {
        error = L"the store " + path + L" is too large to be a store";
        return false;
    }
    std::string text(data.data(), n);
    std::map<std::string, std::string> lines;
    int damaged = ParseStoreText(text, lines);
    if (damaged == kStoreIncomplete) {
        error = L"the store " + path + L" is damaged: its last line is incomplete";
        return false;
    }
    if (damaged == kStoreBadHeader) {
        error = L"the store " + path + L" is damaged: it does not start with \"qvhost-store 1\"";
        return false;
    }
    if (damaged != kStoreWhole) {
        error = L"the store " + path + L" is damaged at line " + std::to_wstring(damaged);
        return false;
    }
    std::map<std::wstring, std::wstring> values;
    for (const auto& line : lines)
        values[FromUtf8(line.first)] = FromUtf8(line.second);
    m_Values.swap(values);
    return true;
}

bool CSettingsStore::Save(std::wstring& error) const {
    std::string text = "qvhost-store 1\n";
    for (const auto& entry : m_Values)
        text += EscapeStoreValue(ToUtf8(entry.first)) + "=" + EscapeStoreValue(ToUtf8(entry.second)) + "\n";
    std::wstring temporary = m_sPath + L".new";
    FILE* f = _wfopen(temporary.c_str(), L"wb");
    if (!f) {
        error = L"cannot write " + temporary;
        return false;
    }
    bool written = fwrite(text.data(), 1, text.size(), f) == text.size();
    written = fflush(f) == 0 && written;
    fclose(f);
    if (!written || !MoveFileExW(temporary.c_str(), m_sPath.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
        error = L"cannot write the store " + m_sPath;
        return false;
    }
    return true;
}

std::wstring CSettingsStore::Get(const std::wstring& key) const {
    auto it = m_Values.find(key);
    return it == m_Values.end() ? std::wstring() : it->second;
}
