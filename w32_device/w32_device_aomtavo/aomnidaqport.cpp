#include "aomnidaqport.h"

#include "aomparse.h"

#include "aomtavodevice.h"
#include "nidaqmxapi.h"

#include <qv/qvlocale.h>
#include <qv/qvlog.h>
#include <qv/qvsystem.h>

#include <string.h>
#include <functional>
#include <vector>

namespace {

const wchar_t kSourceFile[] = L"aomnidaqport";
const int kNameBufferSize = 256;
const int kMergedBufferSize = 4096;
const int kMaxChannelsPerBoard = 16;
// A list the library reports as longer than this is damaged, not something to allocate for.
const int32 kMaxListSize = 1 << 20;
const int32 kMaxRangeValues = 1024;
// The library's answers to a buffer that is too small: a text, an array.
const int32 kBufferTooSmallForString = -200228;
const int32 kWriteBufferTooSmall = -200234;

const char* const kFunctionNames[DAQmxFn_Count] = {"DAQmxGetSysNIDAQMajorVersion",
                                                   "DAQmxGetSysNIDAQMinorVersion",
                                                   "DAQmxGetSysDevNames",
                                                   "DAQmxGetDevAOPhysicalChans",
                                                   "DAQmxGetDevCOPhysicalChans",
                                                   "DAQmxGetDevProductType",
                                                   "DAQmxGetDevProductNum",
                                                   "DAQmxGetDevSerialNum",
                                                   "DAQmxCreateCOPulseChanTicks",
                                                   "DAQmxGetAODACRngHigh",
                                                   "DAQmxGetAODACRngLow",
                                                   "DAQmxResetAODACRngHigh",
                                                   "DAQmxResetAODACRngLow",
                                                   "DAQmxSetAOResolutionUnits",
                                                   "DAQmxSetAOVoltageUnits",
                                                   "DAQmxGetAOResolution",
                                                   "DAQmxGetAOOutputType",
                                                   "DAQmxGetChanType",
                                                   "DAQmxCreateAOVoltageChan",
                                                   "DAQmxCreateTask",
                                                   "DAQmxClearTask",
                                                   "DAQmxStopTask",
                                                   "DAQmxStartTask",
                                                   "DAQmxGetExtendedErrorInfo",
                                                   "DAQmxWaitUntilTaskDone",
                                                   "DAQmxWriteAnalogF64",
                                                   "DAQmxWriteAnalogScalarF64",
                                                   "DAQmxCfgSampClkTiming",
                                                   "DAQmxRegisterDoneEvent",
                                                   "DAQmxSetCOPulseHighTicks",
                                                   "DAQmxSetCOPulseLowTicks",
                                                   "DAQmxSetCOPulseTicksInitialDelay",
                                                   "DAQmxSetCOPulseIdleState",
                                                   "DAQmxCfgImplicitTiming",
                                                   "DAQmxSetCOCtrTimebaseSrc",
                                                   "DAQmxCfgDigEdgeStartTrig",
                                                   "DAQmxGetDevBusType",
                                                   "DAQmxGetDevPCIDevNum",
                                                   "DAQmxGetDevAOVoltageRngs"};

// One table for the whole module: the library is loaded once per process, and the table is filled
// completely under the library lock before any port copies it, so that two devices connecting at once
// never see half of it.
static_assert(static_cast<int>(SDAQmxBinding::FunctionCount) == static_cast<int>(DAQmxFn_Count),
              "one entry per function");
SDAQmxBinding g_DAQmx;
CAOMGuardedLock g_LibraryLock{L"NI-DAQmx library"};

#define DAQMX(fn, type) m_Library.Get<type>(DAQmxFn_##fn)

CQvStringW Widen(const char* s) {
    return CQvStringW(s);
}

// Reads a list text of the library (size query, then the list) and keeps the complete items that fit
// into capacity - 1 characters. Returns the status of the library; size is the size it reported.
int32 ReadList(const std::function<int32(char*, uInt32)>& query, char* out, int capacity, bool& cut,
               int32& size) {
    cut = false;
    out[0] = 0;
    size = query(nullptr, 0);
    if (size < 0) return size;
    if (size == 0) return 0;
    if (size > kMaxListSize) return -1;
    std::vector<char> full(static_cast<size_t>(size) + 1, 0);
    int32 status = query(full.data(), static_cast<uInt32>(size));
    if (status < 0) return status;
    full[static_cast<size_t>(size)] = 0;
    size_t length = strlen(full.data());
    if (length >= static_cast<size_t>(capacity)) {
        // Cut at the last separator that leaves the text within the buffer; a cut name would be wrong.
        size_t keep = 0;
        for (size_t i = 0; i < static_cast<size_t>(capacity) && i < length; ++i)
            if (full[i] == ',') keep = i;
        length = keep;
        cut = true;
    }
    memcpy(out, full.data(), length);
    out[length] = 0;
    return status;
}

} // namespace

CQvAOMNIDAQPort::CQvAOMNIDAQPort()
    : bSimulate(false), uSDKMajorVersion(0), uSDKMinorVersion(0), bOpened(false) {
    QV_DIAG(L"CQvAOMNIDAQPort constructor");
}

CQvAOMNIDAQPort::~CQvAOMNIDAQPort() {
    ReleaseLibrary();
}

void CQvAOMNIDAQPort::ReleaseLibrary() {
    if (m_Library.hModule) FreeLibrary(m_Library.hModule);
    m_Library = SDAQmxBinding();
}

void CQvAOMNIDAQPort::Lock() {
    m_Lock.Enter(QV_WFILE, __LINE__);
}

void CQvAOMNIDAQPort::Unlock() {
    m_Lock.Leave(QV_WFILE, __LINE__);
}

void CQvAOMNIDAQPort::UnloadLibrary() {
    if (g_DAQmx.hModule) FreeLibrary(g_DAQmx.hModule);
    g_DAQmx = SDAQmxBinding();
}

void CQvAOMNIDAQPort::ForgetTasks() {
    // Handles of an unloaded library mean nothing to the next one: every line builds its task afresh.
    for (SNIDAQLineTask& task : m_LineTasks) {
        task.hTask = nullptr;
        task.bTaskCreated = false;
    }
}

void CQvAOMNIDAQPort::ShowError(const wchar_t* text) {
    QV_MessageBox_(nullptr, QV_GetTranslation(text, kSourceFile), QV_GetTranslation(L"Error", kSourceFile),
                   MB_ICONERROR);
}

void CQvAOMNIDAQPort::FillSimulated(CQvAOMTAVO& device) {
    device.m_iDAQBoardCount = 1;
    device.m_DAQBoardNames[0] = L"Dev1";
    SDAQBoard& board = device.m_DAQBoards[0];
    board.sName = L"Dev1";
    board.uSDKMajor = 8;
    board.uSDKMinor = 9;
    board.fAORangeLow = -10.0f;
    board.fAORangeHigh = 10.0f;
    board.iAOChannels = 4;
    board.uProductNum = 6272;
    board.iBusType = DAQmx_Val_PCI;
    board.uPCIDevNum = 0;
    device.m_iAOChannelCount = 4;
    const wchar_t* names[] = {L"Dev1/ao0", L"Dev1/ao1", L"Dev1/ao2", L"Dev1/ao3"};
    for (int i = 0; i < 4; ++i)
        device.m_AOChannelNames[i] = names[i];
}

bool CQvAOMNIDAQPort::Open(CQvAOMTAVO& device, bool simulate) {
    bSimulate = simulate;
    if (simulate) {
        FillSimulated(device);
        return true;
    }
    Lock();
    QV_DIAG(L"CQvAOMNIDAQPort Open - start");
    if (!LoadLibraryAndCheckVersion(device)) return false; // unlocked and reported there
    if (!Discover(device)) return false;
    QV_DIAG(L"CQvAOMNIDAQPort Open - end");
    Unlock();
    bOpened = true;
    return true;
}

bool CQvAOMNIDAQPort::LoadLibraryAndCheckVersion(CQvAOMTAVO& device) {
    g_LibraryLock.Enter(QV_WFILE, __LINE__);
    if (!g_DAQmx.hModule) {
        // No system error box for a missing library: the dialog below says what to do.
        UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        HMODULE library = LoadLibraryW(L"nicaiu.dll");
        SetErrorMode(oldMode);
        if (!library) {
            g_LibraryLock.Leave(QV_WFILE, __LINE__);
            Unlock();
            ShowError(
                L"The NI-DAQmx library is not correctly installed.\r\nPlease, try to reinstall NI-DAQmx "
                L"library, version 8.9.5 at least.");
            return false;
        }
        SDAQmxBinding loaded;
        loaded.hModule = library;
        for (int i = 0; i < DAQmxFn_Count; ++i) {
            loaded.apFunctions[i] = GetProcAddress(library, kFunctionNames[i]);
            if (i == DAQmxFn_CfgDigEdgeStartTrig)
                loaded.apFunctions[i] = GetProcAddress(library, kFunctionNames[i]);
        }
        g_DAQmx = loaded;
    }
    if (m_Library.hModule != g_DAQmx.hModule) {
        ReleaseLibrary();
        HMODULE pinned = nullptr;
        // A reference of this port's own on the very module of the table (not a new search by name).
        if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                               reinterpret_cast<LPCWSTR>(g_DAQmx.hModule), &pinned)) {
            m_Library = g_DAQmx;
            m_Library.hModule = pinned;
        }
    }
    g_LibraryLock.Leave(QV_WFILE, __LINE__);
    auto major = DAQMX(GetSysNIDAQMajorVersion, PFN_DAQmxGetUInt32);
    auto minor = DAQMX(GetSysNIDAQMinorVersion, PFN_DAQmxGetUInt32);
    if (major && minor) {
        major(&uSDKMajorVersion);
        minor(&uSDKMinorVersion);
        major(&device.m_DAQBoards[0].uSDKMajor);
        minor(&device.m_DAQBoards[0].uSDKMinor);
        QV_DIAG(L"CQvAOMNIDAQPort SDKVersion: %u.%u", uSDKMajorVersion, uSDKMinorVersion);
    }
    if (!major || !minor || uSDKMajorVersion < 8) {
        g_LibraryLock.Enter(QV_WFILE, __LINE__);
        UnloadLibrary();
        ReleaseLibrary();
        g_LibraryLock.Leave(QV_WFILE, __LINE__);
        ForgetTasks();
        // The dialog waits for a person: never with the port lock held.
        Unlock();
        ShowError(L"Unknown version of NI-DAQmx library found.\r\nPlease, install version 8.9.5 at least.");
        return false;
    }
    for (int i = DAQmxFn_GetSysDevNames; i < DAQmxFn_Count; ++i) {
        if (m_Library.apFunctions[i]) continue;
        g_LibraryLock.Enter(QV_WFILE, __LINE__);
        UnloadLibrary();
        ReleaseLibrary();
        g_LibraryLock.Leave(QV_WFILE, __LINE__);
        ForgetTasks();
        CQvStringW text;
        text.Format(QV_GetTranslation(L"The NI-DAQmx library version %d.%d found.\r\nPlease, install version "
                                      L"8.9.5 at least.",
                                      kSourceFile),
                    uSDKMajorVersion, uSDKMinorVersion);
        Unlock();
        QV_MessageBox_(nullptr, text, QV_GetTranslation(L"Error", kSourceFile), MB_ICONERROR);
        return false;
    }
    return true;
}

bool CQvAOMNIDAQPort::Discover(CQvAOMTAVO& device) {
    char names[kNameBufferSize];
    char merged[kMergedBufferSize] = {};
    device.m_iAOChannelCount = 0;
    auto sysDevNames = DAQMX(GetSysDevNames, PFN_DAQmxGetSysDevNames);
    bool cut = false;
    int32 size = 0;
    int32 status = ReadList([&](char* data, uInt32 length) { return sysDevNames(data, length); }, names,
                            kNameBufferSize, cut, size);
    // An empty list (size 1) is not refused: it makes one board "" whose queries fail, so that the unit
    // itself still connects on a machine with the library and no board.
    if (size <= 0 || status < 0) {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort NI_DAQmxGetSysDevNames");
        Unlock();
        ShowError(L"No NI-DAQmx devices detected.");
        return false;
    }
    if (cut) QV_DIAG(L"CQvAOMNIDAQPort Devices: list cut to %d characters", static_cast<int>(strlen(names)));
    QV_DIAG(L"CQvAOMNIDAQPort Devices: %s", Widen(names).GetString());
    if (strcmp(names, "None") == 0) {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort ParsedDevices: None");
        Unlock();
        ShowError(L"No NI-DAQmx devices detected.");
        return false;
    }
    SplitList(names, device.m_DAQBoardNames, device.m_iDAQBoardCount, nullptr, AOM_MAX_DAQ_BOARDS);
    QV_DIAG(L"CQvAOMNIDAQPort ParsedDevices: %u", device.m_iDAQBoardCount);

    int mergedCount = 0;
    size_t mergedLength = 0;
    for (int d = 0; d < device.m_iDAQBoardCount; ++d) {
        CQvStringA name(device.m_DAQBoardNames[d]);
        SDAQBoard& board = device.m_DAQBoards[d];
        board.sName = device.m_DAQBoardNames[d];

        // Asked as the library is normally asked; only a list too long for the buffer is fetched by its size.
        char channels[kNameBufferSize] = {};
        auto aoChans = DAQMX(GetDevAOPhysicalChans, PFN_DAQmxGetDevString);
        int32 chansStatus = aoChans(name, channels, kNameBufferSize);
        cut = false;
        if (chansStatus == kBufferTooSmallForString) {
            QV_DIAG(L"CQvAOMNIDAQPort Dev: %S channel list longer than its buffer, read by its size",
                    name.GetString());
            int32 listSize = 0;
            chansStatus = ReadList([&](char* data, uInt32 length) { return aoChans(name, data, length); },
                                   channels, kNameBufferSize, cut, listSize);
        }
        if (chansStatus < 0) {
            QV_DIAG(L"ERROR: CQvAOMNIDAQPort DAQmxGetDevAOPhysicalChans");
            continue;
        }
        if (cut)
            QV_DIAG(L"CQvAOMNIDAQPort Dev: %S channel list cut to %d characters", name.GetString(),
                    static_cast<int>(strlen(channels)));
        QV_DIAG(L"CQvAOMNIDAQPort Dev: %S ParsedChannels: %S", name.GetString(), channels);
        char scratchText[kNameBufferSize];
        memcpy(scratchText, channels, sizeof scratchText);
        CQvStringW scratch[kMaxChannelsPerBoard];
        int n = 0;
        SplitList(scratchText, scratch, n, nullptr, kMaxChannelsPerBoard);
        board.iAOChannels = n;

        // One range fills the two values; a board with several is read whole by its size, the first kept.
        auto aoRanges = DAQMX(GetDevAOVoltageRngs, PFN_DAQmxGetDevAOVoltageRngs);
        std::vector<float64> ranges(2, 0.0);
        int32 rangeStatus = aoRanges(name, ranges.data(), 2);
        if (rangeStatus == kWriteBufferTooSmall) {
            QV_DIAG(L"CQvAOMNIDAQPort Dev: %S has more voltage ranges than two values, read by their number",
                    name.GetString());
            int32 values = aoRanges(name, nullptr, 0);
            if (values >= 2 && values <= kMaxRangeValues) {
                ranges.assign(static_cast<size_t>(values), 0.0);
                rangeStatus = aoRanges(name, ranges.data(), static_cast<uInt32>(values));
            } else {
                rangeStatus = values < 0 ? values : kWriteBufferTooSmall;
            }
        }
        if (rangeStatus < 0) {
            QV_DIAG(L"ERROR: CQvAOMNIDAQPort DAQmxGetDevAOVoltageRngs");
            continue;
        }
        board.fAORangeLow = static_cast<float>(ranges[0]);
        board.fAORangeHigh = static_cast<float>(ranges[1]);
        QV_DIAG(L"CQvAOMNIDAQPort VoltageRngs <%5.1f -%5.1f>", board.fAORangeLow, board.fAORangeHigh);

        uInt32 product = 0;
        if (DAQMX(GetDevProductNum, PFN_DAQmxGetDevUInt32)(name, &product) < 0) {
            QV_DIAG(L"ERROR: CQvAOMNIDAQPort DAQmxGetDevProductNum");
            continue;
        }
        board.uProductNum = product;
        QV_DIAG(L"CQvAOMNIDAQPort ProductNum: %i", product);

        int32 bus = 0;
        if (DAQMX(GetDevBusType, PFN_DAQmxGetDevInt32)(name, &bus) < 0) {
            QV_DIAG(L"ERROR: CQvAOMNIDAQPort DAQmxGetDevBusType");
            continue;
        }
        board.iBusType = bus;
        QV_DIAG(L"CQvAOMNIDAQPort BusType: %i", bus);

        uInt32 slot = 0;
        if (DAQMX(GetDevPCIDevNum, PFN_DAQmxGetDevUInt32)(name, &slot) < 0) {
            QV_DIAG(L"ERROR: CQvAOMNIDAQPort DAQmxGetDevPCIDevNum");
            continue;
        }
        board.uPCIDevNum = slot;
        QV_DIAG(L"CQvAOMNIDAQPort Slot: %i", slot);

        // The board's channels join the merged list as far as the table (which keeps its last entry for the
        // empty end) and the merged text have room.
        int leftOut = 0;
        for (int i = 0; i < n; ++i) {
            CQvStringA channel(scratch[i]);
            size_t length = static_cast<size_t>(channel.GetLength());
            if (mergedCount >= AOM_MAX_AO_CHANNELS - 1 || mergedLength + length + 2 > kMergedBufferSize - 1) {
                ++leftOut;
                continue;
            }
            memcpy(merged + mergedLength, channel.GetString(), length);
            memcpy(merged + mergedLength + length, ", ", 2);
            mergedLength += length + 2;
            merged[mergedLength] = 0;
            device.m_AOChannels[mergedCount++].iBoardIndex = d;
        }
        if (leftOut > 0)
            QV_DIAG(L"CQvAOMNIDAQPort Dev: %S %d channels left out, the channel table is full",
                    name.GetString(), leftOut);
    }
    device.m_AOChannels[mergedCount].iBoardIndex = 0; // the empty end entry
    SplitList(merged, device.m_AOChannelNames, device.m_iAOChannelCount, nullptr, AOM_MAX_AO_CHANNELS);
    return true;
}

int CQvAOMNIDAQPort::SplitList(char* text, CQvStringW* output, int& count, const char* filter, int capacity) {
    count = 0;
    if (!text || !output) return -9;
    const char* items[AOM_MAX_AO_CHANNELS];
    int leftOut = 0;
    int taken = AOMSplitListItems(
        text, items, capacity < AOM_MAX_AO_CHANNELS ? capacity : AOM_MAX_AO_CHANNELS, filter, leftOut);
    for (int i = 0; i < taken; ++i)
        output[i] = Widen(items[i]);
    count = taken;
    if (leftOut > 0) QV_DIAG(L"CQvAOMNIDAQPort SplitList: %d items left out, room for %d", leftOut, capacity);
    return 0;
}

int CQvAOMNIDAQPort::ReportError(const wchar_t* function) {
    auto info = DAQMX(GetExtendedErrorInfo, PFN_DAQmxGetExtendedErrorInfo);
    if (!info) return -9;
    int32 n = info(nullptr, 0);
    if (n <= 0) {
        QV_DIAG(L"CQvAOMNIDAQPort  Error: negative iCount: %d", n);
        return -9;
    }
    if (n > 10000) n = 10000;
    std::vector<char> buffer;
    try {
        buffer.assign(static_cast<size_t>(n) + 1, 0);
    } catch (...) {
        QV_DIAG(L"CQvAOMNIDAQPort  Error: not enough memory");
        return -9;
    }
    int32 r = info(buffer.data(), static_cast<uInt32>(n));
    if (r < 0) {
        QV_DIAG(L"CQvAOMNIDAQPort  Error: DAQmxGetErrorString failed, code = %d", r);
        return -9;
    }
    buffer[static_cast<size_t>(n)] = 0;
    QV_DIAG(L"CQvAOMNIDAQPort  Error in %s: code = %d, text: %s", function, r,
            Widen(buffer.data()).GetString());
    return 0;
}

bool CQvAOMNIDAQPort::Close() {
    if (bSimulate) return true;
    Lock();
    DestroyCompleteTask();
    QV_DIAG(L"CQvAOMNIDAQPort was just disconnected");
    Unlock();
    return false;
}

int CQvAOMNIDAQPort::CreateCompleteTask(SNIDAQLineTask* task) {
    if (!task) return -9;
    QV_DIAG(L"CQvAOMNIDAQPort CreateCompleteTask - start");
    DestroyCompleteTask();
    CQvStringA channel(task->sChannel);
    TaskHandle handle = nullptr;
    if (DAQMX(CreateTask, PFN_DAQmxCreateTask)("", &handle) < 0) {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort DAQmxCreateTask");
        ReportError(L"DAQmxCreateTask");
        return -9;
    }
    task->hTask = handle;
    const wchar_t* failed = nullptr;
    int32 type = 0;
    if (DAQMX(CreateAOVoltageChan, PFN_DAQmxCreateAOVoltageChan)(handle, channel, "", -10.0, 10.0,
                                                                 DAQmx_Val_Volts, nullptr) < 0) {
        failed = L"DAQmxCreateAOVoltageChan";
    } else if (DAQMX(GetChanType, PFN_DAQmxGetChanInt32)(handle, channel, &type) < 0) {
        failed = L"DAQmxGetChanType";
    } else if (type != DAQmx_Val_AO) {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort DAQmx_Val_AO");
        DestroyCompleteTask();
        return -9;
    } else if (DAQMX(GetAOOutputType, PFN_DAQmxGetChanInt32)(handle, channel, &type) < 0) {
        failed = L"DAQmxGetAOOutputType";
    } else if (type != DAQmx_Val_Voltage) {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort DAQmx_Val_Voltage");
        DestroyCompleteTask();
        return -9;
    } else if (DAQMX(SetAOVoltageUnits, PFN_DAQmxSetChanInt32)(handle, channel, DAQmx_Val_Volts) < 0) {
        failed = L"DAQmxSetAOVoltageUnits";
    } else {
        DAQMX(SetAOResolutionUnits, PFN_DAQmxSetChanInt32)(handle, channel, DAQmx_Val_Bits);
        DAQMX(ResetAODACRngLow, PFN_DAQmxResetChan)(handle, channel);
        DAQMX(ResetAODACRngHigh, PFN_DAQmxResetChan)(handle, channel);
        if (DAQMX(StartTask, PFN_DAQmxTask)(handle) < 0) failed = L"DAQmxStartTask";
    }
    if (failed) {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort %s", failed);
        ReportError(failed);
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

bool CQvAOMNIDAQPort::WriteChannelVoltage(int line, double volts) {
    if (bSimulate) return true;
    if (!bOpened) return false;
    QV_DIAG(L"CQvAOMNIDAQPort WriteChannelVoltage - start");
    if (static_cast<unsigned>(line) >= LineCount) {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort WriteChannelVoltage - ValueOutOfRange");
        return false;
    }
    Lock();
    LARGE_INTEGER frequency, start, end;
    bool haveFrequency = QueryPerformanceFrequency(&frequency) != 0;
    QueryPerformanceCounter(&start);
    SNIDAQLineTask& task = m_LineTasks[line];
    bool written = false;
    // A later Open may have refused the library and unloaded it: then there is nothing to call.
    if (!m_Library.hModule) {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort NI-DAQmx library not loaded");
    } else if (!task.bTaskCreated && CreateCompleteTask(&task) != 0) {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort CreateCompleteTask");
    } else if (DAQMX(WriteAnalogScalarF64, PFN_DAQmxWriteAnalogScalarF64)(task.hTask, 0, 10.0, volts,
                                                                          nullptr) < 0) {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort DAQmxWriteAnalogScalarF64");
        ReportError(L"DAQmxWriteAnalogScalarF64");
    } else {
        written = true;
    }
    if (!written) {
        DestroyCompleteTask();
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort WriteChannelVoltage - end Fail");
        Unlock();
        return false;
    }
    bool haveEnd = QueryPerformanceCounter(&end) != 0;
    if (haveEnd && haveFrequency && frequency.QuadPart > 0) {
        double microseconds = static_cast<double>(end.QuadPart - start.QuadPart) /
                              (static_cast<double>(frequency.QuadPart) / 1e6);
        QV_DIAG(L"CQvAOMNIDAQPort Wait: %5.1f us", microseconds);
    } else {
        QV_DIAG(L"CQvAOMNIDAQPort TickCounts not ready");
    }
    QV_DIAG(L"CQvAOMNIDAQPort WriteChannelVoltage - end OK");
    Unlock();
    return true;
}
