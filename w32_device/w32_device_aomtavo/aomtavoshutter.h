// The shutter the host sees: open passes the selected laser lines, closed passes none.
#pragma once

#include "aomtavoapi.h"

#include <qv/qvdevicedefault.h>

class CQvAOMTAVO;

class CQvAOMTAVOShutter : public CQvDeviceShutter_Default {
public:
    explicit CQvAOMTAVOShutter(CQvAOMTAVO* owner);
    ~CQvAOMTAVOShutter() override;

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
    bool HasOwnConfigDialog() override;
    EDeviceManagerReturnCode ShowDeviceConfigDialog(HWND parent) override;
    bool IsReady() override;
    int GetDeviceClassVersion() override;
    EDeviceManagerReturnCode GetDeviceParameters(CQvLiteVariantR* parameters) override;
    void GetHardwareName(CQvStringW& name) override;

    EDeviceManagerReturnCode GetSwitchTime(double* ms) override;
    EDeviceManagerReturnCode GetState(bool* open) override;
    EDeviceManagerReturnCode SetState(bool open) override;
    EDeviceManagerReturnCode PostPadUpdate() override;
    bool IsMotorized() override;
    EDeviceManagerReturnCode GetPosition(int* position) override;
    EDeviceManagerReturnCode SetPosition(int position) override;
    EDeviceManagerReturnCode GetPositionCount(int* count) override;
    EDeviceManagerReturnCode GetPositionName(int position, CQvStringW& name) override;
    EDeviceManagerReturnCode GetName(CQvStringW& name) override;
    EDeviceManagerReturnCode SetName(const wchar_t* name) override;
    bool SupportsMode(int mode) override;
    EDeviceManagerReturnCode GetMode(uint32_t* mode) override;
    EDeviceManagerReturnCode SetMode(int mode) override;
    EDeviceManagerReturnCode GetTriggerSource(int* source) override;
    EDeviceManagerReturnCode SetTriggerSource(int source) override;
    EDeviceManagerReturnCode GetTriggerDelay(double* delay) override;
    EDeviceManagerReturnCode SetTriggerDelay(double delay) override;
    bool IsSimpleShutter() override;
    EDeviceManagerReturnCode GetShutterType(uint32_t* type) override;
    EDeviceManagerReturnCode SetShutterType(uint32_t type) override;
    EDeviceManagerReturnCode GetShutterId(uint32_t* id) override;

    // Worker command.
    static int32_t C_SetState(uint64_t shutter, uint64_t open, uint64_t);

    // Reports the open state to the host; false while the host has set no change callback.
    bool Notify(bool open);

    CQvAOMTAVO* m_pOwner;
    uint32_t m_uId;
    uint32_t m_uShutterType; // 0 EPI, 1 DIA, 2 Aux1, 3 Aux2
    CQvStringW m_sName;

private:
    // 1 while the device is connected but not configured yet.
    EDeviceManagerReturnCode CheckConfigured();
};
