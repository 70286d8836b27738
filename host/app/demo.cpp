#include "demo.h"

#include "changetext.h"
#include "daqstandin.h"
#include "linenumbers.h"
#include "numbers.h"
#include "output.h"

namespace {
// Three lines on the first board's first outputs; blanks as the line configuration dialog writes them.
const wchar_t kConfiguration[] =
    L"bEmpty[0]=0;iIndex[0]=1;fValMin[0]=  0.0;fValMax[0]=  5.0;fValLambda[0]=488.0;"
    L"sChannel_Name[0]=Dev1/ao0;sLineName[0]=Blue;"
    L"bEmpty[1]=0;iIndex[1]=2;fValMin[1]=  0.0;fValMax[1]=  4.5;fValLambda[1]=561.0;"
    L"sChannel_Name[1]=Dev1/ao1;sLineName[1]=Green;"
    L"bEmpty[2]=0;iIndex[2]=3;fValMin[2]=  0.0;fValMax[2]=  5.0;fValLambda[2]=640.0;"
    L"sChannel_Name[2]=Dev1/ao2;sLineName[2]=Red;";
const int kDemoLine = 1;
const double kDemoPower = 50.0;

class CDemo {
public:
    explicit CDemo(CHostApp& app) : m_App(app) {}
    int Run();

private:
    bool Fail(const std::wstring& why) {
        m_App.Log().Print(); // the module's own words on it come first
        PrintLine(L"The demo stopped: " + why);
        return false;
    }
    bool ModuleAndDevice();
    bool ConnectAndConfigure();
    bool UseLine();
    void ReportVoltage();
    bool UseShutter();
    void ReportReceived();

    // The first status poll after configure reports both states to the host; waited for (bounded).
    void AwaitFirstReport();

    CHostApp& m_App;
    IQvPhysicalDevice* m_pDevice = nullptr;
    bool m_bSimulator = false;
    std::vector<SHostChange> m_Received;
    std::vector<int> m_UnitLines;
};

int CDemo::Run() {
    bool ok = ModuleAndDevice() && ConnectAndConfigure() && UseLine() && UseShutter();
    if (ok) ReportReceived();
    if (m_App.Device()) {
        m_App.Disconnect();
        m_App.Log().Print();
        PrintLine(L"Disconnected: state " + std::to_wstring(m_App.DeviceState()) + L".");
    }
    return ok ? 0 : 1;
}

bool CDemo::ModuleAndDevice() {
    PrintLine(L"Module loaded: " + m_App.Options().modulePath);
    std::wstring classes;
    for (const std::string& c : m_App.Host().Classes())
        classes += (classes.empty() ? L"" : L", ") + std::wstring(c.begin(), c.end());
    PrintLine(L"It registers the device classes " + classes + L".");
    std::vector<std::wstring> records;
    std::wstring error;
    if (m_App.Host().ReadVersionRecords(records, error)) {
        PrintLine(L"Its version records:");
        for (const std::wstring& r : records)
            PrintLine(L"  " + r);
    } else {
        PrintLine(L"It has no version records: " + error);
    }
    const std::string& name = m_App.Options().className;
    if (!m_App.Create(name, error)) return Fail(error);
    m_pDevice = m_App.Device();
    m_bSimulator = name == "CQvAOMTAVOSim";
    CQvStringW display, group;
    uint32_t icon = 0;
    m_pDevice->GetDisplayInfo(&display, &group, &icon);
    PrintLine(L"Device created: " + std::wstring(name.begin(), name.end()) + L" (" + display.GetString() +
              L", made by " + m_pDevice->GetInfoString(3).GetString() + L", in the group " +
              group.GetString() + L"), state " + std::to_wstring(m_App.DeviceState()) + L".");
    return true;
}

bool CDemo::ConnectAndConfigure() {
    std::wstring connection = m_App.DefaultConnectionText();
    if (m_bSimulator)
        PrintLine(L"Connecting the simulator (it needs no COM port and no NI-DAQmx library)...");
    else
        PrintLine(L"Connecting with \"" + connection + L"\" (the unit's COM port; NI-DAQmx for the AOMs)...");
    m_App.Connect(&connection);
    PrintLine(L"ConnectDevice returned: state " + std::to_wstring(m_App.DeviceState()) + L".");
    // Whether the unit answered shows at configure: a device that did not connect refuses it with 1.
    std::wstring text = kConfiguration, error;
    EDeviceManagerReturnCode result = m_App.Configure(&text, error);
    if (result == DMRC_WRONG_STATE)
        return Fail(L"the device did not connect (configure answered 1): the log line above says why, and "
                    L"qvhost.exe --scan shows the COM ports and NI-DAQmx boards");
    if (result != DMRC_OK)
        return Fail(L"the device refused the configuration (result " + std::to_wstring(result) + L")");
    IQvDeviceMultiLaser* laser = m_App.Session().MultiLaser();
    uint32_t single = 1;
    laser->GetSingleLineMode(&single);
    PrintLine(L"Configured: state " + std::to_wstring(m_App.DeviceState()) + L", " +
              (single ? L"standard mode (one line at a time)" : L"extended mode (several lines at once)") +
              L"; the host gave the multi-laser id " + std::to_wstring(CHostSession::kMultiLaserId) +
              L" and the shutter id " + std::to_wstring(CHostSession::kShutterId) + L".");
    AwaitFirstReport();
    uint32_t count = 0;
    laser->GetLineCount(&count);
    m_UnitLines = m_App.UnitLines();
    PrintLine(L"Its lines, in the host's numbering from 0 with the unit's line beside each:");
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t nm = 0;
        CQvStringW name;
        double percent = 0.0;
        laser->GetWavelength(static_cast<int>(i), &nm);
        laser->GetLineName(static_cast<int>(i), name);
        laser->GetLinePower(static_cast<int>(i), &percent);
        PrintLine(L"  line " + std::to_wstring(i) + UnitLineNote(m_UnitLines, static_cast<int>(i)) + L": " +
                  std::to_wstring(nm) + L" nm, \"" + name.GetString() + L"\", power " +
                  FormatFixed(percent, 1) + L" %");
    }
    return true;
}

void CDemo::AwaitFirstReport() {
    const DWORD kWaitMs = 2000;
    CQvHostDeviceManager& manager = m_App.Host().Manager();
    bool laser = false, shutter = false;
    for (ULONGLONG deadline = GetTickCount64() + kWaitMs; !(laser && shutter);) {
        for (const SHostChange& c : manager.TakeChanges()) {
            laser = laser || c.key == CHostSession::kMultiLaserId;
            shutter = shutter || c.key == CHostSession::kShutterId;
            m_Received.push_back(c);
        }
        ULONGLONG now = GetTickCount64();
        if ((laser && shutter) || now >= deadline) break;
        WaitForSingleObject(manager.ChangeEvent(), static_cast<DWORD>(deadline - now));
    }
}

bool CDemo::UseLine() {
    IQvDeviceMultiLaser* laser = m_App.Session().MultiLaser();
    EDeviceManagerReturnCode result = laser->SetLineUsed(kDemoLine, true);
    bool used = false;
    laser->GetLineUsed(kDemoLine, &used);
    PrintLine(L"Line " + std::to_wstring(kDemoLine) + UnitLineNote(m_UnitLines, kDemoLine) +
              L" switched on: result " + std::to_wstring(result) + L", the device reports it " +
              (used ? L"on" : L"off") + L".");
    if (result != DMRC_OK || !used) return Fail(L"the line did not switch on");
    result = laser->SetPower(kDemoLine, kDemoPower);
    double percent = 0.0;
    laser->GetLinePower(kDemoLine, &percent);
    PrintLine(L"Power of line " + std::to_wstring(kDemoLine) + UnitLineNote(m_UnitLines, kDemoLine) +
              L" set to " + FormatFixed(kDemoPower, 1) + L" %: result " + std::to_wstring(result) +
              L", the device reports " + FormatFixed(percent, 1) + L" %.");
    if (result != DMRC_OK) return Fail(L"the power was refused");
    ReportVoltage();
    return true;
}

void CDemo::ReportVoltage() {
    if (m_bSimulator) {
        PrintLine(L"The simulator writes no NI-DAQmx library: no AOM voltage to read back.");
        return;
    }
    std::vector<SChannelVoltage> voltages;
    std::wstring error;
    if (!ReadStandInVoltages(voltages, error)) {
        PrintLine(L"The AOM voltages cannot be read back: " + error + L".");
        return;
    }
    PrintLine(L"The NI-DAQmx stand-in recorded these AOM voltages:");
    for (const SChannelVoltage& v : voltages)
        PrintLine(L"  " + v.channel + L": " + FormatFixed(v.volts, 3) + L" V");
}

bool CDemo::UseShutter() {
    IQvDeviceShutter* shutter = m_App.Session().Shutter();
    for (bool open : {true, false}) {
        EDeviceManagerReturnCode result = shutter->SetState(open);
        bool state = !open;
        shutter->GetState(&state);
        PrintLine(std::wstring(open ? L"Shutter opened" : L"Shutter closed") + L": result " +
                  std::to_wstring(result) + L", the device reports it " + (state ? L"open" : L"closed") +
                  L".");
        if (result != DMRC_OK || state != open) return Fail(L"the shutter did not follow");
    }
    return true;
}

void CDemo::ReportReceived() {
    std::vector<SHostChange> changes = m_Received;
    for (const SHostChange& c : m_App.Host().Manager().TakeChanges())
        changes.push_back(c);
    PrintLine(L"The host received " + std::to_wstring(changes.size()) + L" change notifications:");
    for (const SHostChange& c : changes)
        PrintLine(L"  " + DescribeChange(c, CHostSession::kMultiLaserId, CHostSession::kShutterId));
    std::vector<std::wstring> macros = m_App.Host().Manager().TakeMacros();
    PrintLine(L"and " + std::to_wstring(macros.size()) + L" macro texts" + (macros.empty() ? L"." : L":"));
    for (const std::wstring& m : macros)
        PrintLine(L"  " + m);
    std::wstring error;
    m_App.Save(error);
    PrintLine(L"The settings texts the host keeps for the next run:");
    for (const auto& entry : m_App.Store().Values())
        PrintLine(L"  " + entry.first + L": " + (entry.second.empty() ? L"(empty)" : entry.second));
}
} // namespace

int RunDemo(CHostApp& app) {
    return CDemo(app).Run();
}
