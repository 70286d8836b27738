#include "qv/qvdmapi.h"

// Without a host every query answers "nothing there".
namespace {
IQvDeviceManagerHost* volatile g_pHost = nullptr;
}

void DMApi::SetHost(IQvDeviceManagerHost* host) {
    g_pHost = host;
}

unsigned int DMApi::LogDev_GetCount() {
    return g_pHost ? g_pHost->LogDevCount() : 0;
}
unsigned int DMApi::LogDev_GetId(unsigned int index) {
    return g_pHost ? g_pHost->LogDevId(index) : 0;
}
const wchar_t* DMApi::LogDev_GetKey(unsigned int id) {
    return g_pHost ? g_pHost->LogDevKey(id) : nullptr;
}
unsigned int DMApi::LogDev_GetPhysDevId(unsigned int id) {
    return g_pHost ? g_pHost->LogDevPhysDevId(id) : 0;
}
CQvDMApiBool DMApi::LogDev_GetVisible(unsigned int id) {
    return g_pHost && g_pHost->LogDevVisible(id);
}
CQvDMApiBool DMApi::LogDev_GetActive(unsigned int id, bool checkPhysical) {
    return g_pHost && g_pHost->LogDevActive(id, checkPhysical);
}
CQvDMApiBool DMApi::PhysDev_Configure(unsigned int physDevId, HWND parent) {
    return g_pHost && g_pHost->PhysDevConfigure(physDevId, parent);
}
void DMApi::Refresh() {
    if (g_pHost) g_pHost->Refresh();
}
CQvDMApiBool DMApi::Shutter_GetState(unsigned int id, bool fromDevice) {
    return g_pHost && g_pHost->ShutterState(id, fromDevice);
}
const wchar_t* DMApi::Shutter_GetToolbarName(unsigned int id, bool shortName) {
    return g_pHost ? g_pHost->ShutterToolbarName(id, shortName) : nullptr;
}
int DMApi::GetLogCommunication() {
    return g_pHost ? g_pHost->LogCommunication() : 0;
}

int CQvSimpleDMHelper::G5_ML_Protocol_Command(const wchar_t* command) {
    return g_pHost ? g_pHost->ProtocolCommand(command) : 0;
}
void CQvSimpleDMHelper::G5_Update_PhysicalDeviceChangedStatus() {
    if (g_pHost) g_pHost->PhysicalDeviceChanged();
}
void CQvSimpleDMHelper::G5_StgRecreateDevicePopupMenu() {
    if (g_pHost) g_pHost->RecreateDevicePopupMenu();
}
int CQvSimpleDMHelper::ShowGUI_DMShutterDialog(unsigned int shutterId, HWND parent) {
    return g_pHost ? g_pHost->ShowShutterDialog(shutterId, parent) : 0;
}
