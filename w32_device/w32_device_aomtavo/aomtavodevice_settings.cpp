// The settings texts of the device: grammar, the connection text and the line configuration.
#include "aomtavodevice.h"

#include "aomconfigcheck.h"
#include "aomparse.h"

#include "aomnidaqport.h"
#include "aomtavopad.h"
#include "cfgdlg.h"
#include "aomsettingstext.h"
#include "aomtavomultilaser.h"
#include "aomtavoshutter.h"

#include <qv/qvlog.h>
#include <qv/qvserial.h>

#include <wchar.h>

namespace {
const int kNotFound = -9;

bool IsEmptyText(const wchar_t* s) {
    return !s || !*s;
}
} // namespace

int CQvAOMTAVO::GetKeyValue(const wchar_t* text, const wchar_t* key, CQvStringW& value) {
    const wchar_t* start = nullptr;
    size_t length = 0;
    if (!AOMFindKeyValue(text, key, &start, &length)) return kNotFound;
    value = CQvStringW(start, static_cast<int>(length));
    return 0;
}

int CQvAOMTAVO::GetIndexedKeyValue(const wchar_t* text, const wchar_t* key, CQvStringW& value, int index) {
    if (IsEmptyText(text) || IsEmptyText(key)) return kNotFound;
    CQvStringW indexed(key);
    indexed.AddChar(L'[').AddInt(index).AddChar(L']');
    return GetKeyValue(text, indexed, value);
}

int CQvAOMTAVO::AddKeyValue(CQvStringW& text, const wchar_t* key, const wchar_t* value) {
    if (IsEmptyText(key) || IsEmptyText(value)) return kNotFound;
    text.AddString(key).AddChar(L'=').AddString(value).AddChar(L';');
    return 0;
}

int CQvAOMTAVO::AddIndexedKeyValue(CQvStringW& text, const wchar_t* key, const wchar_t* value, int index) {
    if (IsEmptyText(key) || IsEmptyText(value)) return kNotFound;
    CQvStringW indexed(key);
    indexed.AddChar(L'[').AddInt(index).AddChar(L']');
    return AddKeyValue(text, indexed, value);
}

EDeviceManagerReturnCode CQvAOMTAVO::ConfigureDevice(const wchar_t* configuration, uint32_t physDevId,
                                                     SQvLogicalDeviceList& list) {
    m_iPhysDevId = physDevId;
    QV_DIAG(L"CQvAOMTAVO::ConfigureDevice - BEGIN");
    if (!m_bConnected) {
        QV_DIAG(L"CQvAOMTAVO::ConfigureDevice - END, error - not connected");
        return DMRC_WRONG_STATE;
    }
    RefreshChannelTable();
    // A text is taken as documented; what its writer probably did not mean is said, not refused.
    AOMWarnAboutConfiguration(*this, configuration);
    for (int i = 0; i < AOM_LINE_COUNT; ++i) {
        SAOMLineConfig& line = m_Lines[i];
        CQvStringW value;
        if (GetIndexedKeyValue(configuration, L"bEmpty", value, i) == 0) ScanSettingInt(value, line.bEmpty);
        m_pMultiLaser->m_abEmpty[i] = line.bEmpty != 0;

        // Any index the channel table can hold is kept, so that a text written on a machine with more
        // channels survives here unchanged; an entry beyond the discovered ones has no channel and its
        // writes fail in the log. Only an index outside the table is refused, and its range reaches no entry.
        int index = line.iIndex;
        bool refused = false;
        if (GetIndexedKeyValue(configuration, L"iIndex", value, i) == 0 && ScanSettingInt(value, index) &&
            (index < 0 || index > AOM_MAX_AO_CHANNELS)) {
            refused = true;
            QV_DIAG(L"CQvAOMTAVO::ConfigureDevice - iIndex[%d]=%d refused, outside 0 to %d, %d kept", i,
                    index, static_cast<int>(AOM_MAX_AO_CHANNELS), line.iIndex);
            index = line.iIndex;
        }
        SAOChannel* channel = !refused && index > 0 ? &m_AOChannels[index - 1] : nullptr;
        float min = line.fValMin, max = line.fValMax;
        if (GetIndexedKeyValue(configuration, L"fValMin", value, i) == 0 && ScanSettingFloat(value, min) &&
            channel) {
            channel->fMin = min;
            channel->bUserRange = true;
        }
        if (GetIndexedKeyValue(configuration, L"fValMax", value, i) == 0 && ScanSettingFloat(value, max) &&
            channel) {
            channel->fMax = max;
            channel->bUserRange = true;
        }
        if (GetIndexedKeyValue(configuration, L"fValLambda", value, i) == 0)
            ScanSettingFloat(value, line.fValLambda);
        CQvStringW channelName = line.sChannel_Name;
        if (GetIndexedKeyValue(configuration, L"sChannel_Name", value, i) == 0) channelName = value;
        if (GetIndexedKeyValue(configuration, L"sLineName", value, i) == 0)
            m_pMultiLaser->m_asName[i] = value;
        SetLineOutput(i, index, channelName, min, max);
    }
    {
        AOM_HOLD(m_DeviceLock);
        list.RemoveAll();
        list.Add(m_pMultiLaser);
        list.Add(m_pShutter);
        m_iState = 2;
    }
    // What the host reads for each line is what its channel gets, on a new channel or span too.
    ApplyPowers();
    QV_DIAG(L"CQvAOMTAVO::ConfigureDevice - END, success");
    return DMRC_OK;
}

void CQvAOMTAVO::SetLineOutput(int position, int index, const CQvStringW& channel, float min, float max) {
    AOM_HOLD(m_UnitStateLock);
    SAOMLineConfig& line = m_Lines[position];
    // A channel that has its voltage keeps it whatever else changes; a new channel or span needs a new one.
    if (line.iIndex != index || line.sChannel_Name != channel || line.fValMin != min || line.fValMax != max)
        m_pMultiLaser->m_abPowerWritten[position] = false;
    line.iIndex = index;
    line.sChannel_Name = channel;
    line.fValMin = min;
    line.fValMax = max;
    // Every line's task is built afresh at its next write, as after every configuration.
    ++m_uOutputsGeneration;
}

void CQvAOMTAVO::ApplyPowers() {
    if (m_iState != 2 || !m_bConnected) return;
    CQvStringW failure;
    if (CallBack(CQvAOMTAVOMultiLaser::C_ApplyPowers, reinterpret_cast<uintptr_t>(m_pMultiLaser), 0, 0, 0,
                 &failure) != 0)
        QV_DIAG(L"CQvAOMTAVO::ApplyPowers - %s; the board check writes the powers", failure.GetString());
}

EDeviceManagerReturnCode CQvAOMTAVO::ShowLineConfigurationDialog(CQvStringW& configuration, HWND parent) {
    // The dialog decides itself what it stores; the text is written from the records either way.
    CCfgDlg dialog(this);
    dialog.DoModal(parent);
    WriteConfigurationText(configuration);
    ApplyPowers();
    if (m_pPad) m_pPad->RefreshGUI();
    return DMRC_OK;
}

void CQvAOMTAVO::WriteConfigurationText(CQvStringW& text) {
    text.Empty();
    for (int i = 0; i < AOM_LINE_COUNT; ++i) {
        SAOMLineConfig& line = m_Lines[i];
        line.bEmpty = m_pMultiLaser->m_abEmpty[i] ? 1 : 0;
        AddIndexedKeyValue(text, L"bEmpty", SettingInt(line.bEmpty), i);
        AddIndexedKeyValue(text, L"iIndex", SettingInt(line.iIndex), i);
        AddIndexedKeyValue(text, L"fValMin", SettingFloat(line.fValMin), i);
        AddIndexedKeyValue(text, L"fValMax", SettingFloat(line.fValMax), i);
        AddIndexedKeyValue(text, L"fValLambda", SettingFloat(line.fValLambda), i);
        AddIndexedKeyValue(text, L"sChannel_Name", line.sChannel_Name, i);
        AddIndexedKeyValue(text, L"sLineName", m_pMultiLaser->m_asName[i], i);
        m_pMultiLaser->m_auWavelength[i] = static_cast<uint32_t>(static_cast<int>(line.fValLambda));
    }
}

EDeviceManagerReturnCode CQvAOMTAVO::ShowConnectionDialog(CQvStringW& connection, HWND parent) {
    if (m_bSimulator) return DMRC_OK;
    CQvStringW value;
    ScanSettingInt(GetKeyValue(connection, L"m_iCOMPort", value) == 0 ? value.GetString() : nullptr,
                   m_iCOMPort);
    short chosen = QV_SerialShowConnectionDialog(parent, static_cast<short>(m_iCOMPort), m_bConnected, 0,
                                                 false, false, 0x800, nullptr);
    if (chosen == 0 || chosen == -1) return DMRC_CANCELLED;
    m_iCOMPort = chosen;
    connection.Empty();
    AddKeyValue(connection, L"m_iCOMPort", SettingInt(m_iCOMPort));
    return DMRC_OK;
}
