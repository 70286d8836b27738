// The control pad the host docks for this device: a row per laser line, the shutter and "Configure...".
// It never talks to the hardware: it reads and changes state through the two logical devices, and hands
// the host a macro text for every change a person makes.
#pragma once

#include "aomtavoapi.h"

#include <qv/qvdevui.h>
#include <qv/qvgui.h>

class CQvAOMTAVO;
class CQvAOMTAVOShutter;
class CQvAOMTAVOMultiLaser;

class AOMTAVO_API CQvAOMTAVOPad : public CQvGUIControlElement {
public:
    class AOMTAVO_API CQvDevGUI_Shutter : public CQvDevUI_Shutter {
    public:
        explicit CQvDevGUI_Shutter(CQvAOMTAVOPad* pad);
        ~CQvDevGUI_Shutter() override;
        void OnStateChanged(bool open) override;
        void OnShowSettings() override;
        CQvAOMTAVOPad* m_pPad;
    };

    class AOMTAVO_API CQvDevGUI_MultiLaserLines : public CQvDevUI_MultiLaserLines {
    public:
        explicit CQvDevGUI_MultiLaserLines(CQvAOMTAVOPad* pad);
        ~CQvDevGUI_MultiLaserLines() override;
        void OnPowerChanged(int line, double& power) override;
        void OnUsedChanged(int line, bool& used) override;
        CQvAOMTAVOPad* m_pPad;
    };

    explicit CQvAOMTAVOPad(CQvAOMTAVO* device);
    CQvAOMTAVOPad(const CQvAOMTAVOPad& other);
    CQvAOMTAVOPad& operator=(const CQvAOMTAVOPad& other);
    ~CQvAOMTAVOPad() override;

    int64_t CreateUI(const wchar_t* name, int flags, int64_t parentWindow, IQvGUIElement* parent,
                     void* reserved) override;
    void DestroyUI() override;
    int CustomCommand(int command, int64_t wParam, void* data) override;
    void OnGuiZoomChanged() override;

    bool CreateElements();
    void DestroyElements();
    void DestroySelElements(int which);
    bool HandleMouseWheel(uint64_t wParam, int64_t lParam);
    // 0, or -9 while the pad has no window.
    int RefreshGUI();
    // Ask the pad, from any thread, to repaint from the devices.
    using CQvGUIElement::Update;
    bool Update();
    bool Update_Shutter();
    bool Update_MultiLaser();

    static INT_PTR CALLBACK AOMTAVOPadDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    CQvAOMTAVO* m_pDevice;
    CQvAOMTAVOShutter* m_pShutter;
    CQvAOMTAVOMultiLaser* m_pMultiLaser;
    uint32_t m_iShutterId;
    uint32_t m_iMultiLaserId;
    CQvDevGUI_Shutter m_ShutterGUI;
    CQvDevGUI_MultiLaserLines m_LinesGUI;
    CQvDevUI_ImageButton m_SettingsButton;

protected:
    int64_t OnInitDialog(uint32_t message, uint64_t wParam, int64_t lParam);
    int64_t OnCommand(uint32_t message, uint64_t wParam, int64_t lParam);
    int64_t OnDestroy(uint32_t message, uint64_t wParam, int64_t lParam);
    int64_t OnSysColorChange(uint32_t message, uint64_t wParam, int64_t lParam);
    int64_t OnUpdate_Shutter(uint32_t message, uint64_t wParam, int64_t lParam);
    int64_t OnUpdate_MultiLaser(uint32_t message, uint64_t wParam, int64_t lParam);
    int64_t On_MultiLaserSettings(uint32_t message, uint64_t wParam, int64_t lParam);

private:
    void ApplyShine(bool open);
    void StoreOuterSize();
};
