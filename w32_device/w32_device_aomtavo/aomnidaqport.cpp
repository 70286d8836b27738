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
const int32 kMaxRangeValues = 1024;
const uInt32 kMaxErrorText = 10000;
// An answer that keeps changing its size between the size query and the read is given up after this many.
const int kQueryAttempts = 4;
// A failure phrase carries the library's text on one line, cut to this many characters.
const int kFailureTextLength = 160;
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

#define DAQMX(fn, type) m_Library.Get<type>(DAQmxFn_##fn)

CQvStringW Widen(const char* s) {
    return CQvStringW(s);
}

// Every answer by which the library says that a text did not fit the buffer it was given, as NI's own
// clients of the C interface check them: the refusal, the read variant, the truncation warning, or the
// size it needs.
bool TextDidNotFit(int32 status, uInt32 given) {
    return status == DAQmxErrorBufferTooSmallForString || status == DAQmxErrorReadBufferTooSmall ||
           status == DAQmxWarningCAPIStringTruncatedToFitBuffer ||
           (given > 0 && status > 0 && static_cast<uInt32>(status) > given);
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
        if (!out.bCut && TextDidNotFit(status, length)) {
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

// The library's text on one line and of a length a log line and a message can carry.
CQvStringW OneLine(const std::string& text) {
    std::string line;
    for (char c : text) {
        bool space = c == '\r' || c == '\n' || c == '\t' || c == ' ';
        if (space && (line.empty() || line.back() == ' ')) continue;
        line += space ? ' ' : c;
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    if (line.size() > static_cast<size_t>(kFailureTextLength))
        line = line.substr(0, kFailureTextLength) + "...";
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
            KeepMessage(
                L"The NI-DAQmx library is not correctly installed.\r\nPlease, try to reinstall NI-DAQmx "
                L"library, version 8.9.5 at least.");
            m_sLastFailure = L"the NI-DAQmx library nicaiu.dll was not found";
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
        Unlock();
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
    m_ChannelRanges.clear();
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
        Unlock();
        KeepMessage(L"No NI-DAQmx devices detected.");
        return false;
    }
    if (names.bResized) QV_DIAG(L"CQvAOMNIDAQPort Devices: list changed while read, read again by its size");
    QV_DIAG(L"CQvAOMNIDAQPort Devices: %S", names.sText.c_str());
    if (names.sText == "None") {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort ParsedDevices: None");
        m_sLastFailure = L"NI-DAQmx lists no board";
        Unlock();
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
        CQvStringW scratch[kMaxChannelsPerBoard];
        int n = 0;
        SplitList(&channels.sText[0], scratch, n, nullptr, kMaxChannelsPerBoard);
        board.iAOChannels = n;

        // One range fills the two values; a board with several is read whole by their number, the first kept.
        auto aoRanges = DAQMX(GetDevAOVoltageRngs, PFN_DAQmxGetDevAOVoltageRngs);
        std::vector<float64> ranges(2, 0.0);
        int32 rangeStatus = aoRanges(name, ranges.data(), 2);
        if (ArrayDidNotFit(rangeStatus))
            QV_DIAG(L"CQvAOMNIDAQPort Dev: %S has more voltage ranges than two values, read by their number",
                    name.GetString());
        for (int attempt = 0; attempt < kQueryAttempts && ArrayDidNotFit(rangeStatus); ++attempt) {
            int32 values = aoRanges(name, nullptr, 0);
            if (values < 2 || values > kMaxRangeValues) {
                rangeStatus = values < 0 ? values : DAQmxErrorWriteBufferTooSmall;
                break;
            }
            ranges.assign(static_cast<size_t>(values), 0.0);
            rangeStatus = aoRanges(name, ranges.data(), static_cast<uInt32>(values));
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
            m_ChannelRanges.push_back({channel.GetString(), ranges[0], ranges[1]});
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
                          OneLine(text.sText).GetString());
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

bool CQvAOMNIDAQPort::FindChannelRange(const char* channel, double& low, double& high) const {
    for (const SChannelRange& range : m_ChannelRanges)
        if (_stricmp(range.sName.c_str(), channel) == 0) {
            low = range.dLow;
            high = range.dHigh;
            return true;
        }
    return false;
}

int CQvAOMNIDAQPort::CreateCompleteTask(SNIDAQLineTask* task) {
    if (!task) return -9;
    QV_DIAG(L"CQvAOMNIDAQPort CreateCompleteTask - start");
    DestroyCompleteTask();
    CQvStringA channel(task->sChannel);
    // The library refuses a channel whose range its board cannot output: each channel takes its own
    // board's range.
    double low = kDefaultLow, high = kDefaultHigh;
    FindChannelRange(channel, low, high);
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

bool CQvAOMNIDAQPort::WriteChannelVoltage(int line, double volts) {
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
    Lock();
    LARGE_INTEGER frequency, start, end;
    bool haveFrequency = QueryPerformanceFrequency(&frequency) != 0;
    QueryPerformanceCounter(&start);
    SNIDAQLineTask& task = m_LineTasks[line];
    bool written = false;
    // A later Open may have refused the library and unloaded it: then there is nothing to call.
    if (!m_Library.hModule) {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort NI-DAQmx library not loaded");
        m_sLastFailure = L"the NI-DAQmx library is not loaded";
    } else if (!task.bTaskCreated && CreateCompleteTask(&task) != 0) {
        QV_DIAG(L"ERROR: CQvAOMNIDAQPort CreateCompleteTask");
    } else {
        int32 status =
            DAQMX(WriteAnalogScalarF64, PFN_DAQmxWriteAnalogScalarF64)(task.hTask, 0, 10.0, volts, nullptr);
        if (status < 0) {
            QV_DIAG(L"ERROR: CQvAOMNIDAQPort DAQmxWriteAnalogScalarF64");
            ReportError(L"DAQmxWriteAnalogScalarF64", status);
            // A board that was reset or left the system (a USB cable) aborts its tasks, which then take no
            // write until started again: the line's next write builds its task afresh.
            task.bTaskCreated = false;
        } else {
            written = true;
        }
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
