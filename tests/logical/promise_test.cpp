// The device's one promise, held against random sequences of what a lab does to it: what the host is told
// (each line's power, the lines used, the shutter) is what the unit and the AOMs do. The steps go through the
// host interfaces, the simulated unit's wire and front panel, and the NI-DAQmx stand-in's boards; after each,
// the voltage on every line's channel must be the one for the power the host reads, and the host's lines and
// shutter the unit's, except where a step gave the device a moment to catch up (a front panel change is heard
// at the next poll, a reset board is repaired at the next board check, a fault on the wire ends).
//   QV_MODEL_SEED=N replays a run; QV_MODEL_STEPS=N sets its length (scripts/soak.sh --model-steps N);
//   QV_MODEL_SURVEY=1 goes on after a broken promise and prints the first case of each kind.
#include "devicehost.h"
#include "fakedaqmx_control.h"
#include "logcapture.h"

#include <daqmx_functions.h>
#include <gtest/gtest.h>

#include <algorithm>

#include <ctype.h>
#include <math.h>
#include <random>
#include <sstream>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

// Two boards: one with two ranges listed narrowest first, as NI's own device tests list them, and a USB
// board with a unipolar range and no slot.
const char kScenario[] = "board Dev1 product 6733 range -5 5 range -10 10 channels ao0:3\n"
                         "board Dev2 product 6343 bus 12586 range 0 5 channels ao0 ao1\n";
struct SChannel {
    const char* name;
    const char* board;
    std::vector<std::pair<double, double>> ranges;
};
const SChannel kChannels[] = {
    {"Dev1/ao0", "Dev1", {{-5, 5}, {-10, 10}}},
    {"Dev1/ao1", "Dev1", {{-5, 5}, {-10, 10}}},
    {"Dev1/ao2", "Dev1", {{-5, 5}, {-10, 10}}},
    {"Dev1/ao3", "Dev1", {{-5, 5}, {-10, 10}}},
    {"Dev2/ao0", "Dev2", {{0, 5}}},
    {"Dev2/ao1", "Dev2", {{0, 5}}},
};
const int kChannelCount = sizeof kChannels / sizeof kChannels[0];
const char* const kBoards[] = {"Dev1", "Dev2"};

// How long the device may take to catch up, with no host call, after a step that it learns of by itself.
const ULONGLONG kPollGraceMs = 400;      // a front-panel change: the next poll or two
const ULONGLONG kBoardGraceMs = 1500;    // a reset, returned board or failed write: the next board check
const ULONGLONG kLineBackGraceMs = 4000; // a wire fault ended: the line is reopened and read again

unsigned Setting(const char* name, unsigned fallback) {
    const char* value = getenv(name);
    return value && *value ? static_cast<unsigned>(strtoul(value, nullptr, 10)) : fallback;
}

// One laser position as the test configured it.
struct SPosition {
    bool empty = false;
    int channel = -1; // index into kChannels, -1: none
    float min = 0, max = 0;
};

class PromiseModel {
public:
    PromiseModel(unsigned seed, bool extended) : m_Random(seed), m_bExtended(extended) {}

    bool Start() {
        if (!m_Host.StartUnit(m_bExtended ? "extended" : "standard") || !m_Host.Connect()) return false;
        NewConfiguration();
        return Configure();
    }

    // One random step; false when it broke the promise (the reason is in Failure()).
    bool Step(int index) {
        m_iStep = index;
        int roll = Pick(0, 999);
        if (roll < 350)
            Power();
        else if (roll < 470)
            Used();
        else if (roll < 570)
            Shutter();
        else if (roll < 620)
            Reconfigure();
        else if (roll < 660)
            LoadSettings();
        else if (roll < 730)
            FrontPanel();
        else if (roll < 740)
            Reconnect();
        else if (roll < 770)
            ResetBoard();
        else if (roll < 785)
            BoardAwayOrBack();
        else if (roll < 810)
            WireFault();
        else
            Power();
        if (m_iFaultSteps > 0 && --m_iFaultSteps == 0) EndFault();
        return Check();
    }

    const std::string& Failure() const { return m_sFailure; }
    std::string History() const {
        std::string text;
        size_t from = m_History.size() > 40 ? m_History.size() - 40 : 0;
        for (size_t i = from; i < m_History.size(); ++i)
            text += "  " + m_History[i] + "\n";
        return text;
    }

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_Random); }
    ULONGLONG Now() const { return GetTickCount64(); }
    void Note(const std::string& what) {
        m_History.push_back("step " + std::to_string(m_iStep) + " at " + std::to_string(Now() - m_uStart) +
                            " ms: " + what);
        if (m_History.size() > 200) m_History.erase(m_History.begin());
    }
    // Nothing keeps a host call from taking effect: no fault on the wire, no board away or just back (the
    // device hears of its return at its next board check).
    bool Quiet() const {
        return m_iFaultSteps == 0 && m_sAwayBoard.empty() && Now() > m_uBoardBackAt + kBoardGraceMs;
    }

    std::vector<int> VisiblePositions() const {
        std::vector<int> visible;
        for (int p = 0; p < 3; ++p)
            if (!m_Positions[p].empty) visible.push_back(p);
        return visible;
    }

    void NewConfiguration() {
        bool taken[kChannelCount] = {};
        for (SPosition& position : m_Positions) {
            position = SPosition();
            position.empty = Pick(0, 99) < 15;
            if (Pick(0, 99) < 10) continue;
            int channel = Pick(0, kChannelCount - 1);
            while (taken[channel])
                channel = (channel + 1) % kChannelCount;
            taken[channel] = true;
            position.channel = channel;
            const auto& ranges = kChannels[channel].ranges;
            const auto& range = ranges[static_cast<size_t>(Pick(0, static_cast<int>(ranges.size()) - 1))];
            int low = static_cast<int>(lround(range.first * 10)),
                high = static_cast<int>(lround(range.second * 10));
            int a = Pick(low, high), b = Pick(low, high);
            if (a == b) b = a == high ? low : high;
            if ((a > b) != (Pick(0, 99) < 20)) std::swap(a, b); // now and then a falling voltage
            position.min = static_cast<float>(a / 10.0);
            position.max = static_cast<float>(b / 10.0);
        }
        char text[2048];
        size_t used = 0;
        for (int p = 0; p < 3; ++p) {
            const SPosition& s = m_Positions[p];
            used += static_cast<size_t>(snprintf(
                text + used, sizeof text - used,
                "bEmpty[%d]=%d;iIndex[%d]=%d;fValMin[%d]=%5.1f;fValMax[%d]=%5.1f;fValLambda[%d]=%d.0;"
                "sChannel_Name[%d]=%s;sLineName[%d]=L%d;",
                p, s.empty ? 1 : 0, p, s.channel + 1, p, s.min, p, s.max, p, 405 + 80 * p, p,
                s.channel < 0 ? "None" : kChannels[s.channel].name, p, p + 1));
        }
        m_sConfiguration.assign(text, text + used);
    }

    bool Configure() {
        EDeviceManagerReturnCode result = m_Host.session().Configure(&m_sConfiguration);
        Note("configure -> " + std::to_string(result));
        return result == DMRC_OK;
    }

    void GraceAllLines(ULONGLONG ms) {
        for (ULONGLONG& until : m_LineGrace)
            until = Now() + ms;
    }

    // Now and then nobody touches the device until it has had its time to catch up by itself, so that a
    // repair the host's own calls would make on the way is not taken for the device's.
    void MaybeIdle(ULONGLONG until) {
        if (Pick(0, 99) >= 15) return;
        Note("idle");
        ULONGLONG now = Now();
        if (until > now) Sleep(static_cast<DWORD>(until - now));
    }

    void Power() {
        std::vector<int> visible = VisiblePositions();
        if (visible.empty()) return;
        int line = Pick(0, static_cast<int>(visible.size()) - 1);
        double current = 0.0;
        m_Host.laser().GetLinePower(line, &current);
        double percent;
        int kind = Pick(0, 9);
        if (kind < 2)
            percent = current; // a slider standing still
        else if (kind < 3)
            percent = Pick(0, 1) * 100.0;
        else if (kind < 5)
            percent = fmin(100.0, fmax(0.0, current + Pick(-3, 3) * 0.01)); // within one step now and then
        else
            percent = Pick(0, 10000) / 100.0;
        EDeviceManagerReturnCode result = m_Host.laser().SetPower(line, percent);
        Note("power " + std::to_string(line) + " " + std::to_string(percent) + " -> " +
             std::to_string(result));
        int position = visible[static_cast<size_t>(line)];
        bool hasAom = m_Positions[position].channel >= 0;
        if (Quiet() && hasAom && result != DMRC_OK)
            Fail("power " + std::to_string(percent) + " on line " + std::to_string(line) + " answered " +
                 std::to_string(result) + " with nothing wrong");
        if (result != DMRC_OK) m_LineGrace[position] = Now() + kBoardGraceMs;
    }

    void Used() {
        std::vector<int> visible = VisiblePositions();
        if (visible.empty()) return;
        int line = Pick(0, static_cast<int>(visible.size()) - 1);
        bool on = Pick(0, 2) != 0;
        EDeviceManagerReturnCode result = m_Host.laser().SetLineUsed(line, on);
        Note("used " + std::to_string(line) + " " + (on ? "1" : "0") + " -> " + std::to_string(result));
        if (Quiet() && Now() > m_uUnitGrace && result != DMRC_OK)
            Fail("used on line " + std::to_string(line) + " answered " + std::to_string(result));
    }

    void Shutter() {
        bool open = Pick(0, 1) == 1;
        EDeviceManagerReturnCode result = m_Host.shutter().SetState(open);
        Note(std::string("shutter ") + (open ? "open" : "close") + " -> " + std::to_string(result));
        if (Quiet() && Now() > m_uUnitGrace && result != DMRC_OK)
            Fail("shutter answered " + std::to_string(result));
    }

    void Reconfigure() {
        if (Pick(0, 1)) NewConfiguration();
        m_Host.session().CollectSettings();
        if (!Configure()) Fail("configure was refused");
    }

    void LoadSettings() {
        std::string text;
        for (int p = 0; p < 3; ++p) {
            char entry[96];
            snprintf(entry, sizeof entry, "m_uWavelengthExcitation%d=%d;m_dPower%d=%5.1f;", p, 405 + 80 * p,
                     p, Pick(0, 1000) / 10.0);
            text += entry;
        }
        std::wstring wide(text.begin(), text.end());
        m_Host.laser().LoadSettings(wide.c_str(), CHostSession::kMultiLaserId);
        Note("load settings " + text);
    }

    void FrontPanel() {
        int kind = Pick(0, 9);
        if (kind < 2) {
            m_bBino = !m_bBino;
            m_Host.unit().set_binocular(m_bBino);
            Note(std::string("front panel: binocular shutter ") + (m_bBino ? "engaged" : "released"));
        } else if (m_bExtended) {
            int mask = Pick(0, 7);
            m_Host.unit().set_mask(mask);
            Note("front panel: mask " + std::to_string(mask));
        } else {
            int line = Pick(0, 3);
            m_Host.unit().select_line(line);
            Note("front panel: line " + std::to_string(line));
        }
        // Never shorter than a wire fault's: a silent unit's change is heard only once it answers again.
        m_uUnitGrace = std::max(m_uUnitGrace, Now() + kPollGraceMs);
        MaybeIdle(Now() + kPollGraceMs);
    }

    void Reconnect() {
        if (m_iFaultSteps > 0) return; // a unit that does not answer is not connected
        m_Host.session().CollectSettings();
        m_Host.session().Disconnect();
        bool connected = m_Host.Connect();
        Note(std::string("reconnect -> ") + (connected ? "connected" : "failed"));
        if (!connected || !Configure()) Fail("the reconnect failed");
        m_uUnitGrace = Now() + kPollGraceMs;
    }

    void ResetBoard() {
        const char* board = kBoards[Pick(0, 1)];
        int32 status = FakeDaqmx<decltype(&DAQmxResetDevice)>("DAQmxResetDevice")(board);
        Note(std::string("reset board ") + board + " -> " + std::to_string(status));
        GraceAllLines(kBoardGraceMs);
        MaybeIdle(Now() + kBoardGraceMs);
    }

    void BoardAwayOrBack() {
        if (m_sAwayBoard.empty()) {
            m_sAwayBoard = kBoards[Pick(0, 1)];
            FakeDaqmx<decltype(&fakedaqmx_RemoveDevice)>("fakedaqmx_RemoveDevice")(m_sAwayBoard.c_str());
            Note("board " + m_sAwayBoard + " taken away");
        } else {
            FakeDaqmx<decltype(&fakedaqmx_AttachDevice)>("fakedaqmx_AttachDevice")(m_sAwayBoard.c_str());
            Note("board " + m_sAwayBoard + " back");
            m_sAwayBoard.clear();
            m_uBoardBackAt = Now();
        }
        GraceAllLines(kBoardGraceMs);
        MaybeIdle(Now() + kBoardGraceMs);
    }

    void WireFault() {
        if (m_iFaultSteps > 0) return;
        const char* faults[] = {"garble", "refuse", "silent", "every-other rTES"};
        const char* fault = faults[Pick(0, 3)];
        m_Host.unit().set_fault(fault);
        m_iFaultSteps = Pick(1, 4);
        Note(std::string("wire fault ") + fault + " for " + std::to_string(m_iFaultSteps) + " steps");
        m_uUnitGrace = ~0ull;
    }

    void EndFault() {
        m_Host.unit().clear_fault();
        Note("wire fault ends");
        m_uUnitGrace = Now() + kLineBackGraceMs;
    }

    void Fail(const std::string& why) {
        if (!m_sFailure.empty()) return;
        m_sFailure = "step " + std::to_string(m_iStep) + ": " + why;
        std::vector<std::wstring> lines = m_Log.Lines();
        for (auto it = lines.rbegin(); it != lines.rend(); ++it)
            if (it->compare(0, 6, L"ERROR:") == 0) {
                m_sFailure += "\n  the device's last error: " + std::string(it->begin(), it->end());
                break;
            }
    }

public:
    // For a survey: forget the broken promise and go on from where the device is.
    std::string TakeFailure() {
        std::string failure;
        failure.swap(m_sFailure);
        return failure;
    }

private:
    bool Check() {
        if (!m_sFailure.empty()) return false;
        CheckVoltages();
        CheckUnit();
        return m_sFailure.empty();
    }

    // The voltage on each fitted line's channel is the one for the power the host reads.
    void CheckVoltages() {
        std::vector<int> visible = VisiblePositions();
        for (size_t line = 0; line < visible.size(); ++line) {
            int p = visible[line];
            const SPosition& s = m_Positions[p];
            // A unit that does not answer keeps the worker in the poll's time-outs, the board check behind
            // it.
            if (s.channel < 0 || Now() < m_LineGrace[p] || Now() < m_uUnitGrace ||
                m_sAwayBoard == kChannels[s.channel].board)
                continue;
            double percent = 0.0;
            m_Host.laser().GetLinePower(static_cast<int>(line), &percent);
            double steps = static_cast<int>(percent * 10.0) / 10.0;
            double expected = s.min + (static_cast<double>(s.max) - s.min) / 100.0 * steps;
            double volts = LastVoltage(kChannels[s.channel].name);
            if (!(fabs(volts - expected) < 1e-6)) {
                std::ostringstream why;
                why << "line " << line << " (unit line " << p + 1 << ") reads " << percent << " %, which is "
                    << expected << " V on " << kChannels[s.channel].name << ", but the channel holds "
                    << volts << " V";
                Fail(why.str());
                return;
            }
        }
    }

    // The host's lines and shutter are the unit's: what it asks and what the change records told it.
    void CheckUnit() {
        if (Now() < m_uUnitGrace) return;
        bool open = false;
        m_Host.shutter().GetState(&open);
        std::string unit = m_Host.unit().state(); // "line N mask M bino B"
        int unitLine = 0, unitMask = 0, bino = 0;
        sscanf(unit.c_str(), "line %d mask %d bino %d", &unitLine, &unitMask, &bino);
        if (bino) return; // the binocular shutter holds the light back whatever the unit passes
        std::vector<int> visible = VisiblePositions();
        int selected = 0;
        for (size_t line = 0; line < visible.size(); ++line) {
            bool used = false;
            m_Host.laser().GetLineUsed(static_cast<int>(line), &used);
            if (used) selected |= 1 << visible[line];
        }
        int passing = m_bExtended ? unitMask : (unitLine ? 1 << (unitLine - 1) : 0);
        // Lines of empty positions are the unit's too, but the host does not see them.
        int fitted = 0;
        for (int p : visible)
            fitted |= 1 << p;
        if ((passing & fitted) != (open ? selected : 0) || (!open && passing != 0)) {
            Fail("the host has the shutter " + std::string(open ? "open" : "closed") + " with lines " +
                 std::to_string(selected) + " (bits), the unit says '" + unit + "'");
            return;
        }
        // The change records say the same; the last one may still be on its way.
        if (!m_Host.WaitFor([&] { return m_Host.View() == ExpectedView(open, selected, visible); }, 1000))
            Fail("the change records say '" + m_Host.View() + "', the device '" +
                 ExpectedView(open, selected, visible) + "'");
    }

    std::string ExpectedView(bool open, int selected, const std::vector<int>& visible) {
        // The records carry all three positions; an empty one shows what the unit state has for it.
        const SHostChange* latest = m_Host.Latest(CHostSession::kMultiLaserId);
        std::string view = "used";
        for (int p = 0; p < 3; ++p) {
            bool fittedHere = false;
            for (int v : visible)
                fittedHere = fittedHere || v == p;
            int flag = fittedHere ? (selected >> p & 1) : (latest ? latest->data[4 + p] : 0);
            view += " " + std::to_string(flag);
        }
        return view + " open " + (open ? "1" : "0");
    }

    LogCapture m_Log{false};
    DeviceHost m_Host{"CQvAOMTAVO"};
    std::mt19937 m_Random;
    bool m_bExtended;
    SPosition m_Positions[3];
    std::wstring m_sConfiguration;
    ULONGLONG m_LineGrace[3] = {};
    ULONGLONG m_uUnitGrace = 0;
    bool m_bBino = false;
    int m_iFaultSteps = 0;
    std::string m_sAwayBoard;
    ULONGLONG m_uBoardBackAt = 0;
    ULONGLONG m_uStart = GetTickCount64();
    int m_iStep = 0;
    std::vector<std::string> m_History;
    std::string m_sFailure;
};

TEST(Promise, WhatTheHostIsToldIsWhatTheUnitAndTheAomsDo) {
    DaqScenario scenario(kScenario);
    ASSERT_TRUE(scenario.Written());
    const unsigned seed = Setting("QV_MODEL_SEED", static_cast<unsigned>(GetTickCount64() % 1000000));
    const unsigned steps = Setting("QV_MODEL_STEPS", 2000);
    printf("model: seed %u, %u steps (QV_MODEL_SEED=%u replays it)\n", seed, steps, seed);
    fflush(stdout);
    RecordProperty("seed", static_cast<int>(seed));
    PromiseModel model(seed, seed % 2 == 1);
    ASSERT_TRUE(model.Start()) << "seed " << seed;
    if (Setting("QV_MODEL_SURVEY", 0)) {
        std::vector<std::string> kinds;
        for (unsigned i = 1; i <= steps; ++i) {
            if (model.Step(static_cast<int>(i))) continue;
            std::string failure = model.TakeFailure();
            std::string kind;
            for (char c : failure.substr(failure.find(": ") + 2, 40))
                if (!isdigit(static_cast<unsigned char>(c)) && c != '.') kind += c;
            bool seen = false;
            for (const std::string& k : kinds)
                seen = seen || k == kind;
            if (seen) continue;
            kinds.push_back(kind);
            printf("finding: %s\n", failure.c_str());
        }
        return;
    }
    for (unsigned i = 1; i <= steps; ++i)
        ASSERT_TRUE(model.Step(static_cast<int>(i)))
            << "seed " << seed << ": " << model.Failure() << "\nthe last steps:\n"
            << model.History();
}

} // namespace
