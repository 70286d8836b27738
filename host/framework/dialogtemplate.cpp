#include "dialogtemplate.h"

namespace {
// Words of a DLGTEMPLATE or DLGITEMTEMPLATE header (the structures are packed to 2 bytes).
template <class T> void AddStruct(std::vector<WORD>& words, const T& value) {
    const WORD* p = reinterpret_cast<const WORD*>(&value);
    words.insert(words.end(), p, p + sizeof(T) / sizeof(WORD));
}
} // namespace

DialogTemplate::DialogTemplate(const wchar_t* caption, short width, short height) {
    DLGTEMPLATE header{};
    header.style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    header.cx = width;
    header.cy = height;
    AddStruct(m_Words, header);
    AddWord(0); // no menu
    AddWord(0); // standard dialog class
    AddText(caption);
    AddWord(8); // font size
    AddText(L"MS Shell Dlg");
}

void DialogTemplate::AddText(const wchar_t* s) {
    for (; *s; ++s)
        AddWord(*s);
    AddWord(0);
}

void DialogTemplate::Align() {
    if (m_Words.size() % 2) AddWord(0); // items start on a DWORD boundary
}

void DialogTemplate::AddControl(const wchar_t* windowClass, const wchar_t* text, WORD id, DWORD style,
                                short x, short y, short width, short height) {
    Align();
    DLGITEMTEMPLATE item{};
    item.style = style | WS_CHILD | WS_VISIBLE;
    item.x = x;
    item.y = y;
    item.cx = width;
    item.cy = height;
    item.id = id;
    AddStruct(m_Words, item);
    AddText(windowClass);
    AddText(text);
    AddWord(0); // no creation data
    reinterpret_cast<DLGTEMPLATE*>(m_Words.data())->cdit++;
}

const DLGTEMPLATE* DialogTemplate::Get() {
    return reinterpret_cast<const DLGTEMPLATE*>(m_Words.data());
}
