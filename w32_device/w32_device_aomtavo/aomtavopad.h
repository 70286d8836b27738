// The control pad the host docks for this device: a row per laser line, the shutter and "Configure...".
#pragma once

#include "aomtavoapi.h"

#include <qv/qvgui.h>

class CQvAOMTAVO;
class CQvAOMTAVOShutter;
class CQvAOMTAVOMultiLaser;

class AOMTAVO_API CQvAOMTAVOPad : public CQvGUIControlElement {
public:
    explicit CQvAOMTAVOPad(CQvAOMTAVO* device);
    ~CQvAOMTAVOPad() override;

    int64_t CreateUI(const wchar_t* name, int flags, int64_t parentWindow, IQvGUIElement* parent,
                     void* reserved) override;
    void DestroyUI() override;

    // 0, or -9 while the pad has no window.
    int RefreshGUI();
    // Ask the pad, from any thread, to repaint from the devices.
    bool Update();
    bool Update_Shutter();
    bool Update_MultiLaser();

    CQvAOMTAVO* m_pDevice;
    CQvAOMTAVOShutter* m_pShutter;
    CQvAOMTAVOMultiLaser* m_pMultiLaser;
    uint32_t m_iShutterId;
    uint32_t m_iMultiLaserId;
};
