#include "settingsvalue.h"

bool SettingsValue(const std::wstring& settings, const std::wstring& key, std::wstring& value) {
    size_t at = settings.find(key);
    if (at == std::wstring::npos || at + key.size() >= settings.size() || settings[at + key.size()] != L'=')
        return false;
    size_t start = at + key.size() + 1, end = settings.find(L';', start);
    value = settings.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    return true;
}

std::wstring WithSettingsValue(const std::wstring& settings, const std::wstring& key, const std::wstring* value) {
    std::wstring text = settings;
    size_t at = text.find(key + L"=");
    if (at != std::wstring::npos) {
        size_t end = text.find(L';', at);
        text.erase(at, end == std::wstring::npos ? std::wstring::npos : end - at + 1);
    }
    if (value) text += key + L"=" + *value + L";";
    return text;
}
