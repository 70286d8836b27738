#pragma once

#include <string>

namespace tavosim_fixture {

// What a Windows test needs to know about the Wine it runs under.

std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& wide);

// The Windows path of a Unix file ("Z:\..." with the default drive mapping), or empty when not under Wine.
std::wstring windows_path_of_unix_file(const std::string& unix_path);

// The Unix directory of the running prefix: $WINEPREFIX, else the parent of dosdevices/c: as Wine reports it.
std::string wine_prefix_directory();

std::string environment_variable(const char* name);

} // namespace tavosim_fixture
