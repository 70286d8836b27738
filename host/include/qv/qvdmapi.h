// The host's device-manager API and helper, as modules call them.
#pragma once

#include "qvstring.h"

class CQvDMApiBool {
public:
    CQvDMApiBool(bool value = false) : m_bValue(value) {}
    operator bool() const { return m_bValue; }

private:
    bool m_bValue;
};

// What the host application's device manager provides behind DMApi and CQvSimpleDMHelper.
class IQvDeviceManagerHost {
public:
    virtual ~IQvDeviceManagerHost() {}
    virtual unsigned int LogDevCount() = 0;
    virtual unsigned int LogDevId(unsigned int index) = 0;
    virtual const wchar_t* LogDevKey(unsigned int id) = 0; // null when unknown
    virtual unsigned int LogDevPhysDevId(unsigned int id) = 0;
    virtual bool LogDevVisible(unsigned int id) = 0;
    virtual bool LogDevActive(unsigned int id, bool checkPhysical) = 0;
    virtual bool PhysDevConfigure(unsigned int physDevId, HWND parent) = 0;
    virtual void Refresh() = 0;
    virtual bool ShutterState(unsigned int id, bool fromDevice) = 0;
    virtual const wchar_t* ShutterToolbarName(unsigned int id, bool shortName) = 0;
    virtual int LogCommunication() = 0;
    virtual int ProtocolCommand(const wchar_t* text) = 0;
    virtual void PhysicalDeviceChanged() = 0;
    virtual void RecreateDevicePopupMenu() = 0;
    virtual int ShowShutterDialog(unsigned int id, HWND parent) = 0;
};

class QV_FRAMEWORK_API DMApi {
public:
    // The host application installs its device manager; null detaches it.
    static void SetHost(IQvDeviceManagerHost* host);

    static unsigned int LogDev_GetCount();
    static unsigned int LogDev_GetId(unsigned int index);
    static const wchar_t* LogDev_GetKey(unsigned int id);
    static unsigned int LogDev_GetPhysDevId(unsigned int id);
    static CQvDMApiBool LogDev_GetVisible(unsigned int id);
    static CQvDMApiBool LogDev_GetActive(unsigned int id, bool checkPhysical);
    static CQvDMApiBool PhysDev_Configure(unsigned int physDevId, HWND parent);
    static void Refresh();
    static CQvDMApiBool Shutter_GetState(unsigned int id, bool fromDevice);
    static const wchar_t* Shutter_GetToolbarName(unsigned int id, bool shortName);
    static int GetLogCommunication();
};

class QV_FRAMEWORK_API CQvSimpleDMHelper {
public:
    // Takes a macro-command text into the host's command protocol.
    static int G5_ML_Protocol_Command(const wchar_t* command);
    static void G5_Update_PhysicalDeviceChangedStatus();
    static void G5_StgRecreateDevicePopupMenu();
    static int ShowGUI_DMShutterDialog(unsigned int shutterId, HWND parent);
};
