// Builds dialog templates in memory, for the framework's own small dialogs.
#pragma once

#include <windows.h>

#include <vector>

class DialogTemplate {
public:
    DialogTemplate(const wchar_t* caption, short width, short height);
    void AddControl(const wchar_t* windowClass, const wchar_t* text, WORD id, DWORD style, short x, short y,
                    short width, short height);
    const DLGTEMPLATE* Get();

private:
    void AddWord(WORD w) { m_Words.push_back(w); }
    void AddText(const wchar_t* s);
    void Align();
    std::vector<WORD> m_Words;
};
