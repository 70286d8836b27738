#include "aomnidaqport.h"

#include "aomlog.h"
#include "aomparse.h"

#include "aomtavodevice.h"
#include "nidaqmxapi.h"

#include <qv/qvlocale.h>
#include <qv/qvlog.h>
#include <qv/qvsystem.h>

#include <string.h>
#include <functional>
#include <new>
#include <string>
#include <vector>

namespace {

const wchar_t kSourceFile[] = L"aomnidaqport";
const int kNameBufferSize = 256;
const int kMergedBufferSize = 4096;
const int kMaxChannelsPerBoard = 16;
// A list the library reports as longer than this is damaged, not something to allocate for.
const uInt32 kMaxListSize = 1 << 20;
const int32 kMaxRangeValues = 2 * AOM_MAX_AO_RANGES;
const uInt32 kMaxErrorText = 10000;
// An answer that keeps changing its size between the size query and the read is given up after this many.
const int kQueryAttempts = 4;
// The library's load may take long on a busy machine; the connect waits this long for it, within the time
// the connect command has, and leaves the rest of the load to finish in the background.
const DWORD kLoadWaitMs = 10000;
// A channel that discovery did not list is created with the range the module always used.
const double kDefaultLow = -10.0, kDefaultHigh = 10.0;

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

// A load of the library that runs on a thread of its own: the worker that asked for it waits a bounded time,
// and a load that outlasts the wait is never ended (it holds the system's loader lock) but left to finish.
// It holds a reference on this module until it has, and the next connect takes what it loaded.
struct SLibraryLoad {
    volatile LONG lRefs = 2; // the loading thread's and the module's (g_pLoad)
    HANDLE hDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HMODULE hSelf = nullptr; // the reference on this module that the loading thread holds
    HMODULE hLibrary = nullptr;
    DWORD dwError = 0;
    ~SLibraryLoad() {
        if (hDone) CloseHandle(hDone);
    }
};
SLibraryLoad* g_pLoad = nullptr; // under g_LibraryLock: the load in progress or done and not yet taken

void ReleaseLoad(SLibraryLoad* load) {
    if (InterlockedDecrement(&load->lRefs) == 0) delete load;
}

DWORD WINAPI LoadLibraryThread(void* argument) {
    SLibraryLoad* load = static_cast<SLibraryLoad*>(argument);
    // No system error box for a missing library: the device's own dialog says what to do.
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, nullptr);
    load->hLibrary = LoadLibraryW(L"nicaiu.dll");
    load->dwError = GetLastError();
    HMODULE self = load->hSelf;
    SetEvent(load->hDone);
    ReleaseLoad(load);
    FreeLibraryAndExitThread(self, 0);
}

enum ELoad { LoadDone, LoadStillRunning, LoadNotStarted };

// Loads the library (or joins the load a connect left running) under g_LibraryLock. Done: library is the
// module, or null with the system's error.
ELoad LoadLibraryBounded(HMODULE& library, DWORD& error) {
    if (!g_pLoad) {
        HMODULE self = nullptr;
        SLibraryLoad* load = new (std::nothrow) SLibraryLoad;
        if (!load || !load->hDone ||
            !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                reinterpret_cast<LPCWSTR>(&LoadLibraryThread), &self)) {
            delete load;
            return LoadNotStarted;
        }
        load->hSelf = self;
        HANDLE thread = CreateThread(nullptr, 0, LoadLibraryThread, load, 0, nullptr);
        if (!thread) {
            FreeLibrary(self);
            delete load;
            return LoadNotStarted;
        }
        CloseHandle(thread);
        g_pLoad = load;
    }
    if (WaitForSingleObject(g_pLoad->hDone, kLoadWaitMs) != WAIT_OBJECT_0) return LoadStillRunning;
    library = g_pLoad->hLibrary;
    error = g_pLoad->dwError;
    ReleaseLoad(g_pLoad);
    g_pLoad = nullptr;
    return LoadDone;
}

CQvStringW Widen(const char* s) {
    return CQvStringW(s);
}

// Every answer by which the library says that a text did not fit the buffer it was given, as NI's own
// clients of the C interface check them: the refusal, the read variant and the truncation warning. Any
// other status of a read that succeeded, a warning among them, is its answer, never a size.
bool TextDidNotFit(int32 status) {
    return status == DAQmxErrorBufferTooSmallForString || status == DAQmxErrorReadBufferTooSmall ||
           status == DAQmxWarningCAPIStringTruncatedToFitBuffer;
}

bool ArrayDidNotFit(int32 status) {
    return status == DAQmxErrorWriteBufferTooSmall || status == DAQmxErrorReadBufferTooSmall;
}

bool BusHasSlot(int32 bus) {
    return bus == DAQmx_Val_PCI || bus == DAQmx_Val_PCIe || bus == DAQmx_Val_PXI || bus == DAQmx_Val_PXIe;
}

struct STextRead {
    std::string sText;
    int32 iSize = 0;       // the last size the library reported
    bool bResized = false; // an answer did not fit and the text was read again by its size
    bool bCut = false;     // longer than the limit: read cut to it
};

// Reads a whole text of the library: into a buffer of first bytes (0: the size is asked at once), and, as
// long as the answer says it did not fit, by the size the library then reports; the text may grow between
// the two calls. A text longer than limit bytes is read cut to it. Returns the status of the last call.
int32 ReadText(const std::function<int32(char*, uInt32)>& query, uInt32 first, uInt32 limit, STextRead& out) {
    uInt32 length = first;
    for (int attempt = 0; attempt < kQueryAttempts; ++attempt) {
        if (length == 0) {
            out.iSize = query(nullptr, 0);
            if (out.iSize <= 0) return out.iSize;
            out.bCut = static_cast<uInt32>(out.iSize) > limit;
            length = out.bCut ? limit : static_cast<uInt32>(out.iSize);
        }
        std::vector<char> buffer(static_cast<size_t>(length) + 1, 0);
        int32 status = query(buffer.data(), length);
        if (!out.bCut && TextDidNotFit(status)) {
            out.bResized = true;
            length = 0;
            continue;
        }
        if (status >= 0) out.sText = buffer.data();
        return status;
    }
    return DAQmxErrorBufferTooSmallForString;
}

// A list of the library read whole; one longer than any list can be is a failed query.
int32 ReadList(const std::function<int32(char*, uInt32)>& query, uInt32 first, STextRead& out) {
    int32 status = ReadText(query, first, kMaxListSize, out);
    return out.bCut ? DAQmxErrorBufferTooSmallForString : status;
}

// The first sentence of the library's text, whole and on one line, for a failure line; the log keeps the
// whole text. NI's texts give the reason first, then the channel, the values and the status code.
CQvStringW FirstSentence(const std::string& text) {
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            if (!line.empty()) break;
            continue;
        }
        line += c == '\t' ? ' ' : c;
        if (c == '.' && (i + 1 == text.size() || text[i + 1] == ' ' || text[i + 1] == '\n')) break;
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return Widen(line.c_str());
}

} // namespace

CQvAOMNIDAQPort::CQvAOMNIDAQPort()
    : bSimulate(false), uSDKMajorVersion(0), uSDKMinorVersion(0), bOpened(false) {
    QV_DIAG(L"CQvAOMNIDAQPort constructor");
}

CQvAOMNIDAQPort::~CQvAOMNIDAQPort() {
    // Tasks keep their channels reserved in the library for as long as the process runs: left behind, they
    // would refuse every write of a device the host creates again on the same board.
    bool anyTask = false;
    for (SNIDAQLineTask& task : m_LineTasks) {
        task.bTaskCreated = false;
        anyTask = anyTask || task.hTask;
    }
    if (anyTask) DestroyCompleteTask();
    ReleaseLibrary();
}

void CQvAOMNIDAQPort::ReleaseLibrary() {
    if (m_Library.hModule) FreeLibrary(m_Library.hModule);
    m_Library = SDAQmxBinding();
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

void CQvAOMNIDAQPort::KeepMessage(const wchar_t* text) {
    m_sPendingMessage = QV_GetTranslation(text, kSourceFile);
}

void CQvAOMNIDAQPort::ShowPendingMessage() {
    if (m_sPendingMessage.IsEmpty()) return;
    CQvStringW text = m_sPendingMessage;
    m_sPendingMessage.Empty();
    QV_MessageBox_(nullptr, text, QV_GetTranslation(L"Error", kSourceFile), MB_ICONERROR);
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
    board.iAORangeCount = 1;
    board.afAORangeLow[0] = -10.0f;
    board.afAORangeHigh[0] = 10.0f;
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
    m_sLastFailure.Empty();
    if (simulate) {
        FillSimulated(device);
        return true;
    }
    QV_DIAG(L"CQvAOMNIDAQPort Open - start");
    if (!LoadLibraryAndCheckVersion(device) || !Discover(device)) return false; // reported there
    QV_DIAG(L"CQvAOMNIDAQPort Open - end");
    m_UnreachableBoards.clear();
    bOpened = true;
    return true;
}

bool CQvAOMNIDAQPort::LoadLibraryAndCheckVersion(CQvAOMTAVO& device) {
    {
        AOM_HOLD(g_LibraryLock);
        if (!g_DAQmx.hModule) {
            HMODULE library = nullptr;
            DWORD error = 0;
            ELoad load = LoadLibraryBounded(library, error);
            if (load == LoadStillRunning) {
                AOM_ALWAYS(
                    L"ERROR: CQvAOMNIDAQPort Open - nicaiu.dll is still loading after %u ms; it is left to "
                    L"finish, and the next connect uses it",
                    static_cast<unsigned>(kLoadWaitMs));
                m_sLastFailure.Format(L"the NI-DAQmx library nicaiu.dll did not finish loading within %u ms; "
                                      L"connect again once it has",
                                      static_cast<unsigned>(kLoadWaitMs));
                return false;
            }
            if (!library) {
                KeepMessage(
                    L"The NI-DAQmx library is not correctly installed.\r\nPlease, try to reinstall NI-DAQmx "
                    L"library, version 8.9.5 at least.");
                m_sLastFailure = load == LoadNotStarted
                                     ? L"the NI-DAQmx library could not be loaded: no thread to load it on"
                                     : L"the NI-DAQmx library nicaiu.dll was not found";
                if (load == LoadDone && error != ERROR_MOD_NOT_FOUND)
                    m_sLastFailure.Format(
                        L"the NI-DAQmx library nicaiu.dll could not be loaded (Windows error %lu)", error);
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
    }
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
        {
            AOM_HOLD(g_LibraryLock);
            UnloadLibrary();
            ReleaseLibrary();
        }
        ForgetTasks();
        KeepMessage(L"Unknown version of NI-DAQmx library found.\r\nPlease, install version 8.9.5 at least.");
        if (major && minor)
            m_sLastFailure.Format(
                L"NI-DAQmx version %u.%u was refused (version 8 or later with every function is needed)",
                uSDKMajorVersion, uSDKMinorVersion);
        else
            m_sLastFailure = L"NI-DAQmx has no version functions and was refused";
        return false;
    }
    for (int i = DAQmxFn_GetSysDevNames; i < DAQmxFn_Count; ++i) {
        if (m_Library.apFunctions[i]) continue;
        {
            AOM_HOLD(g_LibraryLock);
            UnloadLibrary();
            ReleaseLibrary();
        }
        ForgetTasks();
        CQvStringW text;
        text.Format(QV_GetTranslation(L"The NI-DAQmx library version %d.%d found.\r\nPlease, install version "
                                      L"8.9.5 at least.",
                                      kSourceFile),
                    uSDKMajorVersion, uSDKMinorVersion);
        m_sPendingMessage = text;
        m_sLastFailure.Format(L"NI-DAQmx %u.%u lacks the function %S and was refused", uSDKMajorVersion,
                              uSDKMinorVersion, kFunctionNames[i]);
        return false;
    }
    return true;
}

bool CQvAOMNIDAQPort::Discover(CQvAOMTAVO& device) {
    char merged[kMergedBufferSize] = {};
    device.m_iAOChannelCount = 0;
    m_Channels.clear();
    auto sysDevNames = DAQMX(GetSysDevNames, PFN_DAQmxGetSysDevNames);
    STextRead names;
    int32 status = ReadList([&](char* data, uInt32 length) { return sysDevNames(data, length); }, 0, names);
    // An empty list (size 1) is not refused: it makes one board "" whose queries fail, so that the unit
    // itself still connects on a machine with the library and no board.
    if (names.iSize <= 0 || status < 0) {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort NI_DAQmxGetSysDevNames");
        if (status < 0)
            ReportError(L"DAQmxGetSysDevNames", status);
        else
            m_sLastFailure = L"NI-DAQmx lists no board";
        KeepMessage(L"No NI-DAQmx devices detected.");
        return false;
    }
    if (names.bResized) QV_DIAG(L"CQvAOMNIDAQPort Devices: list changed while read, read again by its size");
    QV_DIAG(L"CQvAOMNIDAQPort Devices: %S", names.sText.c_str());
    if (names.sText == "None") {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort ParsedDevices: None");
        m_sLastFailure = L"NI-DAQmx lists no board";
        KeepMessage(L"No NI-DAQmx devices detected.");
        return false;
    }
    // Said whatever the log's detail: the connect succeeds, but no power change will reach an AOM.
    if (names.sText.empty())
        AOM_ALWAYS(
            L"ERROR: CQvAOMNIDAQPort Open - NI-DAQmx lists no board; the unit connects without AOM channels");
    SplitList(&names.sText[0], device.m_DAQBoardNames, device.m_iDAQBoardCount, nullptr, AOM_MAX_DAQ_BOARDS);
    QV_DIAG(L"CQvAOMNIDAQPort ParsedDevices: %u", device.m_iDAQBoardCount);

    int mergedCount = 0;
    size_t mergedLength = 0;
    for (int d = 0; d < device.m_iDAQBoardCount; ++d) {
        CQvStringA name(device.m_DAQBoardNames[d]);
        SDAQBoard& board = device.m_DAQBoards[d];
        board.sName = device.m_DAQBoardNames[d];

        // Asked as the library is normally asked; a list that does not fit is read whole by its size.
        auto aoChans = DAQMX(GetDevAOPhysicalChans, PFN_DAQmxGetDevString);
        STextRead channels;
        int32 chansStatus = ReadList([&](char* data, uInt32 length) { return aoChans(name, data, length); },
                                     kNameBufferSize, channels);
        if (channels.bResized)
            QV_DIAG(L"CQvAOMNIDAQPort Dev: %S channel list longer than its buffer, read by its size",
                    name.GetString());
        if (chansStatus < 0) {
            QV_DIAG(L"ERROR: CQvAOMNIDAQPort DAQmxGetDevAOPhysicalChans");
            continue;
        }
        QV_DIAG(L"CQvAOMNIDAQPort Dev: %S ParsedChannels: %S", name.GetString(), channels.sText.c_str());
        // A board without analog outputs (digital only, a chassis) has an empty list: no channel at all.
        CQvStringW scratch[kMaxChannelsPerBoard];
        int n = 0;
        if (!channels.sText.empty()) SplitList(&channels.sText[0], scratch, n, nullptr, kMaxChannelsPerBoard);
        board.iAOChannels = n;

        std::vector<std::pair<double, double>> ranges;
        if (!ReadRanges(name, board, ranges)) {
            QV_DIAG(L"ERROR: CQvAOMNIDAQPort DAQmxGetDevAOVoltageRngs");
            continue;
        }
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

        // The library documents the slot number for the boards in a PCI or PXI slot only; a USB board has
        // none to report and still gives its channels.
        uInt32 slot = 0;
        if (!BusHasSlot(bus)) {
            QV_DIAG(L"CQvAOMNIDAQPort Dev: %S bus %i has no slot", name.GetString(), bus);
        } else if (DAQMX(GetDevPCIDevNum, PFN_DAQmxGetDevUInt32)(name, &slot) < 0) {
            QV_DIAG(L"ERROR: CQvAOMNIDAQPort DAQmxGetDevPCIDevNum");
            continue;
        } else {
            QV_DIAG(L"CQvAOMNIDAQPort Slot: %i", slot);
        }
        board.uPCIDevNum = slot;

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
            m_Channels.push_back({channel.GetString(), ranges});
        }
        if (leftOut > 0)
            QV_DIAG(L"CQvAOMNIDAQPort Dev: %S %d channels left out, the channel table is full",
                    name.GetString(), leftOut);
    }
    device.m_AOChannels[mergedCount].iBoardIndex = 0; // the empty end entry
    SplitList(merged, device.m_AOChannelNames, device.m_iAOChannelCount, nullptr, AOM_MAX_AO_CHANNELS);
    return true;
}

// As NI's clients read an array attribute: its number of values first, then the whole of it, again if the
// number changed in between.
bool CQvAOMNIDAQPort::ReadRanges(const char* name, SDAQBoard& board,
                                 std::vector<std::pair<double, double>>& ranges) {
    auto aoRanges = DAQMX(GetDevAOVoltageRngs, PFN_DAQmxGetDevAOVoltageRngs);
    std::vector<float64> values;
    int32 status = DAQmxErrorWriteBufferTooSmall;
    for (int attempt = 0; attempt < kQueryAttempts && ArrayDidNotFit(status); ++attempt) {
        int32 count = aoRanges(name, nullptr, 0);
        if (count < 2 || count > kMaxRangeValues) {
            QV_DIAG(L"CQvAOMNIDAQPort Dev: %S lists %d voltage range values", name, count);
            return false;
        }
        values.assign(static_cast<size_t>(count), 0.0);
        status = aoRanges(name, values.data(), static_cast<uInt32>(count));
    }
    if (status < 0) return false;
    for (size_t i = 0; i + 1 < values.size(); i += 2)
        ranges.emplace_back(values[i], values[i + 1]);
    board.iAORangeCount = static_cast<int>(ranges.size());
    for (size_t r = 0; r < ranges.size(); ++r) {
        board.afAORangeLow[r] = static_cast<float>(ranges[r].first);
        board.afAORangeHigh[r] = static_cast<float>(ranges[r].second);
    }
    board.fAORangeLow = board.afAORangeLow[0];
    board.fAORangeHigh = board.afAORangeHigh[0];
    return true;
}

int CQvAOMNIDAQPort::SplitList(char* text, CQvStringW* output, int& count, const char* filter, int capacity) {
    count = 0;
    if (!text || !output) return -9;
    if (capacity > AOM_MAX_AO_CHANNELS) capacity = AOM_MAX_AO_CHANNELS;
    // Room for every item of the text, so that those left out can be named.
    size_t commas = 0;
    for (const char* c = text; *c; ++c)
        commas += *c == ',';
    std::vector<const char*> items(commas + 1);
    int leftOut = 0;
    int taken = AOMSplitListItems(text, items.data(), static_cast<int>(items.size()), filter, leftOut);
    int kept = taken < capacity ? taken : capacity;
    for (int i = 0; i < kept; ++i)
        output[i] = Widen(items[static_cast<size_t>(i)]);
    count = kept;
    if (taken > kept)
        QV_DIAG(L"CQvAOMNIDAQPort SplitList: %d items left out (%S to %S), room for %d", taken - kept,
                items[static_cast<size_t>(kept)], items[static_cast<size_t>(taken - 1)], capacity);
    return 0;
}

int CQvAOMNIDAQPort::ReportError(const wchar_t* function, int32_t status) {
    m_iLastStatus = status;
    m_sLastFailure.Format(L"%s failed with NI-DAQmx code %d", function, status);
    auto info = DAQMX(GetExtendedErrorInfo, PFN_DAQmxGetExtendedErrorInfo);
    if (!info) return -9;
    STextRead text;
    int32 r = 0;
    try {
        r = ReadText([&](char* data, uInt32 length) { return info(data, length); }, 0, kMaxErrorText, text);
    } catch (const std::bad_alloc&) {
        QV_DIAG(L"CQvAOMNIDAQPort  Error: not enough memory");
        return -9;
    }
    if (text.iSize <= 0) {
        QV_DIAG(L"CQvAOMNIDAQPort  Error: negative iCount: %d", text.iSize);
        return -9;
    }
    if (r < 0) {
        QV_DIAG(L"CQvAOMNIDAQPort  Error: DAQmxGetErrorString failed, code = %d", r);
        return -9;
    }
    QV_DIAG(L"CQvAOMNIDAQPort  Error in %s: code = %d, text: %S", function, r, text.sText.c_str());
    m_sLastFailure.Format(L"%s failed with NI-DAQmx code %d: %s", function, status,
                          FirstSentence(text.sText).GetString());
    return 0;
}

bool CQvAOMNIDAQPort::Close() {
    if (bSimulate) return true;
    DestroyCompleteTask();
    QV_DIAG(L"CQvAOMNIDAQPort was just disconnected");
    return false;
}
