// The AOM control voltages: one started task per line, built on its first write and written one value at a
// time; boards that were reset, left the system or came back.
#include "aomnidaqport.h"

#include "aomlog.h"
#include "nidaqmxapi.h"

#include <qv/qvlog.h>

#include <algorithm>
#include <string.h>

namespace {
// A channel that discovery did not list is created with the range the module always used.
const double kDefaultLow = -10.0, kDefaultHigh = 10.0;

// NI's answers for a board that is no longer there: unplugged, switched off, or removed from the system.
bool BoardUnreachable(int32 status) {
    return status == DAQmxErrorDevCannotBeAccessed || status == DAQmxErrorDeviceRemoved;
}

// "Dev1/ao0" belongs to "Dev1".
std::string BoardOf(const CQvStringW& channel) {
    std::string name = CQvStringA(channel).GetString();
    return name.substr(0, name.find('/'));
}
} // namespace

void CQvAOMNIDAQPort::SetLineOutput(int line, const CQvStringW& channel, double low, double high) {
    if (static_cast<unsigned>(line) >= LineCount) return;
    SNIDAQLineTask& task = m_LineTasks[line];
    task.sChannel = channel;
    task.dLow = low < high ? low : high;
    task.dHigh = low < high ? high : low;
    task.bTaskCreated = false; // the old task is stale now and goes at the next task building
}

void CQvAOMNIDAQPort::ChannelSpan(const SNIDAQLineTask& task, double& low, double& high) const {
    low = task.dLow;
    high = task.dHigh;
    if (low < high) return;
    low = kDefaultLow;
    high = kDefaultHigh;
    CQvStringA channel(task.sChannel);
    for (const SChannelRanges& c : m_Channels) {
        if (_stricmp(c.sName.c_str(), channel) != 0 || c.ranges.empty()) continue;
        low = c.ranges[0].first;
        high = c.ranges[0].second;
        for (const auto& range : c.ranges)
            if (range.first <= task.dLow && task.dLow <= range.second) {
                low = range.first;
                high = range.second;
                break;
            }
    }
}

int CQvAOMNIDAQPort::CreateCompleteTask(SNIDAQLineTask* task) {
    if (!task) return -9;
    QV_DIAG(L"CQvAOMNIDAQPort CreateCompleteTask - start");
    DestroyCompleteTask();
    CQvStringA channel(task->sChannel);
    // The channel takes the line's own span: NI chooses the DAC range for it and refuses any value outside.
    double low = kDefaultLow, high = kDefaultHigh;
    ChannelSpan(*task, low, high);
    TaskHandle handle = nullptr;
    int32 status = DAQMX(CreateTask, PFN_DAQmxCreateTask)("", &handle);
    if (status < 0) {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort DAQmxCreateTask");
        ReportError(L"DAQmxCreateTask", status);
        return -9;
    }
    task->hTask = handle;
    const wchar_t* failed = nullptr;
    int32 type = 0;
    if ((status = DAQMX(CreateAOVoltageChan, PFN_DAQmxCreateAOVoltageChan)(handle, channel, "", low, high,
                                                                           DAQmx_Val_Volts, nullptr)) < 0) {
        failed = L"DAQmxCreateAOVoltageChan";
    } else if ((status = DAQMX(GetChanType, PFN_DAQmxGetChanInt32)(handle, channel, &type)) < 0) {
        failed = L"DAQmxGetChanType";
    } else if (type != DAQmx_Val_AO) {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort DAQmx_Val_AO");
        m_sLastFailure.Format(L"the channel %S is not an analog output", channel.GetString());
        DestroyCompleteTask();
        return -9;
    } else if ((status = DAQMX(GetAOOutputType, PFN_DAQmxGetChanInt32)(handle, channel, &type)) < 0) {
        failed = L"DAQmxGetAOOutputType";
    } else if (type != DAQmx_Val_Voltage) {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort DAQmx_Val_Voltage");
        m_sLastFailure.Format(L"the channel %S does not output a voltage", channel.GetString());
        DestroyCompleteTask();
        return -9;
    } else if ((status = DAQMX(SetAOVoltageUnits, PFN_DAQmxSetChanInt32)(handle, channel, DAQmx_Val_Volts)) <
               0) {
        failed = L"DAQmxSetAOVoltageUnits";
    } else {
        DAQMX(SetAOResolutionUnits, PFN_DAQmxSetChanInt32)(handle, channel, DAQmx_Val_Bits);
        DAQMX(ResetAODACRngLow, PFN_DAQmxResetChan)(handle, channel);
        DAQMX(ResetAODACRngHigh, PFN_DAQmxResetChan)(handle, channel);
        if ((status = DAQMX(StartTask, PFN_DAQmxTask)(handle)) < 0) failed = L"DAQmxStartTask";
    }
    if (failed) {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort %s", failed);
        ReportError(failed, status);
        DestroyCompleteTask(); // the half-built task is not marked created, so it is released
        return -9;
    }
    task->bTaskCreated = true;
    QV_DIAG(L"CQvAOMNIDAQPort CreateCompleteTask - end");
    return 0;
}

int CQvAOMNIDAQPort::DestroyCompleteTask() {
    QV_DIAG(L"CQvAOMNIDAQPort DestroyCompleteTask - start");
    for (SNIDAQLineTask& task : m_LineTasks) {
        if (task.bTaskCreated || !task.hTask) continue;
        // Without the library (unloaded by a refused version) the handle is only forgotten.
        if (m_Library.hModule) {
            if (DAQMX(StopTask, PFN_DAQmxTask)(task.hTask) < 0)
                QV_DIAG(L"ERROR: CQvAOMNIDAQPort DAQmxStopTask");
            if (DAQMX(ClearTask, PFN_DAQmxTask)(task.hTask) < 0)
                QV_DIAG(L"ERROR: CQvAOMNIDAQPort DAQmxClearTask");
        }
        task.hTask = nullptr;
    }
    QV_DIAG(L"CQvAOMNIDAQPort DestroyCompleteTask - end");
    return 0;
}

int32_t CQvAOMNIDAQPort::WriteTask(SNIDAQLineTask& task, double volts) {
    int32 status =
        DAQMX(WriteAnalogScalarF64, PFN_DAQmxWriteAnalogScalarF64)(task.hTask, 0, 10.0, volts, nullptr);
    if (status < 0) {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort DAQmxWriteAnalogScalarF64");
        ReportError(L"DAQmxWriteAnalogScalarF64", status);
    }
    return status;
}

bool CQvAOMNIDAQPort::WriteChannelVoltage(int line, double volts, bool probe) {
    m_sLastFailure.Empty();
    if (bSimulate) return true;
    if (!bOpened) {
        m_sLastFailure = L"NI-DAQmx was never opened";
        return false;
    }
    QV_DIAG(L"CQvAOMNIDAQPort WriteChannelVoltage - start");
    if (static_cast<unsigned>(line) >= LineCount) {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort WriteChannelVoltage - ValueOutOfRange");
        m_sLastFailure.Format(L"line index %d is not 0, 1 or 2", line);
        return false;
    }
    LARGE_INTEGER frequency, start, end;
    bool haveFrequency = QueryPerformanceFrequency(&frequency) != 0;
    QueryPerformanceCounter(&start);
    SNIDAQLineTask& task = m_LineTasks[line];
    const std::string board = BoardOf(task.sChannel);
    const bool unreachable =
        std::find(m_UnreachableBoards.begin(), m_UnreachableBoards.end(), board) != m_UnreachableBoards.end();
    bool written = false;
    m_iLastStatus = 0;
    // A later Open may have refused the library and unloaded it: then there is nothing to call.
    if (!m_Library.hModule) {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort NI-DAQmx library not loaded");
        m_sLastFailure = L"the NI-DAQmx library is not loaded";
    } else if (unreachable && !probe) {
        // Asked again at the board check only: a call to a board that is gone may take NI's own time-outs.
        m_sLastFailure.Format(L"the NI-DAQmx board %S cannot be reached", board.c_str());
    } else {
        bool built = !task.bTaskCreated;
        if (built && CreateCompleteTask(&task) != 0) {
            QV_DIAG(L"ERROR: CQvAOMNIDAQPort CreateCompleteTask");
        } else if (WriteTask(task, volts) >= 0) {
            written = true;
        } else if (!built) {
            // A board that was reset, or that left the system and came back, aborts its tasks, which then
            // take no write until started again: the task is built afresh and the value written once more.
            QV_DIAG(L"CQvAOMNIDAQPort WriteChannelVoltage - the task refused the write; built again");
            task.bTaskCreated = false;
            if (CreateCompleteTask(&task) != 0)
                QV_DIAG(L"ERROR: CQvAOMNIDAQPort CreateCompleteTask");
            else
                written = WriteTask(task, volts) >= 0;
        }
        if (!written) task.bTaskCreated = false; // the next write builds it afresh
        if (written || BoardUnreachable(m_iLastStatus)) NoteBoard(board, written);
    }
    if (!written) {
        DestroyCompleteTask();
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort WriteChannelVoltage - end Fail");
        return false;
    }
    m_sLastFailure.Empty();
    bool haveEnd = QueryPerformanceCounter(&end) != 0;
    if (haveEnd && haveFrequency && frequency.QuadPart > 0) {
        double microseconds = static_cast<double>(end.QuadPart - start.QuadPart) /
                              (static_cast<double>(frequency.QuadPart) / 1e6);
        QV_DIAG(L"CQvAOMNIDAQPort Wait: %5.1f us", microseconds);
    } else {
        QV_DIAG(L"CQvAOMNIDAQPort TickCounts not ready");
    }
    QV_DIAG(L"CQvAOMNIDAQPort WriteChannelVoltage - end OK");
    return true;
}

void CQvAOMNIDAQPort::NoteBoard(const std::string& board, bool reached) {
    auto it = std::find(m_UnreachableBoards.begin(), m_UnreachableBoards.end(), board);
    if (reached && it != m_UnreachableBoards.end()) {
        m_UnreachableBoards.erase(it);
        AOM_ALWAYS(L"CQvAOMNIDAQPort - NI-DAQmx board %S back", board.c_str());
    } else if (!reached && it == m_UnreachableBoards.end()) {
        m_UnreachableBoards.push_back(board);
        AOM_ALWAYS(L"ERROR: CQvAOMNIDAQPort - NI-DAQmx board %S cannot be reached: %s; its lines are written "
                   L"again once it answers, tried every %u ms",
                   board.c_str(), m_sLastFailure.GetString(), AOM_BOARD_CHECK_PERIOD_MS);
    }
}
