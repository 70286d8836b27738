#include "qv/qvgui.h"

#include <string.h>
#include <wchar.h>

CQvGUIElement::CQvGUIElement()
    : m_hWnd(nullptr), m_pfnHandler(nullptr), m_pHandlerContext(nullptr),
      m_pParentElement(nullptr), m_szCaption{}, m_szName{}, m_aSizes{} {}

CQvGUIElement::~CQvGUIElement() {}

void CQvGUIElement::CopyText(wchar_t (&buffer)[TextCapacity], const wchar_t* text) {
    size_t n = text ? wcslen(text) : 0;
    if (n > TextCapacity - 1) n = TextCapacity - 1;
    if (n) wmemcpy(buffer, text, n);
    buffer[n] = 0;
}

void CQvGUIElement::SetAllSizes(int width, int height) {
    for (SIZE& size : m_aSizes)
        size = SIZE{width, height};
}

void CQvGUIElement::SetHandler(PFN_QvGUIElementHandler handler, void* context) {
    m_pfnHandler = handler;
    m_pHandlerContext = context;
}

PFN_QvGUIElementHandler CQvGUIElement::GetHandler() {
    return m_pfnHandler;
}

int64_t CQvGUIElement::GetHandle() {
    return reinterpret_cast<int64_t>(m_hWnd);
}

void CQvGUIElement::SetUIParent(int64_t parentWindow) {
    if (m_hWnd) SetParent(m_hWnd, reinterpret_cast<HWND>(parentWindow));
}

void CQvGUIElement::Show(bool show) {
    if (m_hWnd) ShowWindow(m_hWnd, show ? SW_SHOW : SW_HIDE);
}

bool CQvGUIElement::IsVisible() {
    return m_hWnd && IsWindowVisible(m_hWnd);
}

void CQvGUIElement::Enable(bool enable) {
    if (m_hWnd) EnableWindow(m_hWnd, enable);
}

bool CQvGUIElement::IsEnabled() {
    return m_hWnd && IsWindowEnabled(m_hWnd);
}

void CQvGUIElement::SetRedrawEx(bool redraw) {
    if (m_hWnd) SendMessageW(m_hWnd, WM_SETREDRAW, redraw, 0);
}

bool CQvGUIElement::Update(bool) {
    return m_hWnd && UpdateWindow(m_hWnd);
}

bool CQvGUIElement::IsResizable() {
    return false;
}

SIZE CQvGUIElement::GetCurSize() {
    return m_aSizes[0];
}

const wchar_t* CQvGUIElement::GetInfo(int what) {
    return what == 0 ? m_szName : m_szCaption;
}

CQvGUIControlElement::CQvGUIControlElement() : m_OptimalSize{}, m_uLayoutStyle(0), m_bEnableGui(true) {}

CQvGUIControlElement::~CQvGUIControlElement() {}

SIZE CQvGUIControlElement::CalcOptimalSize(int) {
    return m_aSizes[0];
}

void CQvGUIControlElement::Move(int x, int y, int width, int height) {
    if (m_hWnd) MoveWindow(m_hWnd, x, y, width, height, TRUE);
}

void* CQvGUIControlElement::GetInterface(const char* name) {
    return name && strcmp(name, "IQvGUIElement") == 0 ? static_cast<IQvGUIElement*>(this) : nullptr;
}

int CQvGUIControlElement::CustomCommand(int, int64_t, void*) {
    return 0;
}

void CQvGUIControlElement::SetOptimalSize(SIZE size) {
    m_OptimalSize = size;
}

void CQvGUIControlElement::SetLayoutStyle(uint32_t style) {
    m_uLayoutStyle = style;
}

bool CQvGUIControlElement::GetEnableGuiFlag() {
    return m_bEnableGui;
}

void CQvGUIControlElement::SetEnableGuiFlag(bool enable) {
    m_bEnableGui = enable;
}

bool CQvGUIControlElement::IsResizableInSteps() {
    return false;
}

void CQvGUIControlElement::OnGuiZoomChanged() {}
