// The host's device widgets and GUI helpers that device pads are built from. The widgets are real
// child windows; a person's actions (or a test sending the same window messages) reach the virtual
// callbacks of the widget classes.
#pragma once

#include "qvgui.h"

class IQvDeviceMultiLaser;

// Window helpers.
QV_FRAMEWORK_API void SetWndWidth(HWND window, int width);
QV_FRAMEWORK_API void SetWndSize(HWND window, int width, int height);
QV_FRAMEWORK_API void SetWndX(HWND window, int x);
QV_FRAMEWORK_API int GetWndWidth(HWND window);
QV_FRAMEWORK_API int GetWndHeight(HWND window);
// Makes the static captions of a dialog bold.
QV_FRAMEWORK_API void BoldifyCaptions(HWND dialog);
QV_FRAMEWORK_API HFONT QV_GetDefaultGuiFont();

class QV_FRAMEWORK_API CQvGUILayoutManager {
public:
    static double GetGuiZoom();
    static double GetPreviousGuiZoom();
    // The host changes the zoom; elements are told through OnGuiZoomChanged by the host.
    static void SetGuiZoom(double zoom);
    // The docker window that holds the element, or null when it is not docked.
    static HWND GetParentDockerForResize(IQvGUIElement* element);
    static void ResizeDocker(HWND docker);
    static void RefreshDeletedElements();
    static void ResizeWindowToGuiZoom(HWND window, double previousZoom);
    // The host registers the docker that holds an element (null removes it).
    static void SetDocker(IQvGUIElement* element, HWND docker);
};

class QV_FRAMEWORK_API CQvGUIUpdateManager {
public:
    static void UpdateNow();
};

class QV_FRAMEWORK_API CQvBitmapPool {
public:
    // A bitmap of the host's base images by name ("SETTINGS", ...); the pool owns it.
    static HBITMAP AddImageBaseUI(const wchar_t* name, void* reserved);
};

// Common part of the widgets: one child window with an id, position and title.
class QV_FRAMEWORK_API CQvDevUI_Base {
public:
    CQvDevUI_Base();
    virtual ~CQvDevUI_Base();
    CQvDevUI_Base(const CQvDevUI_Base& other);
    CQvDevUI_Base& operator=(const CQvDevUI_Base& other);

    // width/height -1: the widget's own size.
    virtual bool Create(HWND parent, int x, int y, int width = -1, int height = -1);
    virtual bool GetEnabled();
    virtual void SetEnabled(bool enabled);
    virtual bool GetVisible();
    virtual void SetVisible(bool visible);
    virtual const wchar_t* GetTitle();
    virtual void SetTitle(const wchar_t* title);
    virtual void SetFocus();
    virtual void SetRedraw(bool redraw);
    virtual SIZE GetWindowSize();
    virtual void RefreshWindow();
    virtual POINT GetWindowPosition();
    virtual RECT GetWindowRectangle();
    virtual void MoveWindow(int x, int y);
    virtual void MoveWindowRelative(int dx, int dy);
    virtual void ResizeWindow(int width, int height);
    virtual void ResizeWindowRelative(int dx, int dy);
    virtual bool HandleMouseWheel(uint64_t wParam, int64_t lParam);

    void Destroy();
    void SetId(int id) { m_iId = id; }
    int GetId() const { return m_iId; }
    HWND GetWindow() const { return m_hWnd; }
    int GetPositionX();
    int GetWidth();
    int GetHeight();

protected:
    // The window procedure of every widget forwards here.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual SIZE PreferredSize();
    virtual void OnCreated() {}
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd;
    int m_iId;
    wchar_t m_szTitle[64];
};

// The shutter switch with its title and a settings button.
class QV_FRAMEWORK_API CQvDevUI_Shutter : public CQvDevUI_Base {
public:
    CQvDevUI_Shutter();
    ~CQvDevUI_Shutter() override;
    CQvDevUI_Shutter(const CQvDevUI_Shutter& other);
    CQvDevUI_Shutter& operator=(const CQvDevUI_Shutter& other);
    virtual void UpdateShutterIcon();
    // Called when the person switches the shutter or asks for its settings.
    virtual void OnStateChanged(bool open) = 0;
    virtual void OnShowSettings() = 0;

    void SetAutomaticallyResizable(bool resizable, int minWidth, int maxWidth);
    // Refreshes the widget for the shutter's logical device.
    void Update(uint32_t shutterId, bool title, bool state, bool icon);
    void SetState(bool open);
    bool GetState() const { return m_bOpen; }
    // A person's click: switches and calls OnStateChanged.
    void Toggle();

    // Preset by the pads that embed the widget: default width and height, margin, minimum width, framed.
    int m_iDefaultWidth;
    int m_iDefaultHeight;
    int m_iMargin;
    int m_iMinWidth;
    bool m_bFramed;

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    SIZE PreferredSize() override;
    void OnCreated() override;

    bool m_bOpen;
    bool m_bResizable;
    int m_iResizeMin;
    int m_iResizeMax;
    HWND m_hSwitch;
    HWND m_hSettings;
};

// One laser line: on/off, power, wavelength, name, and whether its laser shines now.
class QV_FRAMEWORK_API CQvDevUI_MultiLaserLine : public CQvDevUI_Base {
public:
    CQvDevUI_MultiLaserLine();
    ~CQvDevUI_MultiLaserLine() override;
    CQvDevUI_MultiLaserLine(const CQvDevUI_MultiLaserLine& other);
    CQvDevUI_MultiLaserLine& operator=(const CQvDevUI_MultiLaserLine& other);
    void SetUsed(bool used, bool redraw);
    bool GetUsed() const { return m_bUsed; }
    void SetPower(double percent);
    double GetPower() const { return m_dPower; }
    void SetWavelength(uint32_t nm);
    uint32_t GetWavelength() const { return m_uWavelength; }
    void SetName(const wchar_t* name);
    const wchar_t* GetName() const { return m_szName; }
    void SetLaserShine(bool shine);
    bool GetLaserShine() const { return m_bShine; }
    // How often the row was painted (tests check that an update repaints only what it must).
    int GetPaintCount(int part) const;

    enum { PartUsed, PartPower, PartWavelength, PartName, PartShine, PartCount };
    enum { ControlUsed = 1, ControlPower = 2, ControlPowerText = 3 };

protected:
    friend class CQvDevUI_MultiLaserLines;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    SIZE PreferredSize() override;
    void OnCreated() override;
    // A person's change: tells the owner, then shows the value the owner kept.
    void CommitPower(double percent);
    void CommitUsed(bool used);
    void CommitPowerText();
    // Brings the power controls in line with m_dPower.
    void ShowPower();

    class CQvDevUI_MultiLaserLines* m_pOwner;
    int m_iIndex;
    bool m_bUsed;
    double m_dPower;
    uint32_t m_uWavelength;
    wchar_t m_szName[32];
    bool m_bShine;
    int m_aiPaints[PartCount];
    HWND m_hUsed;
    HWND m_hPower;
    HWND m_hPowerText;
    HWND m_hLabel;
};

// The rows of a multi-laser, one per visible line.
class QV_FRAMEWORK_API CQvDevUI_MultiLaserLines : public CQvDevUI_Base {
public:
    enum { MaxLines = 8 };
    CQvDevUI_MultiLaserLines();
    ~CQvDevUI_MultiLaserLines() override;
    CQvDevUI_MultiLaserLines(const CQvDevUI_MultiLaserLines& other);
    CQvDevUI_MultiLaserLines& operator=(const CQvDevUI_MultiLaserLines& other);

    // Called when the person changes a row; the values may be adjusted by the callee.
    virtual void OnPowerChanged(int line, double& power) = 0;
    virtual void OnUsedChanged(int line, bool& used) = 0;
    virtual void OnNDFilterChanged(int line, bool& used);
    virtual void OnLinkChanged(int line, bool& linked);
    bool HandleMouseWheel(uint64_t wParam, int64_t lParam) override;
    virtual void OnHoverForPad(int line);
    virtual void UnHoverForPad();
    virtual void OnSubsetChanged(int line, bool inSubset);

    // Takes the number of rows from the multi-laser.
    void Init(IQvDeviceMultiLaser* multiLaser, bool ndFilters, bool links);
    int GetCount() const { return m_iCount; }
    CQvDevUI_MultiLaserLine* GetLine(int index);

    bool Create(HWND parent, int x, int y, int width = -1, int height = -1) override;

protected:
    SIZE PreferredSize() override;

    IQvDeviceMultiLaser* m_pMultiLaser;
    int m_iCount;
    CQvDevUI_MultiLaserLine m_aLines[MaxLines];
};

// A push button with an image and a title.
class QV_FRAMEWORK_API CQvDevUI_ImageButton : public CQvDevUI_Base {
public:
    CQvDevUI_ImageButton();
    ~CQvDevUI_ImageButton() override;
    void Init(HBITMAP normal, HBITMAP pressed, bool showTitle, bool notifyParent);
    // A person's click: the parent receives WM_COMMAND (id, BN_CLICKED).
    void Click();

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    SIZE PreferredSize() override;

    HBITMAP m_hNormal;
    HBITMAP m_hPressed;
    bool m_bShowTitle;
    bool m_bNotifyParent;
};
