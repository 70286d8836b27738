// One key's value in a settings text ("key=value;key=value;..."), as the module reads it.
#pragma once

#include <string>

// The value of a settings text's key, looked up as the module looks it up: its first occurrence, which must
// be followed by "=", up to the next ";". False when there is none.
bool SettingsValue(const std::wstring& settings, const std::wstring& key, std::wstring& value);
// The settings text without the key's entry and, when value is given, with "key=value;" at its end.
std::wstring WithSettingsValue(const std::wstring& settings, const std::wstring& key, const std::wstring* value);
