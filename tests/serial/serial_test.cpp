// CQvAOMTAVOPort over the real serial path: Wine COM port -> pty -> simulated unit.
#include <aomtavoport.h>

#include "logcapture.h"
#include "handles.h"
#include "tavosim_fixture.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <string>
#include <vector>

using tavosim_fixture::TavoSimOptions;
using tavosim_fixture::TavoSimUnit;

namespace {

using Lines = std::vector<std::string>;
using Call = std::function<std::string(CQvAOMTAVOPort&)>;

double MsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (now.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
}

LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

// Command outcomes as text, so that tables can state result and value in one column; a failed
// command must leave its output as it was.
std::string Outcome(bool ok, const std::string& value, bool untouched = true) {
    if (!ok) return untouched ? "false" : "false, output changed to " + value;
    return value.empty() ? "true" : "true " + value;
}
const Call kRdVersion = [](CQvAOMTAVOPort& p) {
    char v[32] = "untouched";
    bool ok = p.RdVersion(v, sizeof v);
    return Outcome(ok, v, strcmp(v, "untouched") == 0);
};
const Call kRdBino = [](CQvAOMTAVOPort& p) {
    bool engaged = true;
    bool ok = p.RdBinoShutter(&engaged);
    return Outcome(ok, engaged ? "1" : "0", engaged);
};
const Call kRdLine = [](CQvAOMTAVOPort& p) {
    uint32_t line = 77;
    bool ok = p.RdLineUsed(&line);
    return Outcome(ok, std::to_string(line), line == 77);
};
const Call kRdLines = [](CQvAOMTAVOPort& p) {
    uint32_t mask = 77;
    bool ok = p.RdLinesUsed(&mask);
    return Outcome(ok, std::to_string(mask), mask == 77);
};
Call WrLine(uint32_t line) {
    return [line](CQvAOMTAVOPort& p) { return Outcome(p.WrLineUsed(line), ""); };
}
Call WrLines(uint32_t mask) {
    return [mask](CQvAOMTAVOPort& p) { return Outcome(p.WrLinesUsed(mask), ""); };
}

// Bounded poll: the control channel does not announce transcript lines.
bool WaitForTranscript(TavoSimUnit& unit, const std::string& prefix, DWORD timeout_ms = 3000) {
    ULONGLONG deadline = GetTickCount64() + timeout_ms;
    for (;;) {
        for (const std::string& line : unit.transcript())
            if (line.rfind(prefix, 0) == 0) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(5);
    }
}

bool Reachable(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

// Wine does not enforce exclusive opens of COM ports either: leaks show only in the handle count.
// A unit and a port opened on it; the port goes first, so it never outlives the unit.
struct Link {
    explicit Link(const TavoSimOptions& options = {}) : unit(options) {}
    ::testing::AssertionResult Open(bool log = false) {
        if (!unit.ok()) return ::testing::AssertionFailure() << unit.error();
        if (!port.Open(unit.com_port(), false, log)) return ::testing::AssertionFailure() << "Open failed";
        if (!unit.clear_transcript()) return ::testing::AssertionFailure() << "control channel";
        return ::testing::AssertionSuccess();
    }
    TavoSimUnit unit;
    CQvAOMTAVOPort port;
};

TEST(SerialLink, OpenProbesOnceAndAppliesTheLineSettings) {
    TavoSimUnit unit;
    ASSERT_TRUE(unit.ok()) << unit.error();
    ASSERT_NE(unit.settings().find("baud 38400"), std::string::npos) << "pty defaults expected before Open";
    CQvAOMTAVOPort port;
    ASSERT_TRUE(port.Open(unit.com_port(), false, false));
    EXPECT_NE(nullptr, port.hComm);
    EXPECT_EQ(unit.transcript(), (Lines{R"(RX "rVER\r")", R"(TX "aVERTAVO 2.01\r\n")"}));
    EXPECT_EQ(unit.settings(), "baud 9600 bits 8 parity none stop 1 crtscts 0 ixon 0");
}

TEST(SerialLink, EachCommandPutsItsExactBytesOnTheWire) {
    Link link;
    ASSERT_TRUE(link.Open());
    ASSERT_TRUE(link.unit.select_line(3) && link.unit.set_binocular(true));
    // Transcript lines of one exchange, escaped as the unit writes them.
    auto wire = [](const char* rx, const char* tx) {
        return Lines{"RX \"" + std::string(rx) + "\"", "TX \"" + std::string(tx) + "\""};
    };
    const char* const untouched = "line 3 mask 4 bino 1";
    struct Case {
        const char* name;
        Call call;
        std::string outcome;
        Lines wire;
        std::string state; // the unit's state afterwards
    } cases[] = {
        {"RdVersion", kRdVersion, "true TAVO 2.01\n", wire(R"(rVER\r)", R"(aVERTAVO 2.01\r\n)"), untouched},
        {"RdBinoShutter", kRdBino, "true 1", wire(R"(rTES\r)", R"(aTES1\r\n)"), untouched},
        {"RdLineUsed", kRdLine, "true 3", wire(R"(rTSR\r)", R"(aTSR3\r\n)"), untouched},
        {"RdLinesUsed", kRdLines, "true 4", wire(R"(rTSD\r)", R"(aTSD4\r\n)"), untouched},
        {"WrLineUsed(0)", WrLine(0), "true", wire(R"(cTSC\r)", R"(oTSC\r\n)"), "line 0 mask 0 bino 1"},
        {"WrLineUsed(2)", WrLine(2), "true", wire(R"(cTSO2\r)", R"(oTSO2\r\n)"), "line 2 mask 2 bino 1"},
        {"WrLineUsed(4)", WrLine(4), "false", {}, "line 2 mask 2 bino 1"},
        {"WrLinesUsed(7)", WrLines(7), "true", wire(R"(cTSD7\r)", R"(oTSD7\r\n)"), "line 1 mask 7 bino 1"},
        {"WrLinesUsed(8)", WrLines(8), "false", {}, "line 1 mask 7 bino 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(link.unit.clear_transcript());
        EXPECT_EQ(c.call(link.port), c.outcome);
        EXPECT_EQ(link.unit.transcript(), c.wire);
        EXPECT_EQ(link.unit.state(), c.state);
    }
}

// The only test that uses ports 9, 10 and 255, so parallel tests never share them.
TEST(SerialLink, PortNumbersPickTheNameFormAndTheRange) {
    auto on = [](const char* com, const char* firmware) {
        TavoSimOptions options;
        options.firmware = firmware;
        options.extra_args = {"--link-com", com};
        return options;
    };
    TavoSimUnit com9(on("9", "nine")), com10(on("10", "ten")), com255(on("255", "outside"));
    ASSERT_TRUE(com9.ok()) << com9.error();
    ASSERT_TRUE(com10.ok()) << com10.error();
    ASSERT_TRUE(com255.ok()) << com255.error();
    ASSERT_EQ(9, com9.com_port());
    ASSERT_EQ(10, com10.com_port());
    // COM255 is reachable, so only the range check keeps the driver away from it.
    ASSERT_TRUE(Reachable(com255.com_path()));

    struct {
        int number;
        const char* version;
    } reachable[] = {{9, "nine\n"}, {10, "ten\n"}};
    for (const auto& r : reachable) {
        SCOPED_TRACE(r.number);
        CQvAOMTAVOPort port;
        ASSERT_TRUE(port.Open(r.number, false, false));
        EXPECT_EQ(kRdVersion(port), std::string("true ") + r.version);
    }
    Lines probeAndRead = {R"(RX "rVER\r")", R"(TX "aVERnine\r\n")", R"(RX "rVER\r")", R"(TX "aVERnine\r\n")"};
    EXPECT_EQ(com9.transcript(), probeAndRead);
    EXPECT_EQ(com10.transcript().size(), 4u);

    for (int number : {0, -1, 255}) {
        SCOPED_TRACE(number);
        CQvAOMTAVOPort port;
        LARGE_INTEGER start = Now();
        EXPECT_FALSE(port.Open(number, false, false));
        EXPECT_LT(MsSince(start), 400.0); // no probe was waited for
        EXPECT_EQ(nullptr, port.hComm);
    }
    EXPECT_TRUE(com255.transcript().empty());
}

TEST(SerialLink, OpenAndCloseKeepOneHandleAtMost) {
    TavoSimUnit a, b;
    ASSERT_TRUE(a.ok()) << a.error();
    ASSERT_TRUE(b.ok()) << b.error();
    CQvAOMTAVOPort port;
    EXPECT_FALSE(port.Close()); // never opened
    const int closed = OpenHandleCount();
    ASSERT_TRUE(port.Open(a.com_port(), false, false));
    const int open = OpenHandleCount();
    EXPECT_EQ(open, closed + 1);
    // No SCOPED_TRACE here: gtest opens handles for its per-thread storage on first use.
    for (int com : {a.com_port(), a.com_port(), b.com_port()}) {
        HANDLE old = port.hComm;
        EXPECT_TRUE(port.Open(com, false, false)) << "COM" << com;
        DWORD flags = 0;
        EXPECT_TRUE(port.hComm == old || !GetHandleInformation(old, &flags)) << "COM" << com;
        EXPECT_EQ(OpenHandleCount(), open) << "COM" << com;
    }
    EXPECT_EQ(b.transcript(), (Lines{R"(RX "rVER\r")", R"(TX "aVERTAVO 2.01\r\n")"}));
    EXPECT_TRUE(port.Close());
    EXPECT_EQ(nullptr, port.hComm);
    EXPECT_FALSE(port.Close());
    EXPECT_EQ(OpenHandleCount(), closed);

    // Switching to simulation releases the real port too: Close would not, in simulation.
    ASSERT_TRUE(port.Open(a.com_port(), false, false));
    EXPECT_TRUE(port.Open(a.com_port(), true, false));
    EXPECT_EQ(nullptr, port.hComm);
    EXPECT_EQ(OpenHandleCount(), closed);

    // A unit that does not answer the probe leaves the port closed.
    ASSERT_TRUE(b.set_fault("silent"));
    EXPECT_FALSE(port.Open(b.com_port(), false, false));
    EXPECT_EQ(nullptr, port.hComm);
    EXPECT_EQ(OpenHandleCount(), closed);
}

TEST(SerialLink, SilentUnitTimesOutAndIsLoggedOnlyWhenAsked) {
    for (bool logCommunication : {false, true}) {
        SCOPED_TRACE(logCommunication ? "logging" : "not logging");
        Link link;
        ASSERT_TRUE(link.Open(logCommunication));
        LogCapture log;
        ASSERT_TRUE(link.unit.set_fault("silent"));
        LARGE_INTEGER start = Now();
        EXPECT_EQ(kRdLine(link.port), "false");
        double took = MsSince(start);
        EXPECT_GT(took, 400.0); // one byte: 2 + 500 ms
        EXPECT_LT(took, 1500.0);
        ASSERT_TRUE(link.unit.clear_fault());
        EXPECT_EQ(kRdVersion(link.port), "true TAVO 2.01\n");
        std::vector<std::wstring> expected;
        if (logCommunication)
            expected = {L"CQvTAVOPort::Command 'RdLineUsed', req:'rTSR\r', rsp:none (-1)",
                        L"CQvTAVOPort::Command 'RdVersion', req:'rVER\r', rsp:'aVERTAVO 2.01\n' (14)"};
        EXPECT_EQ(log.Lines(), expected);
    }
}

TEST(SerialLink, ExchangeKeepsTheLineFeedAndDropsCarriageReturns) {
    TavoSimOptions options;
    options.firmware = "1.00";
    Link link(options);
    ASSERT_TRUE(link.Open());
    struct {
        const char* fault;
        int lines;
        int length;
        const char* reply;
    } cases[] = {{"none", 1, 9, "aVER1.00\n"}, {"no-cr", 1, 9, "aVER1.00\n"}, {"none", 0, 0, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fault) + " lines " + std::to_string(c.lines));
        ASSERT_TRUE(link.unit.set_fault(c.fault) && link.unit.clear_transcript());
        char reply[CQvAOMTAVOPort::BufferSize] = "";
        EXPECT_EQ(link.port.Exchange("rVER\r", reply, c.lines), c.length);
        EXPECT_STREQ(reply, c.reply);
        // The request goes out even when no reply is wanted.
        EXPECT_TRUE(WaitForTranscript(link.unit, R"(RX "rVER\r")"));
    }
}

TEST(SerialLink, RepliesAreReadWholeDespiteStaleBytesAndSlowDelivery) {
    Link link;
    ASSERT_TRUE(link.Open());
    ASSERT_TRUE(link.unit.select_line(1));
    struct {
        const char* fault;
        const char* stale; // sent unrequested before the command
        Call call;
        std::string outcome;
        double min_ms; // slower than one read time-out: the limit is per byte
    } cases[] = {
        {"none", "aTSR3", kRdLine, "true 1", 0},
        {"none", "aVERstale", kRdVersion, "true TAVO 2.01\n", 0},
        {"no-cr", nullptr, kRdVersion, "true TAVO 2.01\n", 0},
        {"split 4 300", nullptr, kRdVersion, "true TAVO 2.01\n", 800},
        {"byte-delay 150", nullptr, kRdBino, "true 0", 900},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stale ? c.stale : c.fault);
        ASSERT_TRUE(link.unit.set_fault(c.fault));
        if (c.stale) {
            ASSERT_TRUE(link.unit.send_stale(c.stale));
            ASSERT_TRUE(WaitForTranscript(link.unit, "TX \"" + std::string(c.stale) + "\\r\\n\""));
        }
        LARGE_INTEGER start = Now();
        EXPECT_EQ(c.call(link.port), c.outcome);
        EXPECT_GE(MsSince(start), c.min_ms);
    }
}

TEST(SerialLink, OverlongReplyIsCutAt255AndTheRestLeftUnread) {
    Link link;
    ASSERT_TRUE(link.Open());
    ASSERT_TRUE(link.unit.set_fault("long 300"));
    char reply[CQvAOMTAVOPort::BufferSize + 8];
    memset(reply, 'G', sizeof reply);
    EXPECT_EQ(link.port.Exchange("rVER\r", reply, 1), 255);
    EXPECT_EQ(strlen(reply), 255u);
    EXPECT_EQ(std::string(reply, 5), "aVER4");
    EXPECT_EQ(reply[CQvAOMTAVOPort::BufferSize], 'G');
    ASSERT_TRUE(WaitForTranscript(link.unit, R"(TX "aVER4567)"));
    // 302 bytes were sent ("\r\n" included); reading one byte at a time leaves the last 47 queued.
    COMSTAT status{};
    DWORD errors = 0;
    ASSERT_TRUE(ClearCommError(link.port.hComm, &errors, &status));
    EXPECT_EQ(status.cbInQue, 47u);
    // ... and the next exchange does not take them for its reply.
    ASSERT_TRUE(link.unit.clear_fault());
    EXPECT_EQ(kRdLine(link.port), "true 0");
}

TEST(SerialLink, RepliesThatDoNotMatchFail) {
    Link link;
    ASSERT_TRUE(link.Open());
    // Replies the unit would not give: injected while it stays silent, once it has the request.
    struct {
        Call call;
        const char* request;
        const char* reply;
        std::string outcome;
    } injected[] = {
        {kRdLine, "rTSR", "aTSR2", "true 2"}, // the injection itself works
        {kRdLine, "rTSR", "aTSR", "false"},   {kRdLine, "rTSR", "aTSD2", "false"},
        {kRdLines, "rTSD", "aTSDx", "false"}, {kRdBino, "rTES", "aTES", "false"},
        {kRdVersion, "rVER", "aVE", "false"}, {WrLine(1), "cTSO1", "oTSD1", "true"},
        {WrLine(1), "cTSO1", "?", "false"},   {WrLines(1), "cTSD1", "oTSO1", "false"},
    };
    ASSERT_TRUE(link.unit.set_fault("silent"));
    for (const auto& c : injected) {
        SCOPED_TRACE(std::string(c.request) + " <- " + c.reply);
        ASSERT_TRUE(link.unit.clear_transcript());
        auto outcome = std::async(std::launch::async, c.call, std::ref(link.port));
        bool answered = WaitForTranscript(link.unit, "RX \"" + std::string(c.request) + "\\r\"") &&
                        link.unit.send_stale(c.reply);
        ASSERT_EQ(outcome.wait_for(std::chrono::seconds(5)), std::future_status::ready);
        EXPECT_TRUE(answered);
        EXPECT_EQ(outcome.get(), c.outcome);
    }

    ASSERT_TRUE(link.unit.set_fault("garble"));
    for (const Call& call : {kRdVersion, kRdBino, kRdLine, kRdLines, WrLine(1), WrLines(1)})
        EXPECT_EQ(call(link.port), "false");
}

TEST(SerialLink, PersonalityDecidesWhichLineCommandIsAnswered) {
    struct {
        const char* personality;
        std::string line, mask;
    } cases[] = {{"standard", "true 0", "false"}, {"extended", "false", "true 0"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.personality);
        TavoSimOptions options;
        options.personality = c.personality;
        Link link(options);
        ASSERT_TRUE(link.Open());
        EXPECT_EQ(kRdLine(link.port), c.line);
        EXPECT_EQ(kRdLines(link.port), c.mask);
    }
}

TEST(SerialLink, VersionIsCutToTheCallersBuffer) {
    Link link;
    ASSERT_TRUE(link.Open());
    ASSERT_TRUE(link.unit.set_fault("long 60")); // "aVER" and 56 digits
    const std::string digits = "45678901234567890123456789012345678901234567890123456789";
    struct {
        size_t capacity;
        std::string stored;
    } cases[] = {{32, digits.substr(0, 31)}, {64, digits + "\n"}, {1, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.capacity);
        char buffer[80];
        memset(buffer, 'G', sizeof buffer);
        EXPECT_TRUE(link.port.RdVersion(buffer, c.capacity));
        EXPECT_EQ(std::string(buffer), c.stored);
        EXPECT_EQ(std::string(buffer + c.capacity, sizeof buffer - c.capacity),
                  std::string(sizeof buffer - c.capacity, 'G'));
    }
    char untouched[4] = "abc";
    EXPECT_TRUE(link.port.RdVersion(untouched, 0));
    EXPECT_STREQ(untouched, "abc");
}

TEST(SerialLink, SimulationNeverTouchesThePort) {
    TavoSimUnit unit;
    ASSERT_TRUE(unit.ok()) << unit.error();
    LogCapture log;
    CQvAOMTAVOPort port;
    const int handles = OpenHandleCount();
    EXPECT_TRUE(port.Open(unit.com_port(), true, true));
    EXPECT_EQ(nullptr, port.hComm);
    EXPECT_EQ(OpenHandleCount(), handles);
    EXPECT_EQ(kRdVersion(port), "true Simulator");
    EXPECT_EQ(kRdBino(port), "true 0");
    EXPECT_TRUE(port.WrLinesUsed(5));
    EXPECT_EQ(kRdLines(port), "true 5");
    EXPECT_TRUE(port.WrLineUsed(9)); // no range check in simulation
    EXPECT_EQ(kRdLine(port), "true 9");
    EXPECT_TRUE(port.Close());
    EXPECT_TRUE(port.Close());
    // The simulated selection outlives a new Open, whatever its port number.
    EXPECT_TRUE(port.Open(0, true, false));
    EXPECT_EQ(kRdLines(port), "true 5");
    EXPECT_TRUE(unit.transcript().empty());
    EXPECT_TRUE(log.Lines().empty());
}

} // namespace
