#include "aomtavopad.h"

#include "aompadlayout.h"
#include "aomtavodevice.h"
#include "aomtavomultilaser.h"
#include "aomtavoshutter.h"
#include "res/resource.h"

#include <qv/qvdmapi.h>
#include <qv/qvlocale.h>
#include <qv/qvsystem.h>

namespace {
const wchar_t kSourceFile[] = L"aomtavopad";
// Private update commands: WM_COMMAND from control 0xFFFF with code 7 (shutter) or 8 (lines).
const WPARAM kUpdateShutter = 0x7FFFF;
const WPARAM kUpdateMultiLaser = 0x8FFFF;
const WORD kUpdateId = 0xFFFF;
const WORD kUpdateShutterCode = 7;
const WORD kUpdateMultiLaserCode = 8;
const LPARAM kUpdateAll = 0xFFFF;
const int kPadDialogWidth = 270;
const double kPadWidth = 262.0;
const int kMouseWheelCommand = 0x8001;
const int kWheelTaken = -8;

enum : LPARAM { MaskState = 0x1, MaskPower = 0x2, MaskTitle = 0x2, MaskName = 0x4, MaskWavelength = 0x8 };

const wchar_t* KeyOf(uint32_t id) {
    const wchar_t* key = DMApi::LogDev_GetKey(id);
    return key ? key : L"";
}

// Numbers in macro texts are read by the host's command protocol: a point, whatever the locale.
CQvStringW OneDecimal(double value) {
    CQvStringW formatted, text;
    formatted.Format(L"%0.1f", value);
    for (const wchar_t* p = formatted.GetString(); *p; ++p)
        text.AddChar(*p == L',' ? L'.' : *p);
    return text;
}

const DLGTEMPLATE* LoadPadTemplate() {
    HRSRC resource = FindResourceExW(g_hAOMTAVOModule, RT_DIALOG, L"IDD_PAD",
                                     CQvLocale::GetModuleLangId(g_hAOMTAVOModule));
    if (!resource)
        resource = FindResourceExW(g_hAOMTAVOModule, RT_DIALOG, L"IDD_PAD", CQvLocale::GetSecondaryLangID());
    HGLOBAL loaded = resource ? LoadResource(g_hAOMTAVOModule, resource) : nullptr;
    return loaded ? static_cast<const DLGTEMPLATE*>(LockResource(loaded)) : nullptr;
}
} // namespace

CQvAOMTAVOPad::CQvDevGUI_Shutter::CQvDevGUI_Shutter(CQvAOMTAVOPad* pad) : m_pPad(pad) {
    m_iDefaultWidth = 64;
    m_iDefaultHeight = 24;
    m_iMargin = 0;
    m_iMinWidth = 64;
    m_bFramed = true;
}

CQvAOMTAVOPad::CQvDevGUI_Shutter::~CQvDevGUI_Shutter() {}

void CQvAOMTAVOPad::CQvDevGUI_Shutter::OnStateChanged(bool open) {
    if (!m_pPad->m_pShutter) return;
    // A command that did not take effect is not recorded, and the widget goes back to the device's state.
    if (m_pPad->m_pShutter->SetState(open) == DMRC_NO_DEVICE) {
        m_pPad->Update_Shutter();
        return;
    }
    CQvStringW macro;
    macro.Format(L"Stg_SetShutterStateEx(\"%s\", %d);", KeyOf(m_pPad->m_iShutterId), open ? 1 : 0);
    CQvSimpleDMHelper::G5_ML_Protocol_Command(macro);
    m_pPad->ApplyShine(open);
}

void CQvAOMTAVOPad::CQvDevGUI_Shutter::OnShowSettings() {
    if (!m_pPad->m_pShutter) return;
    uint32_t id = 0;
    m_pPad->m_pShutter->GetShutterId(&id);
    CQvSimpleDMHelper::ShowGUI_DMShutterDialog(id, GetWindow());
    CQvSimpleDMHelper::G5_Update_PhysicalDeviceChangedStatus();
    m_pPad->Update_Shutter();
}

CQvAOMTAVOPad::CQvDevGUI_MultiLaserLines::CQvDevGUI_MultiLaserLines(CQvAOMTAVOPad* pad) : m_pPad(pad) {}

CQvAOMTAVOPad::CQvDevGUI_MultiLaserLines::~CQvDevGUI_MultiLaserLines() {}

void CQvAOMTAVOPad::CQvDevGUI_MultiLaserLines::OnPowerChanged(int line, double& power) {
    if (!m_pPad->m_pMultiLaser) return;
    // A change that did not take effect is not recorded; the log says why.
    if (m_pPad->m_pMultiLaser->SetPower(line, power) == DMRC_NO_DEVICE) return;
    CQvStringW macro;
    macro.Format(L"Stg_SetMultiLaserPower(\"%s\", %d, %s);", KeyOf(m_pPad->m_iMultiLaserId), line,
                 OneDecimal(power).GetString());
    CQvSimpleDMHelper::G5_ML_Protocol_Command(macro);
}

void CQvAOMTAVOPad::CQvDevGUI_MultiLaserLines::OnUsedChanged(int line, bool& used) {
    if (!m_pPad || !m_pPad->m_pMultiLaser) return;
    if (m_pPad->m_pMultiLaser->SetLineUsed(line, used) == DMRC_NO_DEVICE) {
        m_pPad->m_pMultiLaser->GetLineUsed(line, &used); // the row shows the line as the unit has it
        return;
    }
    CQvStringW macro;
    macro.Format(L"Stg_SetMultiLaserLineUsed(\"%s\", %d, %d);", KeyOf(m_pPad->m_iMultiLaserId), line,
                 used ? 1 : 0);
    CQvSimpleDMHelper::G5_ML_Protocol_Command(macro);
    if (m_pPad->m_pShutter) {
        bool open = false;
        m_pPad->m_pShutter->GetState(&open);
        if (CQvDevUI_MultiLaserLine* row = GetLine(line)) row->SetLaserShine(open && used);
    }
}

CQvAOMTAVOPad::CQvAOMTAVOPad(CQvAOMTAVO* device)
    : m_pDevice(device), m_pShutter(nullptr), m_pMultiLaser(nullptr), m_iShutterId(0), m_iMultiLaserId(0),
      m_ShutterGUI(this), m_LinesGUI(this) {}

CQvAOMTAVOPad::CQvAOMTAVOPad(const CQvAOMTAVOPad& other)
    : CQvGUIControlElement(other), m_pDevice(other.m_pDevice), m_pShutter(other.m_pShutter),
      m_pMultiLaser(other.m_pMultiLaser), m_iShutterId(other.m_iShutterId),
      m_iMultiLaserId(other.m_iMultiLaserId), m_ShutterGUI(other.m_ShutterGUI), m_LinesGUI(other.m_LinesGUI),
      m_SettingsButton(other.m_SettingsButton) {}

CQvAOMTAVOPad& CQvAOMTAVOPad::operator=(const CQvAOMTAVOPad& other) {
    if (this != &other) {
        CQvGUIControlElement::operator=(other);
        m_pDevice = other.m_pDevice;
        m_pShutter = other.m_pShutter;
        m_pMultiLaser = other.m_pMultiLaser;
        m_iShutterId = other.m_iShutterId;
        m_iMultiLaserId = other.m_iMultiLaserId;
        m_ShutterGUI = other.m_ShutterGUI;
        m_LinesGUI = other.m_LinesGUI;
        m_SettingsButton = other.m_SettingsButton;
    }
    return *this;
}

// A window the host still holds must not reach a pad that is gone: its messages find no pad from here on.
CQvAOMTAVOPad::~CQvAOMTAVOPad() {
    if (m_hWnd && GetWindowLongPtrW(m_hWnd, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(this))
        SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
}

int64_t CQvAOMTAVOPad::CreateUI(const wchar_t* name, int, int64_t parentWindow, IQvGUIElement* parent,
                                void*) {
    if (m_hWnd) return reinterpret_cast<int64_t>(m_hWnd);
    m_pShutter = nullptr;
    m_pMultiLaser = nullptr;
    if (m_pDevice) {
        m_pShutter = m_pDevice->m_pShutter;
        m_pMultiLaser = m_pDevice->m_pMultiLaser;
        m_iShutterId = m_pShutter ? m_pShutter->m_uId : 0;
        m_iMultiLaserId = m_pMultiLaser ? m_pMultiLaser->m_uId : 0;
    }
    const DLGTEMPLATE* dialog = LoadPadTemplate();
    if (!dialog) return 0;
    // The window reaches the pad through WM_INITDIALOG, inside this call.
    CreateDialogIndirectParamW(g_hAOMTAVOModule, dialog, reinterpret_cast<HWND>(parentWindow),
                               AOMTAVOPadDlgProc, reinterpret_cast<LPARAM>(this));
    m_pParentElement = parent;
    CopyText(m_szName, name);
    CQvStringW title(m_pDevice && m_pDevice->m_bSimulator ? L"AOM TAVO Sim Pad" : L"AOM TAVO Pad");
    if (m_pDevice && m_pDevice->m_iInstanceNumber > 1) title.AddInt(m_pDevice->m_iInstanceNumber - 1);
    CopyText(m_szCaption, QV_GetTranslation(title, kSourceFile));
    if (!m_hWnd) return 0;
    SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(QV_GetDefaultGuiFont()), 0);
    RefreshGUI();
    return reinterpret_cast<int64_t>(m_hWnd);
}

void CQvAOMTAVOPad::DestroyUI() {
    if (!m_hWnd) return;
    if (m_pfnHandler) {
        SQvGUIElementEvent event{};
        event.uSize = sizeof event;
        event.uCode = 1;
        m_pfnHandler(this, &event, nullptr);
    }
    DestroyElements();
    DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

void CQvAOMTAVOPad::StoreOuterSize() {
    RECT r;
    if (GetWindowRect(m_hWnd, &r)) SetAllSizes(r.right - r.left, r.bottom - r.top);
}

int64_t CQvAOMTAVOPad::OnInitDialog(uint32_t, uint64_t, int64_t) {
    SetWndWidth(m_hWnd, kPadDialogWidth);
    BoldifyCaptions(m_hWnd);
    StoreOuterSize();
    SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(QV_GetDefaultGuiFont()), 1);
    RefreshGUI();
    return 1;
}

int CQvAOMTAVOPad::RefreshGUI() {
    if (!m_hWnd) return -9;
    Update();
    SetWindowPos(m_hWnd, nullptr, 0, 0, m_aSizes[0].cx, m_aSizes[0].cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW);
    UpdateWindow(m_hWnd);
    CreateElements();
    StoreOuterSize();
    if (HWND docker = CQvGUILayoutManager::GetParentDockerForResize(this))
        CQvGUILayoutManager::ResizeDocker(docker);
    return 0;
}

bool CQvAOMTAVOPad::CreateElements() {
    DestroyElements();
    double zoom = CQvGUILayoutManager::GetGuiZoom();
    int gap = PadGap(zoom);
    int height = 0, x = 0;
    if (m_pMultiLaser) {
        m_LinesGUI.Init(m_pMultiLaser, false, false);
        m_LinesGUI.Create(m_hWnd, 0, 0);
        height = m_LinesGUI.GetHeight();
    }
    if (m_pShutter) {
        m_ShutterGUI.SetId(IDC_PAD_SHUTTER);
        m_ShutterGUI.SetAutomaticallyResizable(true, 64, 95);
        m_ShutterGUI.Create(m_hWnd, 6 * gap, height, -1, -1);
        x = 6 * gap + GetWndWidth(m_ShutterGUI.GetWindow()) + gap;
    }
    if (m_pMultiLaser) {
        HBITMAP bitmap = CQvBitmapPool::AddImageBaseUI(L"SETTINGS", nullptr);
        m_SettingsButton.SetId(IDC_PAD_SETTINGS);
        m_SettingsButton.Init(bitmap, bitmap, true, true);
        m_SettingsButton.Create(m_hWnd, x, height, 128, 24);
        m_SettingsButton.SetTitle(QV_GetTranslation(L"Configure...", kSourceFile));
    }
    if (m_pShutter) height += m_ShutterGUI.GetHeight();
    SetWndSize(m_hWnd, RoundHalfAway(zoom * kPadWidth), height + 4 * gap);
    return true;
}

void CQvAOMTAVOPad::DestroyElements() {
    m_ShutterGUI.Destroy();
    m_LinesGUI.Destroy();
    m_SettingsButton.Destroy();
}

void CQvAOMTAVOPad::DestroySelElements(int) {}

bool CQvAOMTAVOPad::Update() {
    Update_Shutter();
    Update_MultiLaser();
    return true;
}

// Without a window there is nothing to repaint; a post to no window would land in the calling thread's own
// queue (often the worker's, which has no message loop) and pile up there.
bool CQvAOMTAVOPad::Update_Shutter() {
    if (m_hWnd) QV_PostMessageImpl(m_hWnd, WM_COMMAND, kUpdateShutter, kUpdateAll, QV_WFILE, __LINE__);
    return true;
}

bool CQvAOMTAVOPad::Update_MultiLaser() {
    if (m_hWnd) QV_PostMessageImpl(m_hWnd, WM_COMMAND, kUpdateMultiLaser, kUpdateAll, QV_WFILE, __LINE__);
    return true;
}

void CQvAOMTAVOPad::ApplyShine(bool open) {
    for (int i = 0; i < m_LinesGUI.GetCount(); ++i)
        if (CQvDevUI_MultiLaserLine* row = m_LinesGUI.GetLine(i)) row->SetLaserShine(open && row->GetUsed());
}

int64_t CQvAOMTAVOPad::OnUpdate_Shutter(uint32_t, uint64_t, int64_t mask) {
    if (!m_pShutter) return 0;
    m_ShutterGUI.Update(m_iShutterId, true, true, true);
    if (mask & MaskState) {
        bool open = DMApi::Shutter_GetState(m_iShutterId, true);
        m_ShutterGUI.SetState(open);
        ApplyShine(open);
    }
    if (mask & MaskTitle) {
        const wchar_t* title = DMApi::LogDev_GetKey(m_iShutterId);
        if (!title) title = DMApi::Shutter_GetToolbarName(m_iShutterId, true);
        m_ShutterGUI.SetTitle(title ? title : L"Shutter");
        if (m_SettingsButton.GetWindow()) {
            SetWndX(m_SettingsButton.GetWindow(),
                    RoundHalfAway(m_ShutterGUI.GetPositionX() + 5.0 + m_ShutterGUI.GetWidth()));
            m_ShutterGUI.RefreshWindow();
            m_SettingsButton.RefreshWindow();
        }
    }
    return 1;
}

int64_t CQvAOMTAVOPad::OnUpdate_MultiLaser(uint32_t, uint64_t, int64_t mask) {
    if (!m_pMultiLaser) return 0;
    uint32_t count = 0;
    m_pMultiLaser->GetLineCount(&count);
    for (int i = 0; i < static_cast<int>(count); ++i) {
        CQvDevUI_MultiLaserLine* row = m_LinesGUI.GetLine(i);
        if (!row) break;
        if (mask & MaskState) {
            bool used = false;
            m_pMultiLaser->GetLineUsed(i, &used);
            row->SetUsed(used, true);
            if (m_pShutter) {
                bool open = false;
                m_pShutter->GetState(&open);
                row->SetLaserShine(open && row->GetUsed());
            }
        }
        if (mask & MaskPower) {
            double power = 0.0;
            m_pMultiLaser->GetLinePower(i, &power);
            row->SetPower(power);
        }
        if (mask & MaskWavelength) {
            uint32_t nm = 0;
            m_pMultiLaser->GetWavelength(i, &nm);
            row->SetWavelength(nm);
        }
        if (mask & MaskName) {
            CQvStringW name;
            m_pMultiLaser->GetLineName(i, name);
            row->SetName(name);
        }
    }
    return 0;
}

int64_t CQvAOMTAVOPad::On_MultiLaserSettings(uint32_t, uint64_t, int64_t) {
    unsigned int physical = DMApi::LogDev_GetPhysDevId(m_iMultiLaserId);
    if (DMApi::PhysDev_Configure(physical, m_hWnd)) {
        DMApi::Refresh();
        CQvSimpleDMHelper::G5_Update_PhysicalDeviceChangedStatus();
        CQvGUILayoutManager::RefreshDeletedElements();
        CQvSimpleDMHelper::G5_StgRecreateDevicePopupMenu();
        CQvGUIUpdateManager::UpdateNow();
    }
    return 0;
}

int64_t CQvAOMTAVOPad::OnCommand(uint32_t message, uint64_t wParam, int64_t lParam) {
    WORD id = LOWORD(wParam), code = HIWORD(wParam);
    if (id == kUpdateId && code == kUpdateShutterCode) return OnUpdate_Shutter(message, wParam, lParam);
    if (id == kUpdateId && code == kUpdateMultiLaserCode) return OnUpdate_MultiLaser(message, wParam, lParam);
    if (id == IDC_PAD_SETTINGS && code == BN_CLICKED) return On_MultiLaserSettings(message, wParam, lParam);
    return 0;
}

// The host may destroy the window itself, with the window it docked the pad in: the pad forgets it, so
// that the next CreateUI builds a new one instead of returning a dead handle.
int64_t CQvAOMTAVOPad::OnDestroy(uint32_t, uint64_t, int64_t) {
    SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
    m_hWnd = nullptr;
    return 1;
}

int64_t CQvAOMTAVOPad::OnSysColorChange(uint32_t, uint64_t, int64_t) {
    CreateElements();
    return 0;
}

INT_PTR CALLBACK CQvAOMTAVOPad::AOMTAVOPadDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CQvAOMTAVOPad* pad = reinterpret_cast<CQvAOMTAVOPad*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
        pad = reinterpret_cast<CQvAOMTAVOPad*>(lParam);
        pad->m_hWnd = window;
        return pad->OnInitDialog(message, wParam, lParam);
    case WM_COMMAND:
        return pad ? pad->OnCommand(message, wParam, lParam) : 0;
    case WM_DESTROY:
        return pad ? pad->OnDestroy(message, wParam, lParam) : 0;
    case WM_SYSCOLORCHANGE:
        return pad ? pad->OnSysColorChange(message, wParam, lParam) : 0;
    default:
        return 0;
    }
}

bool CQvAOMTAVOPad::HandleMouseWheel(uint64_t wParam, int64_t lParam) {
    return m_ShutterGUI.HandleMouseWheel(wParam, lParam) || m_LinesGUI.HandleMouseWheel(wParam, lParam);
}

int CQvAOMTAVOPad::CustomCommand(int command, int64_t wParam, void* data) {
    if (command == kMouseWheelCommand) {
        int64_t lParam = data ? *static_cast<int64_t*>(data) : 0;
        return HandleMouseWheel(static_cast<uint64_t>(wParam), lParam) ? kWheelTaken : 0;
    }
    return CQvGUIControlElement::CustomCommand(command, wParam, reinterpret_cast<void*>(wParam));
}

void CQvAOMTAVOPad::OnGuiZoomChanged() {
    CQvGUILayoutManager::ResizeWindowToGuiZoom(m_hWnd, CQvGUILayoutManager::GetPreviousGuiZoom());
    CQvGUIControlElement::OnGuiZoomChanged();
}
