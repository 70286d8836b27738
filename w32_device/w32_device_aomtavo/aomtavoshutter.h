// The shutter the host sees: open passes the selected laser lines, closed passes none.
#pragma once

#include "aomtavoapi.h"

#include <qv/qvdevicedefault.h>

class CQvAOMTAVO;

class AOMTAVO_API CQvAOMTAVOShutter : public CQvDeviceShutter_Default {
public:
    explicit CQvAOMTAVOShutter(CQvAOMTAVO* owner);
    ~CQvAOMTAVOShutter() override;

    // Reports the open state to the host; false while the host has set no change callback.
    bool Notify(bool open);

    CQvAOMTAVO* m_pOwner;
    uint32_t m_uId;
    uint32_t m_uShutterType; // 0 EPI, 1 DIA, 2 Aux1, 3 Aux2
    CQvStringW m_sName;
};
