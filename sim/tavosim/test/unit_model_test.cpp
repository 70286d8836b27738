#include <gtest/gtest.h>

#include "unit_model.h"

namespace tavosim {
namespace {

struct Exchange {
    const char* request;
    const char* standard;
    const char* extended;
    const char* both;
    const char* neither;
};

// Each request is sent to a fresh unit of every personality.
const Exchange kExchanges[] = {
    {"rVER", "aVERTAVO 2.01", "aVERTAVO 2.01", "aVERTAVO 2.01", "aVERTAVO 2.01"},
    {"rTES", "aTES0", "aTES0", "aTES0", "aTES0"},
    {"rTSR", "aTSR0", "?", "aTSR0", "?"},
    {"rTSD", "?", "aTSD0", "aTSD0", "?"},
    {"cTSO1", "oTSO1", "?", "oTSO1", "?"},
    {"cTSO3", "oTSO3", "?", "oTSO3", "?"},
    {"cTSO0", "?", "?", "?", "?"},
    {"cTSO4", "?", "?", "?", "?"},
    {"cTSO", "?", "?", "?", "?"},
    {"cTSO12", "?", "?", "?", "?"},
    {"cTSC", "oTSC", "?", "oTSC", "?"},
    {"cTSD0", "?", "oTSD0", "oTSD0", "?"},
    {"cTSD7", "?", "oTSD7", "oTSD7", "?"},
    {"cTSD8", "?", "?", "?", "?"},
    {"cTSDx", "?", "?", "?", "?"},
    {"rver", "?", "?", "?", "?"},
    {"rVER ", "?", "?", "?", "?"},
    {"xYZ", "?", "?", "?", "?"},
};

TEST(UnitModel, RepliesPerPersonality) {
    for (const Exchange& e : kExchanges) {
        const std::pair<Personality, const char*> cases[] = {{Personality::standard, e.standard},
                                                             {Personality::extended, e.extended},
                                                             {Personality::both, e.both},
                                                             {Personality::neither, e.neither}};
        for (const auto& [personality, expected] : cases) {
            UnitModel unit(personality, "TAVO 2.01");
            EXPECT_EQ(unit.handle(e.request), expected)
                << e.request << " personality " << static_cast<int>(personality);
            // A refused request changes nothing.
            if (std::string(expected) == "?") {
                EXPECT_EQ(unit.line() + unit.mask(), 0) << e.request;
            }
        }
    }
}

TEST(UnitModel, LineAndMaskStayConsistent) {
    struct Step {
        const char* request;
        int line;
        int mask;
    };
    const Step steps[] = {{"cTSO2", 2, 2}, {"cTSO3", 3, 4}, {"cTSD6", 2, 6}, {"cTSD5", 1, 5},
                          {"cTSC", 0, 0},  {"cTSD4", 3, 4}, {"cTSD0", 0, 0}, {"cTSO1", 1, 1}};
    UnitModel unit(Personality::both, "x");
    for (const Step& step : steps) {
        unit.handle(step.request);
        EXPECT_EQ(unit.line(), step.line) << step.request;
        EXPECT_EQ(unit.mask(), step.mask) << step.request;
        EXPECT_EQ(unit.handle("rTSR"), "aTSR" + std::to_string(step.line));
        EXPECT_EQ(unit.handle("rTSD"), "aTSD" + std::to_string(step.mask));
    }
}

} // namespace
} // namespace tavosim
