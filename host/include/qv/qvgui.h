// GUI elements the host docks into its windows.
#pragma once

#include "qvstring.h"

class IQvGUIElement;

// Event record given to an element's handler.
struct SQvGUIElementEvent {
    uint32_t uSize; // 56
    uint32_t uCode;
    uint64_t auParam[6];
};
static_assert(sizeof(SQvGUIElementEvent) == 56, "event layout");

typedef int (*PFN_QvGUIElementHandler)(IQvGUIElement* element, SQvGUIElementEvent* event, void* context);

class IQvGUIElement {
public:
    virtual ~IQvGUIElement() {}
    virtual void SetHandler(PFN_QvGUIElementHandler handler, void* context) = 0;
    virtual PFN_QvGUIElementHandler GetHandler() = 0;
    virtual int64_t CreateUI(const wchar_t* name, int flags, int64_t parentWindow, IQvGUIElement* parent,
                             void* reserved) = 0;
    virtual void DestroyUI() = 0;
    virtual int64_t GetHandle() = 0;
    virtual void SetUIParent(int64_t parentWindow) = 0;
    virtual void Show(bool show) = 0;
    virtual bool IsVisible() = 0;
    virtual void Enable(bool enable) = 0;
    virtual bool IsEnabled() = 0;
    virtual void SetRedrawEx(bool redraw) = 0;
    virtual bool Update(bool force) = 0;
    virtual bool IsResizable() = 0;
    virtual SIZE GetCurSize() = 0;
    virtual SIZE CalcOptimalSize(int kind) = 0;
    virtual void Move(int x, int y, int width, int height) = 0;
    virtual void* GetInterface(const char* name) = 0;
    virtual const wchar_t* GetInfo(int what) = 0;
    virtual int CustomCommand(int command, int64_t wParam, void* data) = 0;
    virtual void SetOptimalSize(SIZE size) = 0;
    virtual void SetLayoutStyle(uint32_t style) = 0;
    virtual bool GetEnableGuiFlag() = 0;
    virtual void SetEnableGuiFlag(bool enable) = 0;
    virtual bool IsResizableInSteps() = 0;
    virtual void OnGuiZoomChanged() = 0;
};

// Base implementation of a GUI element: window handle, handler, caption, name and size records.
class QV_FRAMEWORK_API CQvGUIElement : public IQvGUIElement {
public:
    enum { TextCapacity = 64, SizeRecords = 4 };
    CQvGUIElement();
    ~CQvGUIElement() override;

    void SetHandler(PFN_QvGUIElementHandler handler, void* context) override;
    PFN_QvGUIElementHandler GetHandler() override;
    int64_t GetHandle() override;
    void SetUIParent(int64_t parentWindow) override;
    void Show(bool show) override;
    bool IsVisible() override;
    void Enable(bool enable) override;
    bool IsEnabled() override;
    void SetRedrawEx(bool redraw) override;
    bool Update(bool force) override;
    bool IsResizable() override;
    SIZE GetCurSize() override;
    const wchar_t* GetInfo(int what) override;

    // Copies text into a fixed buffer of this element, cut to fit and NUL-terminated.
    static void CopyText(wchar_t (&buffer)[TextCapacity], const wchar_t* text);

protected:
    void SetAllSizes(int width, int height);

    HWND m_hWnd;
    PFN_QvGUIElementHandler m_pfnHandler;
    void* m_pHandlerContext;
    IQvGUIElement* m_pParentElement;
    wchar_t m_szCaption[TextCapacity];
    wchar_t m_szName[TextCapacity];
    SIZE m_aSizes[SizeRecords];
};

class QV_FRAMEWORK_API CQvGUIControlElement : public CQvGUIElement {
public:
    CQvGUIControlElement();
    ~CQvGUIControlElement() override;

    SIZE CalcOptimalSize(int kind) override;
    void Move(int x, int y, int width, int height) override;
    void* GetInterface(const char* name) override;
    int CustomCommand(int command, int64_t wParam, void* data) override;
    void SetOptimalSize(SIZE size) override;
    void SetLayoutStyle(uint32_t style) override;
    bool GetEnableGuiFlag() override;
    void SetEnableGuiFlag(bool enable) override;
    bool IsResizableInSteps() override;
    void OnGuiZoomChanged() override;

protected:
    SIZE m_OptimalSize;
    uint32_t m_uLayoutStyle;
    bool m_bEnableGui;
};
