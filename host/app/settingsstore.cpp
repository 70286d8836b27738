#include "settingsstore.h"

#include "output.h"

#include <windows.h>

#include <stdio.h>
#include <vector>

// File format: a first line "qvhost-store 1", then "key=value" lines in UTF-8. Keys are plain names;
// values are settings texts, which hold no line breaks (any that appear are written as \n and \\).
namespace {
const char kHeader[] = "qvhost-store 1";
const size_t kMaxFileSize = 1 << 20;

std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

bool Unescape(const std::string& s, std::string& out) {
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        if (++i == s.size()) return false;
        if (s[i] == 'n')
            out += '\n';
        else if (s[i] == 'r')
            out += '\r';
        else if (s[i] == '\\')
            out += '\\';
        else
            return false;
    }
    return true;
}

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
    size_t start = 0;
    int lineNumber = 0;
    std::map<std::wstring, std::wstring> values;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            error = L"the store " + path + L" is damaged: its last line is incomplete";
            return false;
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (lineNumber == 1) {
            if (line != kHeader) {
                error = L"the store " + path + L" is damaged: it does not start with \"qvhost-store 1\"";
                return false;
            }
            continue;
        }
        size_t equals = line.find('=');
        std::string value;
        if (equals == std::string::npos || equals == 0 || !Unescape(line.substr(equals + 1), value)) {
            error = L"the store " + path + L" is damaged at line " + std::to_wstring(lineNumber);
            return false;
        }
        values[FromUtf8(line.substr(0, equals))] = FromUtf8(value);
    }
    if (lineNumber == 0 && !text.empty()) {
        error = L"the store " + path + L" is damaged";
        return false;
    }
    m_Values.swap(values);
    return true;
}

bool CSettingsStore::Save(std::wstring& error) const {
    std::string text = std::string(kHeader) + "\n";
    for (const auto& entry : m_Values)
        text += Escape(ToUtf8(entry.first)) + "=" + Escape(ToUtf8(entry.second)) + "\n";
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
