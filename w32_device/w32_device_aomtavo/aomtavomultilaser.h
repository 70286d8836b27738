// The multi-laser the host sees: up to three laser lines with wavelength, name, power and used state.
#pragma once

#include "aomtavoapi.h"

#include <qv/qvdevicedefault.h>

class CQvAOMTAVO;

class CQvAOMTAVOMultiLaser : public CQvDeviceMultiLaser_Default {
public:
    enum { MaxLines = 3, PowerSteps = 1000 };
    explicit CQvAOMTAVOMultiLaser(CQvAOMTAVO* owner);
    ~CQvAOMTAVOMultiLaser() override;

    void GetInterfaceName(CQvStringW& name) override;
    void GetDeviceName(CQvStringW& name) override;
    void GetTypeName(CQvStringW& name) override;
    void GetNameByKind(CQvStringW& name, int kind, int extra) override;
    EDeviceManagerReturnCode GetId(uint32_t* id) override;
    EDeviceManagerReturnCode GetPropertyPages(CQvLiteVariantR* pages) override;
    EDeviceManagerReturnCode Initialize() override;
    bool IsEnabled() override;
    EDeviceManagerReturnCode SaveSettings(CQvStringW& settings) override;
    EDeviceManagerReturnCode LoadSettings(const wchar_t* settings, uint32_t id) override;
    bool GetCapability(int capability) override;
    bool HasOwnConfigDialog() override;
    EDeviceManagerReturnCode ShowDeviceConfigDialog(HWND parent) override;
    bool IsReady() override;
    int GetDeviceClassVersion() override;
    EDeviceManagerReturnCode GetDeviceParameters(CQvLiteVariantR* parameters) override;
    void GetHardwareName(CQvStringW& name) override;

    EDeviceManagerReturnCode GetSingleLineMode(uint32_t* single) override;
    EDeviceManagerReturnCode GetLineCount(uint32_t* count) override;
    EDeviceManagerReturnCode GetLineName(int line, CQvStringW& name) override;
    EDeviceManagerReturnCode SetLineName(int line, const wchar_t* name) override;
    EDeviceManagerReturnCode GetLineUsed(int line, bool* used) override;
    EDeviceManagerReturnCode SetLineUsed(int line, bool used) override;
    EDeviceManagerReturnCode GetPowerStepCount(int line, uint32_t* first, uint32_t* second) override;
    EDeviceManagerReturnCode GetStepPowerPercent(int line, int step, double* percent) override;
    EDeviceManagerReturnCode GetLinePower(int line, double* percent) override;
    using CQvDeviceMultiLaser_Default::SetPower;
    EDeviceManagerReturnCode SetPower(int line, double percent) override;
    EDeviceManagerReturnCode GetWavelength(int line, uint32_t* nm) override;
    EDeviceManagerReturnCode SetWavelength(int line, uint32_t nm) override;
    EDeviceManagerReturnCode GetAlternationMode(uint32_t* mode) override;
    EDeviceManagerReturnCode SetAlternationMode(int mode) override;
    EDeviceManagerReturnCode GetTriggeringCapabilities(CQvLiteVariantR* caps) override;
    bool IsTriggeringActive() override;
    EDeviceManagerReturnCode ArmTrigger() override;
    EDeviceManagerReturnCode DisarmTrigger() override;

    // Worker commands.
    static int32_t C_SetPower(uint64_t multiLaser, uint64_t position, uint64_t steps);
    static int32_t C_SetLineUsed(uint64_t multiLaser, uint64_t used, uint64_t position);

    // Reports the used lines to the host (position -1: the unit changed them); false without a callback.
    bool Notify(bool line1, bool line2, bool line3, int position);
    uint32_t VisibleLineCount() const;
    // After a connect every line's next power is written, even when it equals the stored one.
    void ForgetWrittenPowers();
    // The physical position of a visible line, or -1 when there is none.
    int Position(int line) const;

    CQvAOMTAVO* m_pOwner;
    uint32_t m_uId;
    uint32_t m_uLineCount;
    uint32_t m_auWavelength[MaxLines];
    CQvStringW m_asName[MaxLines];
    int m_aiPowerSteps[MaxLines];
    double m_adPower[MaxLines];
    uint8_t m_abEmpty[MaxLines];
    // The line's voltage was written since the last connect; until then a repeated power is written too,
    // because the board may hold anything (0 V after power-up) whatever the stored power says.
    bool m_abPowerWritten[MaxLines];

private:
    // The used flags of the three positions as the unit state holds them now.
    void UsedFlags(bool (&used)[MaxLines]);
};
