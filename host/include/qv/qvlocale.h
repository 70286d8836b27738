// Languages and translation catalogs.
#pragma once

#include "qvstring.h"

class QV_FRAMEWORK_API CQvLocale {
public:
    // The language the host runs in, used first for a module's resources.
    static LANGID GetModuleLangId(HMODULE module);
    // The language tried when the first has no resource.
    static LANGID GetSecondaryLangID();
    static void SetHostLanguage(LANGID language);
};

// A copy of a module's resource data.
class QV_FRAMEWORK_API CQvRscData {
public:
    CQvRscData();
    ~CQvRscData();
    CQvRscData(const CQvRscData&) = delete;
    CQvRscData& operator=(const CQvRscData&) = delete;

    bool Assign(const void* data, DWORD size, HMODULE module, LANGID language);
    const BYTE* GetData() const { return m_pData; }
    DWORD GetSize() const { return m_dwSize; }
    HMODULE GetModule() const { return m_hModule; }
    LANGID GetLanguage() const { return m_wLanguage; }

private:
    BYTE* m_pData;
    DWORD m_dwSize;
    HMODULE m_hModule;
    LANGID m_wLanguage;
};

// Loads the module's catalog: the RCDATA resource named by the host's language id (or the secondary one).
QV_FRAMEWORK_API bool QV_RCDATAToCQvRscData(CQvRscData& data, HMODULE module);
// Parses the data as a GNU gettext MO catalog and makes it the module's catalog.
QV_FRAMEWORK_API bool QV_CQvRscDataToCQvLocale(CQvRscData& data);
// The translated text, or the text itself when no catalog knows it.
QV_FRAMEWORK_API CQvStringW QV_GetTranslation(const wchar_t* text, const wchar_t* context);
