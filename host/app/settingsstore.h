// The texts the host keeps for each device between runs, in one file written atomically.
#pragma once

#include <map>
#include <string>

class CSettingsStore {
public:
    // Reads the file; a missing file is an empty store. False (and an empty store) when it is damaged.
    bool Load(const std::wstring& path, std::wstring& error);
    // Writes a new file beside the old one and renames it over it, so an interrupted run never leaves a
    // damaged store.
    bool Save(std::wstring& error) const;

    std::wstring Get(const std::wstring& key) const; // empty when absent
    bool Has(const std::wstring& key) const { return m_Values.count(key) != 0; }
    void Set(const std::wstring& key, const std::wstring& value) { m_Values[key] = value; }
    const std::map<std::wstring, std::wstring>& Values() const { return m_Values; }
    const std::wstring& Path() const { return m_sPath; }
    void SetPath(const std::wstring& path) { m_sPath = path; }

private:
    std::wstring m_sPath;
    std::map<std::wstring, std::wstring> m_Values;
};
