// The multi-laser the host sees: up to three laser lines with wavelength, name, power and used state.
#pragma once

#include "aomcalibration.h"
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

    // Worker commands. C_SetPower takes the power in percent as the bits of a double; C_ApplyPowers writes
    // every line whose channel does not have its recorded power yet.
    static int32_t C_SetPower(uint64_t multiLaser, uint64_t position, uint64_t percentBits);
    static int32_t C_SetLineUsed(uint64_t multiLaser, uint64_t used, uint64_t position);
    static int32_t C_ApplyPowers(uint64_t multiLaser, uint64_t, uint64_t);
    // Puts a voltage (the bits of a double) on the line's AOM in place of its power, for a person to read the
    // meter, while the session (the bits above the position's 8) of BeginTestVoltages is the line's.
    static int32_t C_TestVoltage(uint64_t multiLaser, uint64_t sessionAndPosition, uint64_t voltsBits);
    // The worker's board check: each line's recorded power written again, so that a reset or returned
    // board, which aborted the line's task and put its output at 0 V, has it back.
    void CheckBoards();

    // Reports the used lines to the host (position -1: the unit changed them); false without a callback.
    bool Notify(bool line1, bool line2, bool line3, int position);
    uint32_t VisibleLineCount() const;
    // After a connect every line's power is written again, even when it equals the stored one.
    void ForgetWrittenPowers();
    // The physical position of a visible line, or -1 when there is none.
    int Position(int line) const;
    // A line's calibration (IsSet() false: none); a change has the line's power written again by the next
    // ApplyPowers of the owner.
    SAOMCalibration Calibration(int position);
    void SetCalibration(int position, const SAOMCalibration& calibration);
    // A session of test voltages on a line (C_TestVoltage); its end gives the line its power back.
    uint64_t BeginTestVoltages(int position);
    void EndTestVoltages(int position);
    EDeviceManagerReturnCode ShowCalibrationDialog(HWND parent) override;
    bool GetCalibrationSupported() override;

    CQvAOMTAVO* m_pOwner;
    uint32_t m_uId;
    uint32_t m_uLineCount;
    uint32_t m_auWavelength[MaxLines];
    CQvStringW m_asName[MaxLines];
    // Each line's power record, under the owner's unit-state lock: the power the host reads, its steps, and
    // whether the line's channel has its voltage. A write that failed leaves the power the host asked for
    // and the mark clear, for the board check to write.
    int m_aiPowerSteps[MaxLines];
    double m_adPower[MaxLines];
    uint8_t m_abEmpty[MaxLines];
    bool m_abPowerWritten[MaxLines];
    // Also under the unit-state lock: how each line's power maps onto its voltage (a calibration, or none
    // for the linear map), the voltage the calibration dialog holds on a line's AOM (NaN: none), and a count
    // of their changes, which a write in flight compares.
    SAOMCalibration m_aCalibration[MaxLines];
    double m_adTestVolts[MaxLines];
    uint64_t m_auTestSession[MaxLines];
    uint32_t m_uPowerMaps;

private:
    // What a voltage write of one line needs, taken in one piece under the unit-state lock.
    struct SLineOutput {
        bool bChannel = false;
        CQvStringW sChannel;
        float fMin = 0.0f, fMax = 0.0f;
        uint32_t uOutputs = 0; // the owner's generation of the line outputs
        uint32_t uPowerMaps = 0;
        SAOMCalibration calibration;
        double dTestVolts = 0.0;
        int iSteps = 0;
        double dPower = 0.0;
        bool bWritten = false;
    };
    SLineOutput TakeLine(int position);
    // The calibration of a settings text's entry for the line: none without one, the line's own (logged)
    // when the entry is refused.
    SAOMCalibration LoadedCalibration(const wchar_t* settings, int position);
    // Whether a write taken as line is still what the record asks for (nothing changed the line meanwhile).
    bool StillCurrent(int position, const SLineOutput& line) const;
    // Worker: writes the voltage of steps on the line's channel. After a change of any line's output the
    // port takes every line's new channel and span first, so that no old task keeps a channel another line
    // now has.
    bool WriteLine(int position, const SLineOutput& line, int steps, bool probe);
    void TakeLineOutputs();
    // Worker: after a write of the recorded power, marks it written when nothing changed the record
    // meanwhile.
    void MarkWritten(int position, const SLineOutput& line, bool written);
    // Worker: writes the recorded power of every line with a channel (only those not written, unless all).
    void WriteRecordedPowers(bool all);
    // The used flags of the three positions as the unit state holds them now.
    void UsedFlags(bool (&used)[MaxLines]);
    void UsedFlagsLocked(bool (&used)[MaxLines]) const;

    uint32_t m_uAppliedOutputs; // worker only: the generation of the line outputs the port took
};
