// The NI-DAQmx port against the fakedaqmx stand-in, loaded by name from a variant folder as the real
// library is. The library table is module-wide: every test needs a process of its own, as ctest gives it.
#include "logcapture.h"
#include "moduleloader.h"
#include "qvprint.h"

#include <aomnidaqport.h>
#include <aomtavodevice.h>

#include <qv/qvsystem.h>

#include "fake_library.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const wchar_t kNotInstalled[] =
    L"The NI-DAQmx library is not correctly installed.\r\nPlease, try to reinstall "
    L"NI-DAQmx library, version 8.9.5 at least.";
const wchar_t kUnknownVersion[] =
    L"Unknown version of NI-DAQmx library found.\r\nPlease, install version 8.9.5 "
    L"at least.";
const wchar_t kVersionFound[] =
    L"The NI-DAQmx library version 8.9 found.\r\nPlease, install version 8.9.5 at "
    L"least.";
const wchar_t kNoDevices[] = L"No NI-DAQmx devices detected.";

std::wstring W(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

struct SDialog {
    std::wstring text, caption;
    UINT style;
};
std::vector<SDialog> g_Dialogs;

int RecordDialog(HWND, const wchar_t* text, const wchar_t* caption, UINT style) {
    g_Dialogs.push_back({text, caption, style});
    return IDOK;
}

// An export of the library the port loaded.
#define FAKE(fn) FAKEDAQMX(GetModuleHandleW(L"nicaiu.dll"), fn)

std::string CallLog() {
    return FetchString(FAKE(fakedaqmx_GetCallLog));
}

// The discovery queries of the call log: board list, channel lists and voltage ranges.
std::vector<std::string> DiscoveryCalls() {
    std::vector<std::string> calls;
    std::istringstream log(CallLog());
    for (std::string line; std::getline(log, line);)
        if (line.rfind("DAQmxGetSysDevNames(", 0) == 0 || line.rfind("DAQmxGetDevAO", 0) == 0)
            calls.push_back(line);
    return calls;
}

std::wstring LineStartingWith(const LogCapture& log, const std::wstring& prefix) {
    for (const std::wstring& line : log.Lines())
        if (line.compare(0, prefix.size(), prefix) == 0) return line;
    return L"";
}

class DaqPort : public ::testing::Test {
protected:
    void SetUp() override {
        if (GetModuleHandleW(L"nicaiu.dll")) GTEST_SKIP() << "needs a process of its own, as under ctest";
        ASSERT_NE(nullptr, dev);
        g_Dialogs.clear();
        QV_SetMessageBoxHandler(RecordDialog);
        Use("full");
    }
    void TearDown() override {
        QV_SetMessageBoxHandler(nullptr);
        g_Dialogs.clear();
        scenario.reset();
        SetDllDirectoryW(nullptr);
        EXPECT_EQ(asserts, QV_AssertCount()) << "a lock was taken twice or released unheld";
    }
    // Variant and scenario of the first library load in this process.
    void Use(const char* variant, const char* text = nullptr) {
        SetDllDirectoryW(FakeDaqmxDir(variant).c_str());
        scenario.reset(); // before the next: they share the variable and the file
        if (text && *text) scenario.reset(new DaqScenario(text));
    }
    // A new scenario for a library that is already loaded.
    void Load(const std::string& text) {
        ASSERT_EQ(0, FAKE(fakedaqmx_LoadScenarioText)(text.c_str())) << text;
    }
    // As the device opens it: the dialog a failed Open keeps is shown by the caller afterwards.
    bool Open() {
        bool opened = port->Open(*dev, false);
        port->ShowPendingMessage();
        return opened;
    }
    // A line on the channel with no span of its own: its task takes the board range that holds 0 V.
    void Assign(int line, const wchar_t* channel) { port->SetLineOutput(line, channel, 0.0, 0.0); }
    std::vector<std::wstring> Boards() const {
        return std::vector<std::wstring>(dev->m_DAQBoardNames, dev->m_DAQBoardNames + dev->m_iDAQBoardCount);
    }
    std::vector<std::wstring> Channels() const {
        return std::vector<std::wstring>(dev->m_AOChannelNames,
                                         dev->m_AOChannelNames + dev->m_iAOChannelCount);
    }
    std::vector<int> Owners() const {
        std::vector<int> owners;
        for (int i = 0; i < dev->m_iAOChannelCount; ++i)
            owners.push_back(dev->m_AOChannels[i].iBoardIndex);
        return owners;
    }
    void ScrambleOwners() {
        for (SAOChannel& c : dev->m_AOChannels)
            c.iBoardIndex = 99;
    }
    // The board record in one line, so that a wrong field shows in context.
    std::string Record(int i) const {
        const SDAQBoard& b = dev->m_DAQBoards[i];
        char text[200];
        snprintf(text, sizeof text, "%ls %u.%u <%g %g> %d ch, product %u, bus %d, slot %u",
                 b.sName.GetString(), b.uSDKMajor, b.uSDKMinor, b.fAORangeLow, b.fAORangeHigh, b.iAOChannels,
                 b.uProductNum, b.iBusType, b.uPCIDevNum);
        return text;
    }
    static void ExpectDialog(const wchar_t* text) {
        ASSERT_EQ(1u, g_Dialogs.size());
        EXPECT_EQ(text, g_Dialogs[0].text);
        EXPECT_EQ(L"Error", g_Dialogs[0].caption);
        EXPECT_EQ(0x10u, g_Dialogs[0].style);
    }

    long asserts = QV_AssertCount();
    std::unique_ptr<DaqScenario> scenario;
    LoadedModule module;
    DeviceRef object{module.Make("QV_ConstructorForCQvAOMTAVO")};
    CQvAOMTAVO* dev = dynamic_cast<CQvAOMTAVO*>(object.device());
    CQvAOMNIDAQPort* port = dev ? dev->m_pNIDAQPort : nullptr;
};

using Names = std::vector<std::wstring>;

// ---- Discovery ----

// A port never opened refuses writes; one opened in simulation answers them itself: neither loads the
// library.
TEST_F(DaqPort, PortsWithoutARealOpenNeverCallTheLibrary) {
    LogCapture log;
    Assign(0, L"Dev1/ao0");
    EXPECT_FALSE(port->WriteChannelVoltage(0, 1.0));
    EXPECT_EQ(CQvStringW(L"NI-DAQmx was never opened"), port->LastFailure());
    ASSERT_TRUE(port->Open(*dev, true));
    EXPECT_EQ(Names({L"Dev1"}), Boards());
    EXPECT_EQ(Names({L"Dev1/ao0", L"Dev1/ao1", L"Dev1/ao2", L"Dev1/ao3"}), Channels());
    for (int line : {0, 1, 2, 7})
        EXPECT_TRUE(port->WriteChannelVoltage(line, 1.0)) << line;
    EXPECT_TRUE(port->Close());
    EXPECT_EQ(nullptr, GetModuleHandleW(L"nicaiu.dll"));
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(DaqPort, OneBoardGivesFourChannelsAnEmptyEndAndItsLogLines) {
    Use("full", "board Dev1 product 6733 bus 12583 pci 3 range -5 5 range -10 10\n");
    ScrambleOwners();
    LogCapture log;
    ASSERT_TRUE(Open());
    EXPECT_EQ(Names({L"Dev1"}), Boards());
    EXPECT_EQ(Names({L"Dev1/ao0", L"Dev1/ao1", L"Dev1/ao2", L"Dev1/ao3", L""}), Channels());
    EXPECT_EQ(std::vector<int>({0, 0, 0, 0, 0}), Owners());
    EXPECT_EQ("Dev1 8.9 <-5 5> 4 ch, product 6733, bus 12583, slot 3", Record(0)); // the first range
    EXPECT_TRUE(g_Dialogs.empty());
    EXPECT_EQ(
        Names({L"CQvAOMNIDAQPort Open - start", L"CQvAOMNIDAQPort SDKVersion: 8.9",
               L"CQvAOMNIDAQPort Devices: Dev1", L"CQvAOMNIDAQPort ParsedDevices: 1",
               L"CQvAOMNIDAQPort Dev: Dev1 ParsedChannels: Dev1/ao0, Dev1/ao1, Dev1/ao2, Dev1/ao3",
               L"CQvAOMNIDAQPort VoltageRngs < -5.0 -  5.0>", L"CQvAOMNIDAQPort ProductNum: 6733",
               L"CQvAOMNIDAQPort BusType: 12583", L"CQvAOMNIDAQPort Slot: 3", L"CQvAOMNIDAQPort Open - end"}),
        log.Lines());
    // The channel list into a fixed buffer first; the range array by its number of values, then whole.
    EXPECT_EQ(std::vector<std::string>(
                  {"DAQmxGetSysDevNames(null, 0) = 5", "DAQmxGetSysDevNames(ptr, 5) = 0 -> \"Dev1\"",
                   "DAQmxGetDevAOPhysicalChans(\"Dev1\", ptr, 256) = 0 -> \"Dev1/ao0, Dev1/ao1, Dev1/ao2, "
                   "Dev1/ao3\"",
                   "DAQmxGetDevAOVoltageRngs(\"Dev1\", null, 0) = 4",
                   "DAQmxGetDevAOVoltageRngs(\"Dev1\", ptr, 4) = 0 -> [-5.000, 5.000, -10.000, 10.000]"}),
              DiscoveryCalls());
}

// Each open rebuilds the tables, in the library's order, on the library already loaded (a reload would drop
// the faults set in it); a board whose query fails is listed but adds no channels.
TEST_F(DaqPort, BoardsKeepTheLibraryOrderAndOneWithAFailingQueryAddsNoChannels) {
    Use("full", "board Dev2 channels ao0 ao1\nboard Dev1 channels ao0 ao1\n");
    ScrambleOwners();
    ASSERT_TRUE(Open());
    HMODULE library = GetModuleHandleW(L"nicaiu.dll");
    EXPECT_EQ(Names({L"Dev2", L"Dev1"}), Boards());
    EXPECT_EQ(Names({L"Dev2/ao0", L"Dev2/ao1", L"Dev1/ao0", L"Dev1/ao1", L""}), Channels());
    EXPECT_EQ(std::vector<int>({0, 0, 1, 1, 0}), Owners());
    EXPECT_EQ(2, dev->m_DAQBoards[0].iAOChannels);
    for (const char* fn : {"DAQmxGetDevAOPhysicalChans", "DAQmxGetDevAOVoltageRngs", "DAQmxGetDevProductNum",
                           "DAQmxGetDevBusType", "DAQmxGetDevPCIDevNum"}) {
        SCOPED_TRACE(fn);
        ScrambleOwners();
        ASSERT_EQ(0, FAKE(fakedaqmx_SetFault)(fn, "Dev2", -200220));
        ASSERT_TRUE(Open());
        EXPECT_EQ(library, GetModuleHandleW(L"nicaiu.dll"));
        EXPECT_EQ(Names({L"Dev2", L"Dev1"}), Boards());
        EXPECT_EQ(Names({L"Dev1/ao0", L"Dev1/ao1", L""}), Channels());
        EXPECT_EQ(std::vector<int>({1, 1, 0}), Owners());
        FAKE(fakedaqmx_ClearFaults)();
    }
}

// What NI's clients take from the library's answers: a board without analog outputs gives an empty list and
// no channel; a read that succeeded with a warning has its answer, never a size; the ranges are read whole
// by their number, in the board's order.
TEST_F(DaqPort, ListsAndRangesAreTakenAsTheLibraryMeansThem) {
    struct {
        const char* scenario;
        Names channels;
        std::vector<int> owners;
        int ranges; // of the board Dev1
    } cases[] = {
        {"board Dev1 channels ao0\nboard Dig1 channels\nboard Dev2 channels ao0 ao1\n",
         {L"Dev1/ao0", L"Dev2/ao0", L"Dev2/ao1", L""},
         {0, 2, 2, 0},
         1},
        {"board Dev1 channels ao0 ao1\nwarn DAQmxGetDevAOPhysicalChans Dev1 200024\n"
         "warn DAQmxGetDevAOVoltageRngs Dev1 200024\n",
         {L"Dev1/ao0", L"Dev1/ao1", L""},
         {0, 0, 0},
         1},
        {"board Dev1 range -1 1 range -5 5 range -10 10 range 0 10 channels ao0\n",
         {L"Dev1/ao0", L""},
         {0, 0},
         4},
    };
    ASSERT_TRUE(Open()); // loads the library
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scenario);
        Load(c.scenario);
        ScrambleOwners();
        ASSERT_TRUE(Open());
        EXPECT_EQ(c.channels, Channels());
        EXPECT_EQ(c.owners, Owners());
        const SDAQBoard& board = dev->m_DAQBoards[0];
        EXPECT_EQ(c.ranges, board.iAORangeCount);
        if (c.ranges == 4) {
            EXPECT_EQ(
                std::vector<float>({-1, 1, -5, 5, -10, 10, 0, 10}),
                std::vector<float>({board.afAORangeLow[0], board.afAORangeHigh[0], board.afAORangeLow[1],
                                    board.afAORangeHigh[1], board.afAORangeLow[2], board.afAORangeHigh[2],
                                    board.afAORangeLow[3], board.afAORangeHigh[3]}));
            EXPECT_EQ(-1.0f, board.fAORangeLow) << "the first range, as the board lists it";
        }
    }
}

// A channel list longer than the first buffer, refused (-200228) or cut to fit with the warning 200026 as
// the library may answer: either way it is read whole by its size, every channel whole.
TEST_F(DaqPort, AListThatDoesNotFitItsBufferIsReadWhole) {
    // 16 channels in 261 bytes.
    const std::string boards = "board PXI1Slot12 bus 14706 channels ao0:15\nboard Dev2 channels ao0\n";
    Names expected;
    for (int i = 0; i < 16; ++i)
        expected.push_back(L"PXI1Slot12/ao" + std::to_wstring(i));
    expected.insert(expected.end(), {L"Dev2/ao0", L""});
    ASSERT_TRUE(Open()); // loads the library
    for (const char* strings : {"", "strings truncate\n"}) {
        SCOPED_TRACE(*strings ? "cut to fit" : "refused");
        Load(strings + boards);
        FAKE(fakedaqmx_ClearCallLog)();
        LogCapture log;
        ASSERT_TRUE(Open());
        EXPECT_EQ(expected, Channels());
        std::vector<std::string> queries;
        for (const std::string& call : DiscoveryCalls())
            if (call.find("(\"PXI1Slot12\"") != std::string::npos &&
                call.find("PhysicalChans") != std::string::npos)
                queries.push_back(call.substr(0, call.find(" ->")));
        EXPECT_EQ(
            std::vector<std::string>({std::string("DAQmxGetDevAOPhysicalChans(\"PXI1Slot12\", ptr, 256) = ") +
                                          (*strings ? "200026" : "-200228"),
                                      "DAQmxGetDevAOPhysicalChans(\"PXI1Slot12\", null, 0) = 261",
                                      "DAQmxGetDevAOPhysicalChans(\"PXI1Slot12\", ptr, 261) = 0"}),
            queries);
        EXPECT_TRUE(
            log.Contains(L"CQvAOMNIDAQPort Dev: PXI1Slot12 channel list longer than its buffer, read by "
                         L"its size"));
    }
}

// A channel named in another letter case than the library's still takes its own board's range (each board's
// range end to end, from the dialog to the voltage, is ConfigurationDialogOnBoards').
TEST_F(DaqPort, AChannelInAnotherCaseIsCreatedWithItsBoardsRange) {
    Use("full", "board USB1 bus 12586 product 6001 range 0 5 channels ao0 ao1\n");
    ASSERT_TRUE(Open());
    Assign(0, L"usb1/AO1");
    ASSERT_TRUE(port->WriteChannelVoltage(0, 5.0)) << port->LastFailure().GetString();
    EXPECT_NE(std::string::npos, CallLog().find("\"usb1/AO1\", \"\", 0.000, 5.000, 10348, null) = 0"))
        << CallLog();
}

// The slot number is asked only of boards on a bus with slots; a board on another bus (USB, CompactDAQ)
// still gives its channels, and a slot query that fails on a slot bus still drops the board's.
TEST_F(DaqPort, OnlyBoardsInASlotAreAskedForIt) {
    Use("full", "board P bus 12582 pci 5 channels ao0\nboard PE bus 13612 channels ao0\n"
                "board X bus 12583 channels ao0\nboard XE bus 14706 channels ao0\n"
                "board U bus 12586 channels ao0\nboard C bus 14637 channels ao0\n");
    ScrambleOwners();
    LogCapture log;
    ASSERT_TRUE(Open());
    EXPECT_EQ(Names({L"P/ao0", L"PE/ao0", L"X/ao0", L"XE/ao0", L"U/ao0", L"C/ao0", L""}), Channels());
    EXPECT_EQ(std::vector<int>({0, 1, 2, 3, 4, 5, 0}), Owners());
    EXPECT_EQ("P 8.9 <-10 10> 1 ch, product 6272, bus 12582, slot 5", Record(0));
    EXPECT_EQ("U 0.0 <-10 10> 1 ch, product 6272, bus 12586, slot 0", Record(4));
    // The stand-in refuses the slot of a board on another bus, which would drop U's and C's channels.
    for (const char* board : {"P", "PE", "X", "XE"})
        EXPECT_NE(std::string::npos,
                  CallLog().find("DAQmxGetDevPCIDevNum(\"" + std::string(board) + "\", ptr) = 0"))
            << board;
    EXPECT_TRUE(log.Contains(L"CQvAOMNIDAQPort Dev: U bus 12586 has no slot"));
    EXPECT_TRUE(log.Contains(L"CQvAOMNIDAQPort Dev: C bus 14637 has no slot"));

    ASSERT_EQ(0, FAKE(fakedaqmx_SetFault)("DAQmxGetDevPCIDevNum", "XE", -200220));
    ASSERT_TRUE(Open());
    EXPECT_EQ(Names({L"P/ao0", L"PE/ao0", L"X/ao0", L"U/ao0", L"C/ao0", L""}), Channels());
}

// The capacity and the log line of what it leaves out are OverflowKeepsWhatFitsAndLogsTheRest's.
TEST(SplitList, StopsAtTheTerminatorAndKeepsWhatTheFilterNames) {
    struct {
        const char text[20]; // may hold more after the first terminator
        const char* filter;
        Names items;
    } cases[] = {
        {"A, B", nullptr, {L"A", L"B"}},
        {"A, B, ", nullptr, {L"A", L"B", L""}},
        {"A,\0Zombie", nullptr, {L"A", L""}},
        {"A, ,\0Zombie", nullptr, {L"A", L"", L""}},
        {"", nullptr, {L""}},
        {"x/ao0, x/c, x/ao", "ao", {L"x/ao0", L"x/ao"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        char text[sizeof c.text];
        memcpy(text, c.text, sizeof text);
        CQvStringW out[4];
        int count = -1;
        ASSERT_EQ(0, CQvAOMNIDAQPort::SplitList(text, out, count, c.filter, 4));
        EXPECT_EQ(c.items, Names(out, out + count));
    }
    int count = 5;
    EXPECT_EQ(-9, CQvAOMNIDAQPort::SplitList(nullptr, nullptr, count, nullptr, 1));
    EXPECT_EQ(0, count);
}

// Each library the port may find, and each board list that decides the open: accepted, or refused with a
// dialog shown without the port lock held.
struct SVariant {
    const char* name;
    const char* variant;
    const char* scenario;
    const wchar_t* dialog; // null: accepted
    bool loadedAfter;
    const wchar_t* logLine; // null: none asked for
    const wchar_t* failure; // what LastFailure says
};

void PrintTo(const SVariant& v, std::ostream* os) {
    *os << v.name;
}

class LibraryVariant : public DaqPort, public ::testing::WithParamInterface<SVariant> {};

TEST_P(LibraryVariant, IsAcceptedOrShowsItsDialog) {
    const SVariant& v = GetParam();
    Use(v.variant, v.scenario);
    LogCapture log;
    EXPECT_EQ(!v.dialog, Open());
    if (v.dialog)
        ExpectDialog(v.dialog);
    else
        EXPECT_TRUE(g_Dialogs.empty());
    EXPECT_EQ(v.loadedAfter, GetModuleHandleW(L"nicaiu.dll") != nullptr);
    EXPECT_EQ(!v.dialog, port->bOpened);
    if (v.logLine) {
        EXPECT_TRUE(log.Contains(v.logLine));
    }
    EXPECT_EQ(CQvStringW(v.failure), port->LastFailure());
}

// The last two rows are board lists of the full library: "None" is refused; an empty list opens with one
// nameless board whose queries fail and no channel, so that the unit still connects.
INSTANTIATE_TEST_SUITE_P(
    All, LibraryVariant,
    ::testing::Values(
        SVariant{"none", "none", "", kNotInstalled, false, nullptr,
                 L"the NI-DAQmx library nicaiu.dll was not found"},
        SVariant{"noversion", "noversion", "", kUnknownVersion, false, nullptr,
                 L"NI-DAQmx has no version functions and was refused"},
        SVariant{"v7", "v7", "", kUnknownVersion, false, L"CQvAOMNIDAQPort SDKVersion: 7.4",
                 L"NI-DAQmx version 7.4 was refused (version 8 or later with every function is needed)"},
        SVariant{"missing", "missing", "", kVersionFound, false, nullptr,
                 L"NI-DAQmx 8.9 lacks the function DAQmxCfgSampClkTiming and was refused"},
        SVariant{"v80", "v80", "", nullptr, true, L"CQvAOMNIDAQPort SDKVersion: 8.0", L""},
        SVariant{"NoneListed", "full", "board None\n", kNoDevices, true,
                 L"ERROR: CQvAOMNIDAQPort ParsedDevices: None", L"NI-DAQmx lists no board"},
        SVariant{"ListFails", "full", "board Dev1\nfault DAQmxGetSysDevNames -200220\n", kNoDevices, true,
                 L"ERROR: CQvAOMNIDAQPort NI_DAQmxGetSysDevNames",
                 L"DAQmxGetSysDevNames failed with NI-DAQmx code -200220: Fault injected into "
                 L"DAQmxGetSysDevNames."},
        SVariant{"EmptyList", "full", "# no boards\n", nullptr, true,
                 L"ERROR: CQvAOMNIDAQPort DAQmxGetDevAOPhysicalChans", L""}),
    [](const ::testing::TestParamInfo<SVariant>& info) { return std::string(info.param.name); });

// ---- Overflow: what fits is kept, the rest is left out and logged, nothing is written past the tables ----

struct SScenario {
    std::string text;
    std::set<std::wstring> channels;
    void Board(const std::string& name, const std::vector<std::string>& chans) {
        text += "board " + name + " channels";
        for (const std::string& c : chans) {
            text += " " + c;
            channels.insert(W(name + "/" + c));
        }
        text += "\n";
    }
};

std::string Padded(const std::string& prefix, size_t length) {
    return prefix + std::string(length - prefix.size(), 'x');
}

std::vector<std::string> Outputs(int n) {
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i)
        names.push_back("ao" + std::to_string(i));
    return names;
}

std::string Numbered(const char* prefix, int i) {
    char name[8];
    snprintf(name, sizeof name, "%s%02d", prefix, i);
    return name;
}

struct SOverflow {
    const char* what;
    int boards;
    int channels; // the empty end entry included
    std::wstring lastChannel;
    std::vector<std::wstring> logLines;
    SScenario scenario;
};

TEST_F(DaqPort, OverflowKeepsWhatFitsAndLogsTheRest) {
    std::vector<SOverflow> cases;
    auto expect = [&](const char* what, int boards, int channels, const std::string& last,
                      std::vector<std::wstring> logLines) {
        cases.push_back({what, boards, channels, W(last), logLines, {}});
    };
    expect("20 boards", 16, 17, "B15/ao0",
           {L"CQvAOMNIDAQPort SplitList: 4 items left out (B16 to B19), room for 16"});
    for (int i = 0; i < 20; ++i)
        cases.back().scenario.Board(Numbered("B", i), {"ao0"});
    // A board list longer than a name buffer is read whole: no board is lost to its length.
    expect("board list of 277 characters", 5, 6, Padded("L4", 20) + "/a", {});
    int length[] = {62, 62, 62, 63, 20};
    for (int i = 0; i < 5; ++i)
        cases.back().scenario.Board(Padded("L" + std::to_string(i), length[i]), {"a"});
    expect("40 channels on one board", 1, 17, "Dev1/ao15",
           {L"CQvAOMNIDAQPort Dev: Dev1 channel list longer than its buffer, read by its size",
            L"CQvAOMNIDAQPort SplitList: 24 items left out (Dev1/ao16 to Dev1/ao39), room for 16"});
    cases.back().scenario.Board("Dev1", Outputs(40));
    expect("304 channels in all", 16, 256, "D15/ao14",
           {L"CQvAOMNIDAQPort SplitList: 3 items left out (D16 to D18), room for 16",
            L"CQvAOMNIDAQPort Dev: D15 1 channels left out, the channel table is full"});
    for (int i = 0; i < 19; ++i)
        cases.back().scenario.Board(Numbered("D", i), Outputs(16));
    // Channel lists of exactly 255 characters; the merged text would need 4112.
    expect("merged text beyond 4095", 16, 80, "E15/" + Padded("c3", 46),
           {L"CQvAOMNIDAQPort Dev: E15 1 channels left out, the channel table is full"});
    for (int i = 0; i < 16; ++i)
        cases.back().scenario.Board(Numbered("E", i), {Padded("c0", 45), Padded("c1", 45), Padded("c2", 45),
                                                       Padded("c3", 46), Padded("c4", 46)});

    ASSERT_TRUE(Open()); // loads the library
    // Open never writes it: an overrun of the channel name table would land here.
    dev->m_AOChannels[0].sName = L"canary";
    for (const SOverflow& c : cases) {
        SCOPED_TRACE(c.what);
        Load(c.scenario.text);
        LogCapture log;
        ASSERT_TRUE(Open());
        ASSERT_EQ(c.boards, dev->m_iDAQBoardCount);
        ASSERT_EQ(c.channels, dev->m_iAOChannelCount);
        EXPECT_EQ(dev->m_DAQBoardNames[0], dev->m_DAQBoards[0].sName);
        EXPECT_EQ(CQvStringW(L"canary"), dev->m_AOChannels[0].sName);
        EXPECT_EQ(405.0f, dev->m_Lines[0].fValLambda);
        EXPECT_EQ(c.lastChannel, dev->m_AOChannelNames[c.channels - 2].GetString());
        EXPECT_EQ(CQvStringW(L""), dev->m_AOChannelNames[c.channels - 1]);
        EXPECT_EQ(0, dev->m_AOChannels[c.channels - 1].iBoardIndex);
        for (int i = 0; i + 1 < c.channels; ++i) {
            const std::wstring name = dev->m_AOChannelNames[i].GetString();
            const std::wstring owner = dev->m_DAQBoardNames[dev->m_AOChannels[i].iBoardIndex].GetString();
            EXPECT_EQ(1u, c.scenario.channels.count(name)) << "not a whole channel name: " << i;
            EXPECT_EQ(0u, name.find(owner + L"/")) << "wrong owner of channel " << i;
        }
        for (const std::wstring& line : c.logLines)
            EXPECT_TRUE(log.Contains(line)) << std::string(line.begin(), line.end());
    }
}

// ---- Output ----

class DaqOutput : public DaqPort {
protected:
    void SetUp() override {
        DaqPort::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(Open());
        FAKE(fakedaqmx_ClearCallLog)();
    }
    static int Tasks() { return FAKE(fakedaqmx_TaskCount)(); }
};

TEST_F(DaqOutput, FirstWriteBuildsTheTaskLaterWritesAreOneCallOtherLinesStayAlone) {
    Assign(0, L"Dev1/ao0");
    LogCapture log;
    ASSERT_TRUE(port->WriteChannelVoltage(0, 2.5));
    EXPECT_EQ("DAQmxCreateTask(\"\", ptr) = 0 -> task=1\n"
              "DAQmxCreateAOVoltageChan(task=1, \"Dev1/ao0\", \"\", -10.000, 10.000, 10348, null) = 0\n"
              "DAQmxGetChanType(task=1, \"Dev1/ao0\", ptr) = 0 -> 10102\n"
              "DAQmxGetAOOutputType(task=1, \"Dev1/ao0\", ptr) = 0 -> 10322\n"
              "DAQmxSetAOVoltageUnits(task=1, \"Dev1/ao0\", 10348) = 0\n"
              "DAQmxSetAOResolutionUnits(task=1, \"Dev1/ao0\", 10109) = 0\n"
              "DAQmxResetAODACRngLow(task=1, \"Dev1/ao0\") = 0\n"
              "DAQmxResetAODACRngHigh(task=1, \"Dev1/ao0\") = 0\n"
              "DAQmxStartTask(task=1) = 0\n"
              "DAQmxWriteAnalogScalarF64(task=1, 0, 10.000, 2.500, null) = 0\n",
              CallLog());
    EXPECT_TRUE(port->m_LineTasks[0].bTaskCreated);
    EXPECT_EQ(1, Tasks());
    const std::wstring wait = LineStartingWith(log, L"CQvAOMNIDAQPort Wait: ");
    EXPECT_EQ(L" us", wait.substr(wait.size() < 3 ? 0 : wait.size() - 3)) << "no Wait line";
    EXPECT_TRUE(log.Contains(L"CQvAOMNIDAQPort WriteChannelVoltage - end OK"));

    FAKE(fakedaqmx_ClearCallLog)();
    ASSERT_TRUE(port->WriteChannelVoltage(0, -1.25));
    EXPECT_EQ("DAQmxWriteAnalogScalarF64(task=1, 0, 10.000, -1.250, null) = 0\n", CallLog());

    // Building line 1's task leaves line 0's created task alone.
    void* task0 = port->m_LineTasks[0].hTask;
    Assign(1, L"Dev1/ao1");
    ASSERT_TRUE(port->WriteChannelVoltage(1, 2.0));
    EXPECT_EQ(std::string::npos, CallLog().find("DAQmxStopTask")) << CallLog();
    EXPECT_EQ(2, Tasks());
    EXPECT_EQ(task0, port->m_LineTasks[0].hTask);
    EXPECT_TRUE(port->m_LineTasks[0].bTaskCreated);
    FAKE(fakedaqmx_ClearCallLog)();
    ASSERT_TRUE(port->WriteChannelVoltage(0, 1.5));
    EXPECT_EQ("DAQmxWriteAnalogScalarF64(task=1, 0, 10.000, 1.500, null) = 0\n", CallLog());
}

TEST_F(DaqOutput, NewChannelsReleaseEveryStaleTaskBeforeTheNextTaskIsBuilt) {
    const wchar_t* first[] = {L"Dev1/ao0", L"Dev1/ao1", L"Dev1/ao2"};
    for (int line = 0; line < 3; ++line) {
        Assign(line, first[line]);
        ASSERT_TRUE(port->WriteChannelVoltage(line, 1.0));
    }
    ASSERT_EQ(3, Tasks());
    // A new line configuration: channels moved, no task marked created.
    const wchar_t* moved[] = {L"Dev1/ao3", L"Dev1/ao2", L"Dev1/ao1"};
    for (int line = 0; line < 3; ++line)
        Assign(line, moved[line]);
    FAKE(fakedaqmx_ClearCallLog)();
    ASSERT_TRUE(port->WriteChannelVoltage(1, 3.0));
    const std::string calls = CallLog();
    EXPECT_EQ(0u, calls.find("DAQmxStopTask(task=1) = 0\nDAQmxClearTask(task=1) = 0\n"
                             "DAQmxStopTask(task=2) = 0\nDAQmxClearTask(task=2) = 0\n"
                             "DAQmxStopTask(task=3) = 0\nDAQmxClearTask(task=3) = 0\n"
                             "DAQmxCreateTask(\"\", ptr) = 0 -> task=4\n"
                             "DAQmxCreateAOVoltageChan(task=4, \"Dev1/ao2\", "))
        << calls;
    EXPECT_EQ(1, Tasks());
    EXPECT_EQ(nullptr, port->m_LineTasks[0].hTask);
    EXPECT_EQ(nullptr, port->m_LineTasks[2].hTask);
    // The other lines build their tasks at their own next write, on their new channels.
    FAKE(fakedaqmx_ClearCallLog)();
    ASSERT_TRUE(port->WriteChannelVoltage(0, 0.5));
    EXPECT_EQ(0u, CallLog().find("DAQmxCreateTask(\"\", ptr) = 0 -> task=5\n"
                                 "DAQmxCreateAOVoltageChan(task=5, \"Dev1/ao3\", "))
        << CallLog();
    EXPECT_EQ(2, Tasks());
}

// Each failed write says why in one line: the function, NI-DAQmx's code and its text, or what the port
// itself refused (a line outside the three, without a call); a write that succeeds says nothing. A channel
// of another type or output type is refused once its task exists, and that task is released again.
TEST_F(DaqOutput, AFailedWriteSaysWhy) {
    Load("board Dev1\nchantype Dev1/ao1 10101\noutputtype Dev1/ao2 10134\nboard Dev2 bus 13612 range -5 5\n");
    ASSERT_TRUE(Open());
    struct {
        int line;
        const wchar_t* channel;
        double volts;
        const wchar_t* failure; // the beginning of the phrase; "" for a success
    } cases[] = {
        {0, L"Dev2/ao0", 5.5,
         L"DAQmxWriteAnalogScalarF64 failed with NI-DAQmx code -200561: Attempted writing analog data that "
         L"is too large or too small."},
        {0, L"Dev2/ao0", 5.0, L""},
        {1, L"Dev1/ao1", 1.0, L"the channel Dev1/ao1 is not an analog output"},
        {1, L"Dev1/ao2", 1.0, L"the channel Dev1/ao2 does not output a voltage"},
        {2, L"Dev9/ao0", 1.0,
         L"DAQmxCreateAOVoltageChan failed with NI-DAQmx code -200170: Physical channel does not exist on "
         L"this device."},
        {3, L"", 1.0, L"line index 3 is not 0, 1 or 2"},
        {-1, L"", 1.0, L"line index -1 is not 0, 1 or 2"},
        {INT_MIN, L"", 1.0, L"line index -2147483648 is not 0, 1 or 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const bool outside = c.line < 0 || c.line > 2;
        if (!outside) Assign(c.line, c.channel);
        FAKE(fakedaqmx_ClearCallLog)();
        LogCapture log;
        EXPECT_EQ(!*c.failure, port->WriteChannelVoltage(c.line, c.volts));
        const std::wstring failure = port->LastFailure().GetString();
        EXPECT_EQ(c.failure, failure) << "NI's code and its first sentence, whole";
        if (c.line != 0) {
            EXPECT_EQ(1, Tasks()) << "only line 0's task, no half-built one";
        }
        if (!outside && c.line > 0) {
            EXPECT_EQ(nullptr, port->m_LineTasks[c.line].hTask);
            EXPECT_FALSE(port->m_LineTasks[c.line].bTaskCreated);
            EXPECT_TRUE(log.Contains(L"ERROR: CQvAOMNIDAQPort WriteChannelVoltage - end Fail"));
        }
        if (outside) { // refused without a call
            EXPECT_EQ("", CallLog());
            EXPECT_TRUE(log.Contains(L"ERROR: CQvAOMNIDAQPort WriteChannelVoltage - ValueOutOfRange"));
        }
    }
}

// A task no longer marked created is stale: Close releases only those, and once a later open has refused the
// library every write fails and the handles are forgotten without a call.
TEST_F(DaqOutput, CloseReleasesStaleTasksAndARefusedLibraryForgetsThem) {
    Assign(0, L"Dev1/ao0");
    Assign(1, L"Dev1/ao1");
    ASSERT_TRUE(port->WriteChannelVoltage(0, 1.0));
    ASSERT_TRUE(port->WriteChannelVoltage(1, 1.0));
    port->m_LineTasks[0].bTaskCreated = false;
    FAKE(fakedaqmx_ClearCallLog)();
    LogCapture log;
    EXPECT_FALSE(port->Close());
    EXPECT_EQ("DAQmxStopTask(task=1) = 0\nDAQmxClearTask(task=1) = 0\n", CallLog());
    EXPECT_TRUE(log.Contains(L"CQvAOMNIDAQPort was just disconnected"));
    EXPECT_EQ(nullptr, port->m_LineTasks[0].hTask);
    EXPECT_EQ(1, Tasks());
    // Still opened: the created task is used again.
    FAKE(fakedaqmx_ClearCallLog)();
    ASSERT_TRUE(port->WriteChannelVoltage(1, 2.0));
    EXPECT_EQ("DAQmxWriteAnalogScalarF64(task=2, 0, 10.000, 2.000, null) = 0\n", CallLog());

    port->m_LineTasks[1].bTaskCreated = false;
    Load("version 7 4\nboard Dev1\n");
    EXPECT_FALSE(Open());
    ExpectDialog(kUnknownVersion);
    ASSERT_EQ(nullptr, GetModuleHandleW(L"nicaiu.dll"));
    EXPECT_FALSE(port->WriteChannelVoltage(0, 2.0));
    EXPECT_EQ(CQvStringW(L"the NI-DAQmx library is not loaded"), port->LastFailure());
    EXPECT_EQ(nullptr, port->m_LineTasks[1].hTask);
    EXPECT_FALSE(port->WriteChannelVoltage(1, 2.0));
    EXPECT_EQ(2u, log.Count(L"ERROR: CQvAOMNIDAQPort WriteChannelVoltage - end Fail"));
    EXPECT_FALSE(port->Close());
}

} // namespace
