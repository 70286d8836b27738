// Connecting, disconnecting and resetting the device, and the status poll of the unit.
#include "aomtavodevice.h"

#include "aomlog.h"
#include "aomnidaqport.h"
#include "aomtavomultilaser.h"
#include "aomtavoport.h"
#include "aomtavoshutter.h"

#include <qv/qvdmapi.h>
#include <qv/qvlog.h>
#include <qv/qvsystem.h>

#include <stdio.h>
#include <wchar.h>

namespace {
const size_t kVersionBufferSize = 32;
const int kFirstPoll = 10;
// ConnectDevice answers 1 on every path; the host reads the outcome from the state and the connected flag.
const EDeviceManagerReturnCode kConnectAnswer = DMRC_WRONG_STATE;
const int64_t kBusy = -2;
const ULONGLONG kDisconnectRetryMs = 5000;
// Lost-line recovery (measured, see the README): a working line never failed a whole poll; a pulled or
// silent one fails each poll in about 1 s (two read time-outs), so three in a row declare the loss after
// about 3 s and tell it from a stray glitch.
const int kLostAfterFailedPolls = 3;
// A reopen costs under a millisecond while the COM name is gone and one probe time-out (502 ms) while
// the name is back but the unit is silent: once a second keeps the worker free for commands at least
// half of the time.
const ULONGLONG kReopenPeriodMs = 1000;
} // namespace

EDeviceManagerReturnCode CQvAOMTAVO::ConnectDevice(const wchar_t* connection) {
    QV_DIAG(L"CQvAOMTAVO::ConnectDevice - BEGIN");
    if (RefusedOnWorker(L"ConnectDevice")) return kConnectAnswer;
    bool connected = Connect(connection);
    // NI-DAQmx's dialog of a failed connect waits for a person: shown once nothing of the device is held.
    if (!connected) m_pNIDAQPort->ShowPendingMessage();
    return kConnectAnswer;
}

bool CQvAOMTAVO::Connect(const wchar_t* connection) {
    CAOMSectionHold lifecycle(m_LifecycleLock);
    {
        AOM_HOLD(m_DeviceLock);
        m_bConnected = false;
        m_iState = 3;
        CQvStringW value;
        int port = 0;
        if (GetKeyValue(connection, L"m_iCOMPort", value) == 0 &&
            swscanf(value.GetString(), L"%d", &port) == 1)
            m_iCOMPort = port;
        m_iConnectedCOMPort = m_iCOMPort;
        m_bLogCommunication = DMApi::GetLogCommunication() == 1;
    }
    // The worker is started and stopped without the device lock: a command it may still be running can
    // wait for that lock.
    if (!StartWorker()) {
        AOM_ALWAYS(
            L"ERROR: CQvAOMTAVO::ConnectDevice - cannot connect: the worker thread could not be started");
        QV_DIAG(L"CQvAOMTAVO::ConnectDevice - END, error - cannot create thread");
        return false;
    }
    if (m_bSimulator) {
        AOM_HOLD(m_UnitStateLock);
        for (int i = 0; i < AOM_LINE_COUNT; ++i)
            m_Lines[i].iIndex = i + 1;
    }
    CQvStringW failure;
    int64_t result = CallBack(C_Connect, reinterpret_cast<uintptr_t>(this),
                              static_cast<uint64_t>(m_iConnectedCOMPort), 0, 0, &failure);
    if (result != 0) {
        StopWorker();
        // A connect that ended after its time-out, while the worker was stopped, left the ports open with
        // nobody to use them; the worker is gone, so they are closed here.
        ClosePorts();
        AOM_ALWAYS(L"ERROR: CQvAOMTAVO::ConnectDevice - cannot connect: %s", failure.GetString());
        QV_DIAG(L"CQvAOMTAVO::ConnectDevice - END, error - cannot connect");
        return false;
    }
    m_pMultiLaser->ForgetWrittenPowers();
    {
        AOM_HOLD(m_DeviceLock);
        m_bConnected = true;
    }
    QV_DIAG(L"CQvAOMTAVO::ConnectDevice - END, success");
    return true;
}

void CQvAOMTAVO::ClosePorts() {
    if (m_hWorkerThread) return; // a worker that could not be ended may still use them
    m_pPort->Close();
    m_pNIDAQPort->Close();
}

int32_t CQvAOMTAVO::C_Connect(uint64_t deviceArg, uint64_t comPort, uint64_t) {
    CQvAOMTAVO* device = reinterpret_cast<CQvAOMTAVO*>(static_cast<uintptr_t>(deviceArg));
    QV_DIAG(L"CQvAOMTAVO::C_Connect - begin");
    if (!device->m_pNIDAQPort->Open(*device, device->m_bSimulator)) {
        device->m_sCommandFailure = device->m_pNIDAQPort->LastFailure();
        device->m_pNIDAQPort->Close();
        return -1;
    }
    CQvAOMTAVOPort& port = *device->m_pPort;
    int32_t result = -1;
    device->m_iFailedPolls = 0;
    device->m_bLineLost = false;
    if (!port.Open(static_cast<int>(comPort), device->m_bSimulator, device->m_bLogCommunication)) {
        device->m_sCommandFailure = port.LastFailure();
    } else {
        QV_Sleep(100.0, 1);
        char version[kVersionBufferSize] = {};
        if (!device->ReadUnitAfterOpen(version, sizeof version)) {
            device->m_sCommandFailure = port.LastFailure();
            port.Close();
            result = -2;
        } else {
            device->m_iPollCountdown = kFirstPoll;
            result = 0;
        }
    }
    QV_DIAG(L"CQvAOMTAVO::C_Connect - end - LRESULT=0x%08x", result);
    return result;
}

bool CQvAOMTAVO::ReadUnitAfterOpen(char* version, size_t capacity) {
    CQvAOMTAVOPort& port = *m_pPort;
    if (!port.RdVersion(version, capacity)) return false;
    bool bino = false;
    uint32_t line = 0, mask = 0;
    port.RdBinoShutter(&bino);
    bool haveLine = port.RdLineUsed(&line);
    bool haveMask = port.RdLinesUsed(&mask);
    bool extended = !haveLine && haveMask;
    m_sFWVersion = CQvStringW(version);
    QV_DIAG(L"CQvAOMTAVO::C_Connect - FW version %s", m_sFWVersion.GetString());
    // Polling is off (connect) or this is the poll's own thread (a line back): no reader of the mode races.
    AOM_HOLD(m_UnitStateLock);
    m_bExtendedMode = extended;
    m_bBinoShutter = bino;
    if (extended) {
        QV_DIAG(L"CQvAOMTAVO::C_Connect - Extended Mode");
        m_iLineUsed = 0;
        m_iLinesUsed = mask;
        m_bShutterOpen = mask != 0 && !bino;
        m_iLinesMask = mask;
        m_iCurrentLine = 0;
    } else {
        QV_DIAG(L"CQvAOMTAVO::C_Connect - Standard Mode");
        m_iLineUsed = line;
        m_iLinesUsed = 0;
        m_bShutterOpen = line != 0 && !bino;
        m_iLinesMask = 0;
        m_iCurrentLine = line != 0 ? line : 1;
    }
    m_bPushPending = true;
    return true;
}

void CQvAOMTAVO::WatchLine(bool answered) {
    if (answered || m_bSimulator) {
        m_iFailedPolls = 0;
        return;
    }
    if (++m_iFailedPolls < kLostAfterFailedPolls) return;
    // The handle of a pulled adapter stays dead even when the adapter comes back under the same name.
    m_pPort->Close();
    m_bLineLost = true;
    m_uNextReopen = GetTickCount64() + kReopenPeriodMs;
    AOM_ALWAYS(
        L"ERROR: CQvAOMTAVO::Main - line to the unit lost after %d failed polls; reopening COM%d every %u ms",
        m_iFailedPolls, m_iConnectedCOMPort, static_cast<unsigned>(kReopenPeriodMs));
    // The failed polls already read "no line"; a lost line passes no light in either mode, so the shutter is
    // closed too (in extended mode a mask of 0 alone would leave it as it was).
    bool wasOpen = false;
    {
        AOM_HOLD(m_UnitStateLock);
        wasOpen = m_bShutterOpen;
        m_bShutterOpen = false;
    }
    if (wasOpen) m_pShutter->Notify(false);
}

void CQvAOMTAVO::TryReopenLine() {
    ULONGLONG start = GetTickCount64();
    if (start < m_uNextReopen) return;
    char version[kVersionBufferSize] = {};
    bool back = m_pPort->Open(m_iConnectedCOMPort, false, m_bLogCommunication) &&
                ReadUnitAfterOpen(version, sizeof version);
    // Timed from the attempt's start, but never back to back: a unit that times out the probe does not
    // keep the worker from commands.
    ULONGLONG end = GetTickCount64();
    m_uNextReopen = (start + kReopenPeriodMs > end ? start + kReopenPeriodMs : end + kReopenPeriodMs / 2);
    if (!back) {
        m_pPort->Close();
        return;
    }
    m_bLineLost = false;
    m_iFailedPolls = 0;
    AOM_ALWAYS(L"CQvAOMTAVO::Main - line to the unit back on COM%d", m_iConnectedCOMPort);
}

bool CQvAOMTAVO::UnitReachable() {
    if (!m_bLineLost) return true;
    m_sCommandFailure.Format(L"the line to the unit on COM%d is lost", m_iConnectedCOMPort);
    return false;
}

bool CQvAOMTAVO::WriteSelection(bool extended, uint32_t value) {
    if (extended ? m_pPort->WrLinesUsed(value) : m_pPort->WrLineUsed(value)) return true;
    m_sCommandFailure = m_pPort->LastFailure();
    return false;
}

void CQvAOMTAVO::DisconnectDevice() {
    QV_DIAG(L"CQvAOMTAVO::DisconnectDevice - BEGIN");
    if (m_iState == 0 || RefusedOnWorker(L"DisconnectDevice")) return;
    CAOMSectionHold lifecycle(m_LifecycleLock);
    // After a failed connect no worker runs: there is nothing to post to, and no time-out to report.
    // A command still running refuses the post; the ports must be closed all the same, so the post is
    // repeated until that command ends (bounded: a command that never ends is stopped with its worker).
    int64_t result = kBusy;
    ULONGLONG deadline = GetTickCount64() + kDisconnectRetryMs;
    while (m_hWorkerThread &&
           (result = CallBack(C_Disconnect, reinterpret_cast<uintptr_t>(this), 0, 0, 0)) == kBusy &&
           GetTickCount64() < deadline)
        Sleep(1);
    StopWorker();
    // The disconnect command did not run (the slot stayed busy, or the worker did not answer): the ports it
    // would have closed are closed here, now that no worker uses them.
    if (result != 0 && result != -1) ClosePorts();
    {
        AOM_HOLD(m_DeviceLock);
        m_bConnected = false;
        m_iState = 0;
    }
    QV_DIAG(L"CQvAOMTAVO::DisconnectDevice - END, success");
}

int32_t CQvAOMTAVO::C_Disconnect(uint64_t deviceArg, uint64_t, uint64_t) {
    CQvAOMTAVO* device = reinterpret_cast<CQvAOMTAVO*>(static_cast<uintptr_t>(deviceArg));
    QV_DIAG(L"CQvAOMTAVO::C_Disconnect - begin");
    device->m_iPollCountdown = -1;
    int32_t result = device->m_pNIDAQPort->Close() ? -1 : 0;
    device->m_pPort->Close();
    QV_DIAG(L"CQvAOMTAVO::C_Disconnect - end - LRESULT=0x%08x", result);
    return result;
}

EDeviceManagerReturnCode CQvAOMTAVO::ResetDevice(SQvLogicalDeviceList& list) {
    QV_DIAG(L"CQvAOMTAVO::ResetDevice - BEGIN");
    if (!m_bConnected) return DMRC_WRONG_STATE;
    if (RefusedOnWorker(L"ResetDevice")) return DMRC_WRONG_STATE;
    CAOMSectionHold lifecycle(m_LifecycleLock);
    {
        AOM_HOLD(m_DeviceLock);
        list.RemoveAll();
        m_iState = 1;
    }
    QV_DIAG(L"CQvAOMTAVO::ResetDevice - END, success");
    return DMRC_RESET_OK;
}

bool CQvAOMTAVO::StatusPoll() {
    // The unit is read without a lock; a failed read counts as "not engaged" and "no line". Only silence
    // on both reads counts against the line: a unit that answers, however badly, is still there.
    bool bino = false;
    uint32_t reading = 0;
    m_pPort->RdBinoShutter(&bino);
    bool answered = m_pPort->LastExchangeAnswered();
    if (m_bExtendedMode)
        m_pPort->RdLinesUsed(&reading);
    else
        m_pPort->RdLineUsed(&reading);
    answered = answered || m_pPort->LastExchangeAnswered();
    bool shutter = false, selectionChanged = false, shutterChanged = false;
    const bool extended = m_bExtendedMode;
    uint32_t selection = 0;
    {
        AOM_HOLD(m_UnitStateLock);
        shutter = m_bShutterOpen;
        selection = extended ? m_iLinesMask : m_iCurrentLine;
        uint32_t& last = extended ? m_iLinesUsed : m_iLineUsed;
        if (reading != last) {
            last = reading;
            if (extended) {
                selection = reading;
                if (reading != 0) shutter = true;
            } else if (reading != 0) {
                selection = reading;
                shutter = true;
            } else {
                shutter = false; // a standard unit cannot deselect: 0 means closed, the line stays
            }
        }
        if (bino != m_bBinoShutter) {
            m_bBinoShutter = bino;
            // Engaged, it holds the light back. Released, the unit passes again what it was passing, which
            // the host was told was closed: the shutter is what the unit reports.
            shutter = !bino && reading != 0;
        }
        uint32_t& stored = extended ? m_iLinesMask : m_iCurrentLine;
        selectionChanged = selection != stored;
        stored = selection;
        shutterChanged = shutter != m_bShutterOpen;
        m_bShutterOpen = shutter;
    }

    bool pushing = m_bPushPending;
    bool laserAccepted = false, shutterAccepted = false;
    if (selectionChanged || pushing) {
        bool on[3];
        for (uint32_t k = 1; k <= 3; ++k)
            on[k - 1] = extended ? (selection & (1u << (k - 1))) != 0 : selection == k;
        laserAccepted = m_pMultiLaser->Notify(on[0], on[1], on[2], -1);
    }
    if (shutterChanged || pushing) shutterAccepted = m_pShutter->Notify(shutter);
    if (pushing && laserAccepted && shutterAccepted) m_bPushPending = false;
    return answered;
}
