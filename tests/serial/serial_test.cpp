// CQvAOMTAVOPort over the real serial path: Wine COM port -> pty -> simulated unit.
#include <aomtavoport.h>

#include "logcapture.h"
#include "handles.h"
#include "tavosim_unit.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <vector>

using tavosim_unit::TavoSimOptions;
using tavosim_unit::TavoSimUnit;

namespace {

using Lines = std::vector<std::string>;
using Call = std::function<std::string(CQvAOMTAVOPort&)>;

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Command outcomes as one line of text ("\n" for a line feed), so that tables can state result and value
// in one column; a failed command must leave its output as it was.
std::string Outcome(bool ok, std::string value, bool untouched = true) {
    for (size_t at = value.find('\n'); at != std::string::npos; at = value.find('\n', at))
        value.replace(at, 1, "\\n");
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

// A checked-in transcript beside this file, without its comment lines.
std::string TranscriptFile(const char* name) {
    std::ifstream file(
        tavosim_unit::windows_path_of_unix_file(SERIAL_TEST_DIR "/" + std::string(name)).c_str());
    std::string text;
    for (std::string line; std::getline(file, line);)
        if (line.rfind('#', 0) != 0) text += line + "\n";
    return text;
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
    ::testing::AssertionResult Open(bool log = false) {
        if (!unit.ok()) return ::testing::AssertionFailure() << unit.error();
        if (!port.Open(unit.com_port(), false, log)) return ::testing::AssertionFailure() << "Open failed";
        if (!unit.clear_transcript()) return ::testing::AssertionFailure() << "control channel";
        return ::testing::AssertionSuccess();
    }
    TavoSimUnit unit;
    CQvAOMTAVOPort port;
};

// The unit's side of a session, call by call, against the transcript beside this file: the call and its
// outcome, what crossed the wire, the unit's state afterwards.
TEST(SerialLink, EachCommandPutsItsExactBytesOnTheWire) {
    TavoSimUnit unit;
    ASSERT_TRUE(unit.ok()) << unit.error();
    std::string session = "before Open: " + unit.settings() + "\n";
    auto record = [&](const std::string& call, const std::string& outcome) {
        session += call + ": " + outcome + "\n";
        for (const std::string& line : unit.transcript())
            session += "  " + line + "\n";
        session += "  " + unit.state() + "\n";
        EXPECT_TRUE(unit.clear_transcript());
    };
    CQvAOMTAVOPort port;
    record("Open", Outcome(port.Open(unit.com_port(), false, false), ""));
    session += "  " + unit.settings() + "\n";
    ASSERT_TRUE(unit.select_line(3) && unit.set_binocular(true));
    const std::pair<const char*, Call> calls[] = {
        {"RdVersion", kRdVersion},    {"RdBinoShutter", kRdBino},     {"RdLineUsed", kRdLine},
        {"RdLinesUsed", kRdLines},    {"WrLineUsed(0)", WrLine(0)},   {"WrLineUsed(2)", WrLine(2)},
        {"WrLineUsed(4)", WrLine(4)}, {"WrLinesUsed(7)", WrLines(7)}, {"WrLinesUsed(8)", WrLines(8)},
    };
    for (const auto& [name, call] : calls)
        record(name, call(port));
    // As text, so that a difference shows as a diff.
    EXPECT_EQ(session, TranscriptFile("wire.txt"));
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

    // Each unit's firmware text shows which one answered.
    struct {
        int number;
        const char* version;
    } reachable[] = {{9, R"(true nine\n)"}, {10, R"(true ten\n)"}};
    for (const auto& r : reachable) {
        SCOPED_TRACE(r.number);
        CQvAOMTAVOPort port;
        ASSERT_TRUE(port.Open(r.number, false, false));
        EXPECT_EQ(kRdVersion(port), r.version);
    }

    for (int number : {0, -1, 255}) {
        SCOPED_TRACE(number);
        CQvAOMTAVOPort port;
        Clock::time_point start = Clock::now();
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
}

// A unit's garbage in the log and in the failure: one exchange a line, control characters, quotes and
// bytes outside ASCII escaped, so that a transcript of a field problem can be read and compared; silence
// is logged as no reply.
TEST(SerialLink, GarbageFromTheUnitIsLoggedEscapedOnOneLine) {
    Link link;
    ASSERT_TRUE(link.Open(true));
    ASSERT_TRUE(link.unit.set_fault("silent"));
    struct {
        const char* reply; // sent by the unit, then \r\n
        std::wstring logged, failure;
    } cases[] = {
        {nullptr, LR"(CQvTAVOPort::Command 'RdVersion', req:'rVER\r', rsp:none (-1))",
         L"the unit did not answer rVER on COM" + std::to_wstring(link.unit.com_port())},
        {"aV\x01R\tq'\"\\x",
         LR"(CQvTAVOPort::Command 'RdVersion', req:'rVER\r', rsp:'aV\x01R\tq\'\"\\x\n' (11))",
         LR"(the unit answered rVER with 'aV\x01R\tq\'\"\\x')"},
        {"\xA3\xFF\x7F", LR"(CQvTAVOPort::Command 'RdVersion', req:'rVER\r', rsp:'\xA3\xFF\x7F\n' (4))",
         LR"(the unit answered rVER with '\xA3\xFF\x7F')"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply ? c.reply : "silence");
        ASSERT_TRUE(link.unit.clear_transcript());
        LogCapture log;
        auto outcome = std::async(std::launch::async, kRdVersion, std::ref(link.port));
        bool answered =
            WaitForTranscript(link.unit, R"(RX "rVER\r")") && (!c.reply || link.unit.send_stale(c.reply));
        ASSERT_EQ(outcome.wait_for(std::chrono::seconds(5)), std::future_status::ready);
        EXPECT_TRUE(answered);
        EXPECT_EQ(outcome.get(), "false");
        EXPECT_EQ(log.Lines(), std::vector<std::wstring>{c.logged});
        EXPECT_EQ(c.failure, link.port.LastFailure());
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
        {"none", "aVERstale", kRdVersion, R"(true TAVO 2.01\n)", 0},
        {"no-cr", nullptr, kRdVersion, R"(true TAVO 2.01\n)", 0},
        {"split 5 150", nullptr, kRdVersion, R"(true TAVO 2.01\n)", 550},
        {"byte-delay 150", nullptr, kRdBino, "true 0", 900},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stale ? c.stale : c.fault);
        ASSERT_TRUE(link.unit.set_fault(c.fault));
        if (c.stale) {
            ASSERT_TRUE(link.unit.send_stale(c.stale));
            ASSERT_TRUE(WaitForTranscript(link.unit, "TX \"" + std::string(c.stale) + "\\r\\n\""));
        }
        Clock::time_point start = Clock::now();
        EXPECT_EQ(c.call(link.port), c.outcome);
        EXPECT_GE(MsSince(start), c.min_ms);
    }
}

TEST(SerialLink, ExchangeReadsNoMoreThan255BytesNorMoreLinesThanAsked) {
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
    // No line asked for: none is read, but the request goes out all the same.
    EXPECT_EQ(link.port.Exchange("rTES\r", reply, 0), 0);
    EXPECT_TRUE(WaitForTranscript(link.unit, R"(RX "rTES\r")"));
}

TEST(SerialLink, RepliesThatDoNotMatchFail) {
    Link link;
    ASSERT_TRUE(link.Open());
    LogCapture log; // the port was opened without logging its exchanges
    // Replies this unit would not give ("?" is a unit without the command): injected while it stays silent,
    // once it has the request.
    struct {
        Call call;
        const char* request;
        const char* reply;
        std::string outcome;
    } injected[] = {
        {kRdLine, "rTSR", "aTSR2", "true 2"}, // the injection itself works
        {kRdLine, "rTSR", "aTSR", "false"},   {kRdLine, "rTSR", "aTSD2", "false"},
        {kRdLine, "rTSR", "?", "false"},      {kRdLines, "rTSD", "?", "false"},
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

    // What the unit sent, if anything, and why the command failed. A short reply fails as soon as its line
    // ends, without waiting for bytes of a longer one; only silence waits out the read time-out.
    const std::wstring com = std::to_wstring(link.unit.com_port());
    struct {
        const char* fault;
        Call call;
        bool answered;
        std::wstring failure;
        double max_ms;
    } failing[] = {
        {"bare", kRdLine, true, L"the unit answered rTSR with 'aTSR'", 400},
        {"refuse", kRdLines, true, L"the unit answered rTSD with '?'", 400},
        {"silent", kRdBino, false, L"the unit did not answer rTES on COM" + com, 1500},
    };
    for (const auto& f : failing) {
        SCOPED_TRACE(f.fault);
        ASSERT_TRUE(link.unit.set_fault(f.fault));
        Clock::time_point start = Clock::now();
        EXPECT_EQ(f.call(link.port), "false");
        const double took = MsSince(start);
        EXPECT_LT(took, f.max_ms);
        if (!f.answered) {
            EXPECT_GT(took, 400.0) << "one byte: 2 + 500 ms";
        }
        EXPECT_EQ(f.answered, link.port.LastExchangeAnswered());
        EXPECT_EQ(f.failure, link.port.LastFailure());
    }
    EXPECT_EQ(log.Lines(), std::vector<std::wstring>{});
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
