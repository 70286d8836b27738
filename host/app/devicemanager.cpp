#include "devicemanager.h"

#include "hostclock.h"

CQvHostDeviceManager::CQvHostDeviceManager()
    : m_uNextId(1), m_bLogCommunication(false), m_bInstalled(false), m_iPhysicalDeviceChanged(0),
      m_hChangeEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

CQvHostDeviceManager::~CQvHostDeviceManager() {
    if (m_bInstalled) DMApi::SetHost(nullptr);
    if (m_hChangeEvent) CloseHandle(m_hChangeEvent);
}

void CQvHostDeviceManager::Install() {
    DMApi::SetHost(this);
    m_bInstalled = true;
}

unsigned int CQvHostDeviceManager::AddLogicalDevice(const SHostLogicalDevice& device) {
    std::lock_guard<CHostLock> lock(m_Mutex);
    SHostLogicalDevice entry = device;
    if (entry.id == 0) entry.id = m_uNextId;
    if (entry.id >= m_uNextId) m_uNextId = entry.id + 1;
    m_Devices.push_back(entry);
    return entry.id;
}

void CQvHostDeviceManager::RemoveLogicalDevices(unsigned int physDevId) {
    std::lock_guard<CHostLock> lock(m_Mutex);
    for (size_t i = m_Devices.size(); i-- > 0;)
        if (m_Devices[i].physDevId == physDevId) m_Devices.erase(m_Devices.begin() + static_cast<long>(i));
}

const SHostLogicalDevice* CQvHostDeviceManager::FindLogicalDevice(unsigned int id) const {
    for (const SHostLogicalDevice& d : m_Devices)
        if (d.id == id) return &d;
    return nullptr;
}

std::vector<std::wstring> CQvHostDeviceManager::TakeMacros() {
    std::lock_guard<CHostLock> lock(m_Mutex);
    std::vector<std::wstring> macros;
    macros.swap(m_Macros);
    return macros;
}

std::vector<SHostChange> CQvHostDeviceManager::TakeChanges() {
    std::lock_guard<CHostLock> lock(m_Mutex);
    std::vector<SHostChange> changes;
    changes.swap(m_Changes);
    return changes;
}

size_t CQvHostDeviceManager::PendingChanges() {
    std::lock_guard<CHostLock> lock(m_Mutex);
    return m_Changes.size();
}

int64_t CQvHostDeviceManager::ChangeCallback(uint32_t, SQvDMChangeRecord* record, uint64_t context) {
    CQvHostDeviceManager* self = reinterpret_cast<CQvHostDeviceManager*>(static_cast<uintptr_t>(context));
    if (!self || !record) return 0;
    uint64_t now = HostClockMs();
    std::lock_guard<CHostLock> lock(self->m_Mutex);
    uint32_t count =
        record->uCount <= SQvDMChangeRecord::MaxEntries ? record->uCount : SQvDMChangeRecord::MaxEntries;
    for (uint32_t i = 0; i < count; ++i) {
        SHostChange change;
        change.key = record->auKey[i];
        change.kind = record->auKind[i];
        change.subKind = record->auSubKind[i];
        change.data.assign(record->aData[i], record->aData[i] + SQvDMChangeRecord::DataSize);
        change.atMs = now;
        self->m_Changes.push_back(change);
    }
    if (self->m_hChangeEvent) SetEvent(self->m_hChangeEvent);
    return 0;
}

unsigned int CQvHostDeviceManager::LogDevCount() {
    std::lock_guard<CHostLock> lock(m_Mutex);
    return static_cast<unsigned int>(m_Devices.size());
}

unsigned int CQvHostDeviceManager::LogDevId(unsigned int index) {
    std::lock_guard<CHostLock> lock(m_Mutex);
    return index < m_Devices.size() ? m_Devices[index].id : 0;
}

const wchar_t* CQvHostDeviceManager::LogDevKey(unsigned int id) {
    std::lock_guard<CHostLock> lock(m_Mutex);
    const SHostLogicalDevice* d = FindLogicalDevice(id);
    return d && !d->key.empty() ? d->key.c_str() : nullptr;
}

unsigned int CQvHostDeviceManager::LogDevPhysDevId(unsigned int id) {
    std::lock_guard<CHostLock> lock(m_Mutex);
    const SHostLogicalDevice* d = FindLogicalDevice(id);
    return d ? d->physDevId : 0;
}

bool CQvHostDeviceManager::LogDevVisible(unsigned int id) {
    std::lock_guard<CHostLock> lock(m_Mutex);
    const SHostLogicalDevice* d = FindLogicalDevice(id);
    return d && d->visible;
}

bool CQvHostDeviceManager::LogDevActive(unsigned int id, bool) {
    std::lock_guard<CHostLock> lock(m_Mutex);
    const SHostLogicalDevice* d = FindLogicalDevice(id);
    return d && d->active;
}

bool CQvHostDeviceManager::PhysDevConfigure(unsigned int physDevId, HWND parent) {
    return m_Configure && m_Configure(physDevId, parent);
}

void CQvHostDeviceManager::Refresh() {
    ++m_iRefresh;
}

bool CQvHostDeviceManager::ShutterState(unsigned int id, bool) {
    IQvDeviceShutter* shutter = nullptr;
    {
        std::lock_guard<CHostLock> lock(m_Mutex);
        const SHostLogicalDevice* d = FindLogicalDevice(id);
        shutter = d ? d->shutter : nullptr;
    }
    bool open = false;
    if (shutter) shutter->GetState(&open);
    return open;
}

const wchar_t* CQvHostDeviceManager::ShutterToolbarName(unsigned int, bool) {
    return nullptr;
}

int CQvHostDeviceManager::LogCommunication() {
    return m_bLogCommunication ? 1 : 0;
}

int CQvHostDeviceManager::ProtocolCommand(const wchar_t* text) {
    std::lock_guard<CHostLock> lock(m_Mutex);
    m_Macros.push_back(text ? text : L"");
    return 0;
}

void CQvHostDeviceManager::PhysicalDeviceChanged() {
    std::lock_guard<CHostLock> lock(m_Mutex);
    ++m_iPhysicalDeviceChanged;
}

void CQvHostDeviceManager::RecreateDevicePopupMenu() {}

int CQvHostDeviceManager::ShowShutterDialog(unsigned int id, HWND parent) {
    IQvLogicalDevice* device = nullptr;
    {
        std::lock_guard<CHostLock> lock(m_Mutex);
        const SHostLogicalDevice* d = FindLogicalDevice(id);
        device = d ? d->device : nullptr;
    }
    return device ? device->ShowDeviceConfigDialog(parent) : DMRC_NOT_SUPPORTED;
}
