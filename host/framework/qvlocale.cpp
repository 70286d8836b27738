#include "qv/qvlocale.h"

#include "mocatalog.h"

#include <stdlib.h>
#include <string.h>
#include <map>

namespace {
const LANGID kEnglish = 1033;
volatile LONG g_lHostLanguage = kEnglish;

// Catalogs by module; a module's newer catalog replaces its older one.
struct Catalogs {
    CRITICAL_SECTION lock;
    std::map<HMODULE, MoCatalog> byModule;
    Catalogs() { InitializeCriticalSection(&lock); }
    ~Catalogs() { DeleteCriticalSection(&lock); }
};

Catalogs& TheCatalogs() {
    static Catalogs catalogs;
    return catalogs;
}

bool LoadRcData(CQvRscData& data, HMODULE module, LANGID language) {
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(language), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!resource) return false;
    HGLOBAL loaded = LoadResource(module, resource);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    DWORD size = SizeofResource(module, resource);
    return bytes && size && data.Assign(bytes, size, module, language);
}
} // namespace

LANGID CQvLocale::GetModuleLangId(HMODULE) {
    return static_cast<LANGID>(g_lHostLanguage);
}

LANGID CQvLocale::GetSecondaryLangID() {
    return kEnglish;
}

void CQvLocale::SetHostLanguage(LANGID language) {
    InterlockedExchange(&g_lHostLanguage, language);
}

CQvRscData::CQvRscData() : m_pData(nullptr), m_dwSize(0), m_hModule(nullptr), m_wLanguage(0) {}

CQvRscData::~CQvRscData() {
    free(m_pData);
}

bool CQvRscData::Assign(const void* data, DWORD size, HMODULE module, LANGID language) {
    BYTE* copy = static_cast<BYTE*>(malloc(size ? size : 1));
    if (!copy) return false;
    if (size) memcpy(copy, data, size);
    free(m_pData);
    m_pData = copy;
    m_dwSize = size;
    m_hModule = module;
    m_wLanguage = language;
    return true;
}

bool QV_RCDATAToCQvRscData(CQvRscData& data, HMODULE module) {
    return LoadRcData(data, module, CQvLocale::GetModuleLangId(module)) ||
           LoadRcData(data, module, CQvLocale::GetSecondaryLangID());
}

bool QV_CQvRscDataToCQvLocale(CQvRscData& data) {
    MoCatalog catalog;
    if (!catalog.Parse(data.GetData(), data.GetSize())) return false;
    Catalogs& c = TheCatalogs();
    EnterCriticalSection(&c.lock);
    c.byModule[data.GetModule()] = std::move(catalog);
    LeaveCriticalSection(&c.lock);
    return true;
}

CQvStringW QV_GetTranslation(const wchar_t* text, const wchar_t*) {
    if (!text) return CQvStringW();
    CQvStringW result(text);
    Catalogs& c = TheCatalogs();
    EnterCriticalSection(&c.lock);
    for (const auto& entry : c.byModule) {
        if (const std::wstring* translated = entry.second.Find(text)) {
            result = translated->c_str();
            break;
        }
    }
    LeaveCriticalSection(&c.lock);
    return result;
}
