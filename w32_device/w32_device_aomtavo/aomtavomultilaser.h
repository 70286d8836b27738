// The multi-laser the host sees: up to three laser lines with wavelength, name, power and used state.
#pragma once

#include "aomtavoapi.h"

#include <qv/qvdevicedefault.h>

class CQvAOMTAVO;

class AOMTAVO_API CQvAOMTAVOMultiLaser : public CQvDeviceMultiLaser_Default {
public:
    enum { MaxLines = 3 };
    explicit CQvAOMTAVOMultiLaser(CQvAOMTAVO* owner);
    ~CQvAOMTAVOMultiLaser() override;

    // Reports the used lines to the host (position -1: the unit changed them); false without a callback.
    bool Notify(bool line1, bool line2, bool line3, int position);

    CQvAOMTAVO* m_pOwner;
    uint32_t m_uId;
    uint32_t m_uLineCount;
    uint32_t m_auWavelength[MaxLines];
    CQvStringW m_asName[MaxLines];
    int m_aiPowerSteps[MaxLines];
    double m_adPower[MaxLines];
    uint8_t m_abEmpty[MaxLines];
};
