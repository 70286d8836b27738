// qvbench.exe: the module's speed and idle cost, each figure beside a baseline measured in the same run.
// It loads the module by path and drives it only through the host interfaces, a simulated unit on a COM
// port (tavosim with --wire-time) and the NI-DAQmx stand-in, as the host application would.
#include "hostclock.h"
#include "hostsession.h"
#include "tavosim_unit.h"

#include <daqmx_functions.h>
#include <fakedaqmx_control.h>
#include <qv/qvclass.h>
#include <qv/qvcontainers.h>
#include <qv/qvsystem.h>

#include <windows.h>

#include <algorithm>
#include <math.h>
#include <random>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

const uint32_t kMultiLaserId = CHostSession::kMultiLaserId;
const wchar_t kConfiguration[] =
    L"bEmpty[0]=0;iIndex[0]=1;fValMin[0]=  0.0;fValMax[0]=  "
    L"5.0;fValLambda[0]=488.0;sChannel_Name[0]=Dev1/ao0;"
    L"sLineName[0]=Blue;bEmpty[1]=0;iIndex[1]=2;fValMin[1]=  0.0;fValMax[1]=  4.5;fValLambda[1]=561.0;"
    L"sChannel_Name[1]=Dev1/ao1;sLineName[1]=Green;bEmpty[2]=0;iIndex[2]=3;fValMin[2]=  0.0;fValMax[2]=  5.0;"
    L"fValLambda[2]=640.0;sChannel_Name[2]=Dev1/ao2;sLineName[2]=Red;";
// The same lines without channels: nothing for the board check to write.
const wchar_t kNoChannelConfiguration[] =
    L"bEmpty[0]=0;iIndex[0]=0;sChannel_Name[0]=None;bEmpty[1]=0;iIndex[1]=0;sChannel_Name[1]=None;"
    L"bEmpty[2]=0;iIndex[2]=0;sChannel_Name[2]=None;";
// One character at 9600 baud, 8N1: a start bit, eight data bits, a stop bit.
const double kCharMs = 10.0 * 1000.0 / 9600.0;
// Waits the device's connect sequence is told to make (worker start and unit settling), 100 ms each.
const double kMandatedConnectMs = 200.0;
// Offsets in a change entry's data, as the host reads them.
const size_t kUsedOffset = 4;

double Percentile(std::vector<double> v, double q) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    size_t i = static_cast<size_t>(ceil(q * static_cast<double>(v.size()))) - 1;
    return v[std::min(i, v.size() - 1)];
}

std::string Fixed(double value, int digits) {
    char text[64];
    snprintf(text, sizeof text, "%.*f", digits, value);
    return text;
}

std::string Dist(const std::vector<double>& v, int digits = 2) {
    return "p50 " + Fixed(Percentile(v, 0.5), digits) + " ms, p99 " + Fixed(Percentile(v, 0.99), digits) +
           " ms (n=" + std::to_string(v.size()) + ")";
}

// Result rows: the console gets them as they come, the results file gets them tab-separated.
FILE* g_results = nullptr;
// Figures that could not be measured: the run then ends with exit code 1, so that no caller keeps it.
int g_failures = 0;
void Failed(const char* what) {
    fprintf(stderr, "qvbench: %s\n", what);
    fflush(stderr);
    ++g_failures;
}
double g_callBackP50 = NAN; // the CallBack figure, part of the SetPower baseline
void Row(const char* id, const char* figure, const std::string& measured, const std::string& baseline,
         double ratio) {
    std::string r = isnan(ratio) ? "-" : Fixed(ratio, 2);
    printf("%-34s %s\n  %-32s %s\n  %-32s %s\n", figure, measured.c_str(), "baseline:", baseline.c_str(),
           "ratio:", r.c_str());
    fflush(stdout);
    if (g_results) {
        fprintf(g_results, "%s\t%s\t%s\t%s\t%s\n", id, figure, measured.c_str(), baseline.c_str(), r.c_str());
        fflush(g_results);
    }
}

// --- What the host receives through the change callback, time-stamped as it arrives.
struct SChange {
    double t;
    uint32_t key;
    int line; // multi-laser: the first line used (1..3), 0 for none
};
CRITICAL_SECTION g_changeLock;
std::vector<SChange> g_changes;
HANDLE g_changeEvent;

int64_t ChangeCallback(uint32_t, SQvDMChangeRecord* record, uint64_t) {
    double t = HostClockFineMs();
    if (!record) return 0;
    EnterCriticalSection(&g_changeLock);
    for (uint32_t i = 0; i < record->uCount && i < SQvDMChangeRecord::MaxEntries; ++i) {
        SChange c{t, record->auKey[i], 0};
        for (int p = 2; p >= 0; --p)
            if (record->aData[i][kUsedOffset + p]) c.line = p + 1;
        g_changes.push_back(c);
    }
    LeaveCriticalSection(&g_changeLock);
    SetEvent(g_changeEvent);
    return 0;
}

void ClearChanges() {
    EnterCriticalSection(&g_changeLock);
    g_changes.clear();
    LeaveCriticalSection(&g_changeLock);
}

// Time of the first multi-laser change satisfying the line wanted (-1: any), or NaN after the bound.
double WaitForLaserChange(int line, DWORD boundMs) {
    ULONGLONG deadline = GetTickCount64() + boundMs;
    for (;;) {
        EnterCriticalSection(&g_changeLock);
        for (const SChange& c : g_changes)
            if (c.key == kMultiLaserId && (line < 0 || c.line == line)) {
                double t = c.t;
                LeaveCriticalSection(&g_changeLock);
                return t;
            }
        LeaveCriticalSection(&g_changeLock);
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) return NAN;
        WaitForSingleObject(g_changeEvent, static_cast<DWORD>(deadline - now));
    }
}

int RecordMessageBox(HWND, const wchar_t* text, const wchar_t* caption, UINT) {
    fwprintf(stderr, L"message %ls: %ls\n", caption ? caption : L"", text ? text : L"");
    return IDOK;
}

// --- The module as the host holds it: the host application's own module loading and order of calls, with
// the change callback replaced by one that time-stamps what arrives.
class Host {
public:
    explicit Host(const std::wstring& modulePath) : m_Session(m_Module, m_Store) {
        std::wstring error;
        m_bLoaded = m_Module.Load(modulePath, error);
    }
    ~Host() { Release(); }
    bool Loaded() const { return m_bLoaded; }

    bool Create(const char* className) {
        Release();
        std::wstring error;
        return m_Module.Create(className, error);
    }
    // True when the device answered the connect; only the configure tells whether the unit did.
    bool Connect(int comPort) {
        std::wstring text = comPort > 0 ? L"m_iCOMPort=" + std::to_wstring(comPort) + L";" : L"";
        return m_Session.Connect(&text);
    }
    // True when the device took its configuration and both logical devices are there.
    bool Configure(const wchar_t* configuration = kConfiguration) {
        std::wstring text = configuration;
        if (m_Session.Configure(&text) != DMRC_OK) return false;
        device()->SetChangeCallback(ChangeCallback, 0);
        return laser() && shutter();
    }
    void Disconnect() {
        if (device()) m_Session.Disconnect();
    }
    void Release() {
        Disconnect();
        m_Module.ReleaseDevice();
    }
    IQvPhysicalDevice* device() const { return m_Module.Device(); }
    IQvDeviceMultiLaser* laser() const { return m_Session.MultiLaser(); }
    IQvDeviceShutter* shutter() const { return m_Session.Shutter(); }

private:
    CModuleHost m_Module;
    CSettingsStore m_Store; // in memory only: nothing is kept between runs
    CHostSession m_Session;
    bool m_bLoaded = false;
};

// --- Baselines.

// Two threads handing a turn back and forth through two auto-reset events: what a cross-thread round trip
// costs at the least.
struct PingPong {
    HANDLE ping = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE pong = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    volatile LONG stop = 0;
    HANDLE thread = nullptr;
    static DWORD WINAPI Echo(void* p) {
        PingPong* self = static_cast<PingPong*>(p);
        while (WaitForSingleObject(self->ping, 10000) == WAIT_OBJECT_0 && !self->stop)
            SetEvent(self->pong);
        return 0;
    }
    PingPong() { thread = CreateThread(nullptr, 0, Echo, this, 0, nullptr); }
    ~PingPong() {
        stop = 1;
        SetEvent(ping);
        WaitForSingleObject(thread, 10000);
        CloseHandle(thread);
        CloseHandle(ping);
        CloseHandle(pong);
    }
    double Once() {
        double t0 = HostClockFineMs();
        SetEvent(ping);
        WaitForSingleObject(pong, 10000);
        return HostClockFineMs() - t0;
    }
};

// One uncontended enter and leave of a Win32 mutex, the kind of lock every lock the worker can hold is, and
// of a critical section beside it: what each lock section on a command's path costs on this platform.
// Each sample is the mean of a block of pairs, so that a critical section is not below the clock's step.
struct SLockCost {
    std::vector<double> mutex, section;
};

SLockCost LockCost(int samples) {
    const int kPairs = 100;
    SLockCost cost;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    for (int i = 0; i < samples && mutex; ++i) {
        double t0 = HostClockFineMs();
        for (int k = 0; k < kPairs; ++k) {
            WaitForSingleObject(mutex, INFINITE);
            ReleaseMutex(mutex);
        }
        double t1 = HostClockFineMs();
        for (int k = 0; k < kPairs; ++k) {
            EnterCriticalSection(&section);
            LeaveCriticalSection(&section);
        }
        cost.mutex.push_back((t1 - t0) / kPairs);
        cost.section.push_back((HostClockFineMs() - t1) / kPairs);
    }
    DeleteCriticalSection(&section);
    if (mutex) CloseHandle(mutex);
    return cost;
}

// The same exchange the device makes, written straight to the port: the request at once, the reply read
// one byte per ReadFile up to its line feed, with the device's line settings and time-outs.
bool BareExchanges(int com, int count, std::vector<double>& samples) {
    std::string name = "\\\\.\\COM" + std::to_string(com);
    HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    COMMTIMEOUTS timeouts = {0, 2, 500, 2, 500};
    SetCommTimeouts(h, &timeouts);
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    GetCommState(h, &dcb);
    dcb.BaudRate = 9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = 1;
    dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = dcb.fOutX = dcb.fInX = 0;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    SetCommState(h, &dcb);
    PurgeComm(h, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
        const char* request = i % 2 ? "cTSO2\r" : "cTSO1\r";
        double t0 = HostClockFineMs();
        DWORD done = 0;
        WriteFile(h, request, static_cast<DWORD>(strlen(request)), &done, nullptr);
        char c = 0;
        do {
            ok = ReadFile(h, &c, 1, &done, nullptr) && done == 1;
        } while (ok && c != '\n');
        if (ok) samples.push_back(HostClockFineMs() - t0);
    }
    CloseHandle(h);
    return ok;
}

// --- CPU time. This process's own comes from Windows (in ticks of 10 ms under Wine). The wine server's is a
// native process's: the caller samples it natively into a file, "<microseconds>", which this reads. Wine is
// never asked to open the server's /proc entry itself: runs that read it through Wine's file layer ended
// silently during the idle measurement, exit code 0 (the code a Windows program gets when its wine server
// connection closes), on a 6.18 kernel whose entry also read "0 0 1" there.
double ProcessCpuMs() {
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return NAN;
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return static_cast<double>(k.QuadPart + u.QuadPart) / 1e4;
}

double ServerCpuMs(const std::string& file) {
    if (file.empty()) return NAN;
    // The sampler rewrites the file in place: a read that meets it empty or cut is made again (bounded).
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (attempt) Sleep(5);
        FILE* f = fopen(file.c_str(), "r");
        if (!f) continue;
        char text[64] = "";
        size_t n = fread(text, 1, sizeof text - 1, f);
        fclose(f);
        text[n] = 0;
        unsigned long long us = 0;
        char end = 0;
        if (sscanf(text, "%llu%c", &us, &end) == 2 && end == '\n') return static_cast<double>(us) / 1e3;
    }
    return NAN;
}

struct SCpu {
    double process, server; // percent of one core
};

SCpu MeasureCpu(DWORD seconds, const std::string& serverCpu) {
    double p0 = ProcessCpuMs(), s0 = ServerCpuMs(serverCpu), t0 = HostClockFineMs();
    Sleep(seconds * 1000);
    double p1 = ProcessCpuMs(), s1 = ServerCpuMs(serverCpu), t1 = HostClockFineMs();
    if (!serverCpu.empty() && (isnan(s0) || isnan(s1)))
        Failed("idle: the wine server's CPU time could not be read");
    return {100.0 * (p1 - p0) / (t1 - t0), 100.0 * (s1 - s0) / (t1 - t0)};
}

// What the process and the server took together; the server counts 0 where it was not measured.
double CpuTotal(const SCpu& c) {
    return c.process + (isnan(c.server) ? 0.0 : c.server);
}

std::string CpuText(const SCpu& c) {
    if (isnan(c.server)) return Fixed(c.process, 2) + " % (process; the wine server's not measured)";
    return Fixed(CpuTotal(c), 2) + " % (process " + Fixed(c.process, 2) + " %, wine server " +
           Fixed(c.server, 2) + " %)";
}

// --- The unit's transcript, with times: "0.644905 RX "rVER\r"".
struct SLine {
    double t;
    bool rx;
    std::string text; // escaped as the transcript writes it
};

size_t WireChars(const std::string& escaped) {
    size_t n = 0;
    for (size_t i = 0; i < escaped.size(); ++i, ++n)
        if (escaped[i] == '\\') i += escaped[i + 1] == 'x' ? 3 : 1;
    return n;
}

std::vector<SLine> Transcript(tavosim_unit::TavoSimUnit& unit) {
    std::vector<SLine> lines;
    for (const std::string& raw : unit.command("transcript")) {
        double t = 0;
        char dir[3] = {};
        if (sscanf(raw.c_str(), "%lf %2s", &t, dir) != 2) continue;
        size_t q1 = raw.find('"'), q2 = raw.rfind('"');
        if (q1 == std::string::npos || q2 <= q1) continue;
        lines.push_back({t, dir[0] == 'R', raw.substr(q1 + 1, q2 - q1 - 1)});
    }
    return lines;
}

struct SOptions {
    std::wstring module, daqDir;
    std::string results, panelSamples, serverCpu;
    int samples = 200;
    DWORD idleSeconds = 30;
};

std::string Narrow(const std::wstring& w) {
    return std::string(w.begin(), w.end());
}

// --- The figures.

void CallBackFigure(const SOptions& o, Host& host) {
    if (!host.Create("CQvAOMTAVOSim") || !host.Connect(0) || !host.Configure()) {
        Failed("callback: the simulator did not connect");
        return;
    }
    // Line 1 is the simulator's current line after connect: selecting it again is a pure round trip to the
    // worker (nothing changes, nothing is notified).
    host.laser()->SetLineUsed(0, true);
    PingPong pingPong;
    std::vector<double> callBack, bare;
    int blocks = 10, perBlock = std::max(1, o.samples * 10 / blocks);
    for (int b = 0; b < blocks; ++b) { // interleaved, so that both see the same load of the machine
        for (int i = 0; i < perBlock; ++i) {
            double t0 = HostClockFineMs();
            host.laser()->SetLineUsed(0, true);
            callBack.push_back(HostClockFineMs() - t0);
        }
        for (int i = 0; i < perBlock; ++i)
            bare.push_back(pingPong.Once());
    }
    g_callBackP50 = Percentile(callBack, 0.5);
    Row("callback", "CallBack round trip (simulator, SetLineUsed)", Dist(callBack, 3),
        "event ping-pong between two threads: " + Dist(bare, 3),
        Percentile(callBack, 0.5) / Percentile(bare, 0.5));
    SLockCost locks = LockCost(o.samples);
    Row("lock", "Mutex enter and leave, uncontended", Dist(locks.mutex, 5),
        "critical section enter and leave: " + Dist(locks.section, 5),
        Percentile(locks.mutex, 0.5) / Percentile(locks.section, 0.5));
    std::string server = o.serverCpu;
    SCpu idle = MeasureCpu(o.idleSeconds, server);
    host.Disconnect();
    host.Release();
    SCpu none = MeasureCpu(o.idleSeconds, server);
    Row("idle_sim", "Idle cost, connected simulator", CpuText(idle), "idle process: " + CpuText(none),
        CpuTotal(idle) / std::max(0.01, CpuTotal(none)));
}

// --- Power calibration: line 0 (Dev1/ao0, 0-5 V) drives an AOM of sin² response whose full light is 100 mW,
// so that the light in mW is its share in percent; the meter reads it within 0.5 % of full scale.
const char kCalibrationScenario[] = "board Dev1\naom Dev1/ao0 sin2 0 5 full 100 noise 0.5 seed 7\n";
const int kCalibrationPoints = 11;

// The largest difference between the power asked for and the light's share, over 0..100 % in 1 % steps.
double LargestLightError(Host& host, decltype(&fakedaqmx_ReadLight) readLight) {
    double worst = 0.0;
    for (int percent = 0; percent <= 100; ++percent) {
        double light = NAN;
        if (host.laser()->SetPower(0, percent) != DMRC_OK || readLight("Dev1/ao0", &light) != 1) return NAN;
        worst = std::max(worst, fabs(light - percent));
    }
    return worst;
}

// Calibrates line 0 as the host's procedure does: each point's voltage through the linear map, the meter
// read there, the points given back with the multi-laser's settings.
bool CalibrateLine0(Host& host, decltype(&fakedaqmx_ReadMeter) readMeter) {
    IQvDeviceMultiLaser& laser = *host.laser();
    std::wstring points = L"mW";
    for (int i = 0; i < kCalibrationPoints; ++i) {
        double percent = 100.0 * i / (kCalibrationPoints - 1), power = NAN;
        if (laser.SetPower(0, percent) != DMRC_OK || readMeter("Dev1/ao0", &power) != 1) return false;
        wchar_t point[64];
        swprintf(point, 64, L" %.4f:%.6f", 5.0 * percent / 100.0, power);
        points += point;
    }
    CQvStringW settings;
    laser.SaveSettings(settings);
    laser.LoadSettings((L"m_sPowerCalibration0=" + points + L";" + settings.GetString()).c_str(),
                       CHostSession::kMultiLaserId);
    CQvStringW kept;
    laser.SaveSettings(kept);
    return wcsstr(kept.GetString(), L"m_sPowerCalibration0=") != nullptr;
}

void CalibrationFigures(const SOptions& o, Host& host, HMODULE daq, const std::vector<double>& uncalibrated) {
    auto readMeter = reinterpret_cast<decltype(&fakedaqmx_ReadMeter)>(
        reinterpret_cast<void*>(daq ? GetProcAddress(daq, "fakedaqmx_ReadMeter") : nullptr));
    auto readLight = reinterpret_cast<decltype(&fakedaqmx_ReadLight)>(
        reinterpret_cast<void*>(daq ? GetProcAddress(daq, "fakedaqmx_ReadLight") : nullptr));
    double before = readLight ? LargestLightError(host, readLight) : NAN;
    if (!readMeter || !readLight || isnan(before) || !CalibrateLine0(host, readMeter)) {
        Failed("calibration: line 0 was not calibrated against the stand-in's meter");
        return;
    }
    double after = LargestLightError(host, readLight);
    Row("calibration_error", "Largest light error, 11-point calibration", Fixed(after, 2) + " % of full scale",
        "linear map: " + Fixed(before, 2) + " % (sin² AOM, meter noise 0.5 %, seed 7)", after / before);
    std::vector<double> calibrated;
    for (int i = 0; i < o.samples; ++i) {
        double t0 = HostClockFineMs();
        host.laser()->SetPower(0, i % 2 ? 20.0 : 10.0);
        calibrated.push_back(HostClockFineMs() - t0);
    }
    Row("setpower_calibrated", "SetPower on a calibrated line", Dist(calibrated), "uncalibrated: " + Dist(uncalibrated),
        Percentile(calibrated, 0.5) / Percentile(uncalibrated, 0.5));
}

void UnitFigures(const SOptions& o, Host& host) {
    tavosim_unit::TavoSimOptions unitOptions;
    unitOptions.personality = "standard";
    unitOptions.wire_time = true;
    tavosim_unit::TavoSimUnit unit(unitOptions);
    if (!unit.ok()) {
        Failed(("unit: " + unit.error()).c_str());
        return;
    }
    // Bare serial exchanges before the device holds the port.
    std::vector<double> bare;
    if (!BareExchanges(unit.com_port(), o.samples, bare)) Failed("serial: the bare exchange failed");

    // Bare NI-DAQmx writes on the stand-in, before the device owns its channels.
    std::vector<double> daqWrites;
    HMODULE daq = LoadLibraryW((o.daqDir + L"\\nicaiu.dll").c_str());
    if (daq) {
        auto get = [daq](const char* name) { return reinterpret_cast<void*>(GetProcAddress(daq, name)); };
        // Line 0's AOM for the calibration figures; the meter's noise is drawn from a fixed seed.
        auto load = reinterpret_cast<decltype(&fakedaqmx_LoadScenarioText)>(get("fakedaqmx_LoadScenarioText"));
        if (!load || load(kCalibrationScenario) != 0) Failed("the stand-in did not load the AOM's scenario");
        auto createTask = reinterpret_cast<decltype(&DAQmxCreateTask)>(get("DAQmxCreateTask"));
        auto createChan =
            reinterpret_cast<decltype(&DAQmxCreateAOVoltageChan)>(get("DAQmxCreateAOVoltageChan"));
        auto start = reinterpret_cast<decltype(&DAQmxStartTask)>(get("DAQmxStartTask"));
        auto write = reinterpret_cast<decltype(&DAQmxWriteAnalogScalarF64)>(get("DAQmxWriteAnalogScalarF64"));
        auto stop = reinterpret_cast<decltype(&DAQmxStopTask)>(get("DAQmxStopTask"));
        auto clear = reinterpret_cast<decltype(&DAQmxClearTask)>(get("DAQmxClearTask"));
        TaskHandle task = nullptr;
        if (createTask && createChan && start && write && stop && clear && createTask("", &task) == 0 &&
            createChan(task, "Dev1/ao0", "", 0.0, 5.0, DAQmx_Val_Volts, nullptr) == 0 && start(task) == 0) {
            for (int i = 0; i < o.samples * 10; ++i) {
                double t0 = HostClockFineMs();
                int32 status = write(task, 0, 10.0, i % 2 ? 1.0 : 0.5, nullptr);
                if (status == 0) daqWrites.push_back(HostClockFineMs() - t0);
            }
            stop(task);
        }
        if (task) clear(task);
    }
    SetDllDirectoryW(o.daqDir.c_str());

    // Connect time, and how soon the host then hears the unit's state (the first poll pushes it).
    // The logical devices get their ids from the first configuration and keep them across connects.
    std::vector<double> connect, firstPush;
    if (!host.Create("CQvAOMTAVO") || !host.Connect(unit.com_port()) || !host.Configure()) {
        Failed("unit: the device did not connect");
        return;
    }
    host.device()->DisconnectDevice();
    std::wstring text = L"m_iCOMPort=" + std::to_wstring(unit.com_port()) + L";";
    for (int i = 0; i < 10; ++i) {
        ClearChanges();
        double t0 = HostClockFineMs();
        host.device()->ConnectDevice(text.c_str());
        double t1 = HostClockFineMs();
        connect.push_back(t1 - t0);
        double pushed = WaitForLaserChange(-1, 5000);
        if (!isnan(pushed)) firstPush.push_back(pushed - t1);
        host.device()->DisconnectDevice();
    }
    std::vector<double> rest;
    for (double c : connect)
        rest.push_back(c - kMandatedConnectMs);
    Row("connect", "Connect time (unit at 9600 baud)", Dist(connect, 1),
        "mandated waits " + Fixed(kMandatedConnectMs, 0) + " ms; the rest: " + Dist(rest, 1),
        Percentile(connect, 0.5) / kMandatedConnectMs);
    Row("first_push", "Connect to the host hearing the unit's state", Dist(firstPush, 1), "-", NAN);

    if (!host.Connect(unit.com_port()) || !host.Configure()) {
        Failed("unit: the device did not connect");
        return;
    }
    // One exchange: selecting a line while the shutter is open sends cTSO<n> and reads oTSO<n>.
    host.shutter()->SetState(true);
    unit.run("transcript clear");
    std::vector<double> select;
    for (int i = 0; i < o.samples; ++i) {
        double t0 = HostClockFineMs();
        host.laser()->SetLineUsed(i % 2 ? 1 : 0, true);
        select.push_back(HostClockFineMs() - t0);
    }
    size_t selects = 0;
    for (const SLine& l : Transcript(unit))
        selects += l.rx && l.text.compare(0, 4, "cTSO") == 0;
    double wire = (6 + 7) * kCharMs;
    Row("serial", "Line selection, one exchange (cTSO)", Dist(select),
        "wire time " + Fixed(wire, 2) + " ms (13 characters); bare WriteFile + ReadFile loop: " + Dist(bare),
        Percentile(select, 0.5) / wire);
    Row("serial_bare", "Line selection against the bare loop", Dist(select), Dist(bare),
        Percentile(select, 0.5) / Percentile(bare, 0.5));
    if (selects != static_cast<size_t>(o.samples))
        printf("  (the unit received %zu selections for %d calls)\n", selects, o.samples);

    // SetPower until the stand-in holds the voltage; SetPower returns once the worker wrote it.
    auto lastVoltage = reinterpret_cast<decltype(&fakedaqmx_GetLastVoltage)>(
        reinterpret_cast<void*>(daq ? GetProcAddress(daq, "fakedaqmx_GetLastVoltage") : nullptr));
    std::vector<double> power;
    int wrong = 0;
    for (int i = 0; i < o.samples; ++i) {
        double percent = i % 2 ? 20.0 : 10.0;
        double t0 = HostClockFineMs();
        host.laser()->SetPower(0, percent);
        double t1 = HostClockFineMs();
        double volts = NAN;
        if (!lastVoltage || !lastVoltage("Dev1/ao0", &volts) || fabs(volts - percent / 20.0) > 1e-9) ++wrong;
        power.push_back(t1 - t0);
    }
    double powerBase = g_callBackP50 + Percentile(daqWrites, 0.5);
    Row("setpower", "SetPower to the voltage recorded", Dist(power),
        "CallBack p50 " + Fixed(g_callBackP50, 3) + " ms + bare DAQmxWriteAnalogScalarF64 p50 " +
            Fixed(Percentile(daqWrites, 0.5), 3) + " ms = " + Fixed(powerBase, 3) + " ms",
        Percentile(power, 0.5) / powerBase);
    if (wrong) printf("  (%d of %d voltages were not the one asked for)\n", wrong, o.samples);
    CalibrationFigures(o, host, daq, power);

    // Front panel to host: a line chosen on the unit at a random moment, until the host hears of it.
    std::mt19937 random(14);
    std::uniform_int_distribution<int> pause(0, 150);
    std::vector<double> panel;
    int current = (o.samples - 1) % 2 ? 2 : 1; // where the selections above left the unit
    for (int i = 0; i < o.samples; ++i) {
        int line = current == 2 ? 3 : 2;
        Sleep(static_cast<DWORD>(pause(random)));
        ClearChanges();
        double t0 = HostClockFineMs();
        if (!unit.select_line(line)) {
            Failed("panel: the unit's front panel did not answer");
            break;
        }
        double t = WaitForLaserChange(line, 3000);
        current = line;
        if (isnan(t)) continue;
        panel.push_back(t - t0);
    }

    // Idle: CPU, and the line's time the poll takes.
    unit.run("transcript clear");
    SCpu idle = MeasureCpu(o.idleSeconds, o.serverCpu);
    std::vector<SLine> lines = Transcript(unit);
    std::vector<double> periods;
    size_t chars = 0, polls = 0;
    double first = NAN, last = NAN;
    for (const SLine& l : lines) {
        chars += WireChars(l.text);
        if (l.rx && l.text == "rTES\\r") {
            if (!isnan(last)) periods.push_back(1000.0 * (l.t - last));
            if (isnan(first)) first = l.t;
            last = l.t;
            ++polls;
        }
    }
    double span = 1000.0 * (last - first);
    double pollChars = polls ? static_cast<double>(chars) / static_cast<double>(polls) : NAN;
    double share = 100.0 * static_cast<double>(chars) * kCharMs / (o.idleSeconds * 1000.0);
    double pollWire = pollChars * kCharMs;
    Row("panel", "Front panel to host callback", Dist(panel, 1),
        "poll period p50 " + Fixed(Percentile(periods, 0.5), 1) + " ms + one poll's wire time " +
            Fixed(pollWire, 1) + " ms = " + Fixed(Percentile(periods, 0.5) + pollWire, 1) + " ms",
        Percentile(panel, 0.99) / (Percentile(periods, 0.5) + pollWire));
    Row("poll_period", "Poll period (idle, from the unit's transcript)", Dist(periods, 1),
        std::to_string(polls) + " polls in " + Fixed(span / 1000.0, 1) + " s", NAN);
    Row("line_share", "Serial line time taken by polling", Fixed(share, 1) + " % at 9600 baud",
        Fixed(pollChars, 0) + " characters per poll = " + Fixed(pollWire, 1) + " ms of wire time",
        share / 100.0);
    // The board check's cost: the same idle with the lines' channels taken away, so that it writes nothing.
    SCpu unchecked = {NAN, NAN};
    if (host.Configure(kNoChannelConfiguration)) unchecked = MeasureCpu(o.idleSeconds, o.serverCpu);
    else Failed("board check: the device did not take the lines without channels");
    host.Disconnect();
    host.Release();
    SCpu none = MeasureCpu(o.idleSeconds, o.serverCpu);
    Row("board_check", "Idle with the board check (3 lines written a second)", CpuText(idle),
        "the same without channels: " + CpuText(unchecked), CpuTotal(idle) / std::max(0.01, CpuTotal(unchecked)));
    Row("idle_unit", "Idle cost, connected device (unit)", CpuText(idle), "idle process: " + CpuText(none),
        CpuTotal(idle) / std::max(0.01, CpuTotal(none)));

    if (!o.panelSamples.empty()) {
        FILE* f = fopen(o.panelSamples.c_str(), "wb");
        if (!f) Failed("panel: the samples file cannot be written");
        if (f) {
            std::vector<double> sorted = panel;
            std::sort(sorted.begin(), sorted.end());
            for (size_t i = 0; i < sorted.size(); ++i)
                fprintf(f, "%.3f %.4f\n", sorted[i], static_cast<double>(i + 1) / sorted.size());
            fclose(f);
        }
    }
}

std::wstring Beside(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n);
    return p.substr(0, p.find_last_of(L"\\/") + 1) + name;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    SOptions o;
    o.module = Beside(L"w32_device_aomtavo.dll");
    o.daqDir = Beside(L"..\\fakedaqmx\\full");
    for (int i = 1; i + 1 < argc; i += 2) {
        std::wstring key = argv[i], value = argv[i + 1];
        if (key == L"--module")
            o.module = value;
        else if (key == L"--daq-dir")
            o.daqDir = value;
        else if (key == L"--results")
            o.results = Narrow(value);
        else if (key == L"--panel-samples")
            o.panelSamples = Narrow(value);
        else if (key == L"--wineserver-cpu")
            o.serverCpu = Narrow(value);
        else if (key == L"--samples")
            o.samples = _wtoi(value.c_str());
        else if (key == L"--idle-seconds")
            o.idleSeconds = static_cast<DWORD>(_wtoi(value.c_str()));
        else {
            fwprintf(stderr,
                     L"usage: qvbench.exe [--module PATH] [--daq-dir DIR] [--results FILE] "
                     L"[--panel-samples FILE] [--wineserver-cpu FILE] [--samples N] [--idle-seconds S]\n");
            return 2;
        }
    }
    if (o.samples < 10) o.samples = 10;
    if (o.idleSeconds < 1) o.idleSeconds = 1;
    InitializeCriticalSection(&g_changeLock);
    g_changeEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    QV_SetMessageBoxHandler(RecordMessageBox);
    if (!o.results.empty() && !(g_results = fopen(o.results.c_str(), "wb"))) {
        fprintf(stderr, "qvbench: cannot write %s\n", o.results.c_str());
        return 1;
    }
    Host host(o.module);
    if (!host.Loaded()) {
        fwprintf(stderr, L"qvbench: cannot load %ls\n", o.module.c_str());
        return 1;
    }
    CallBackFigure(o, host);
    UnitFigures(o, host);
    if (g_results) fclose(g_results);
    if (g_failures) {
        fprintf(stderr, "qvbench: %d figures could not be measured\n", g_failures);
        return 1;
    }
    fprintf(stderr, "qvbench: every figure measured\n");
    return 0;
}
