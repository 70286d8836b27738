#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "escape.h"
#include "request_framer.h"

namespace tavosim {
namespace {

std::vector<std::string> feed_all(RequestFramer& framer, const std::vector<std::string>& writes, bool raw) {
    std::vector<std::string> out;
    for (const std::string& chunk : writes) {
        for (const Frame& frame : framer.feed(chunk.data(), chunk.size()))
            out.push_back(raw ? frame.raw : frame.body);
    }
    return out;
}

TEST(RequestFramer, CutsAtTerminatorsHoweverTheBytesArrive) {
    struct Case {
        std::vector<std::string> writes;
        std::vector<std::string> bodies;
        std::vector<std::string> raws;
    };
    const Case cases[] = {
        {{"rVER\r"}, {"rVER"}, {"rVER\r"}},
        {{"rV", "E", "R\r"}, {"rVER"}, {"rVER\r"}},
        {{"rVER\rrTES\rrTSR"}, {"rVER", "rTES"}, {"rVER\r", "rTES\r"}},
        {{"rVER\n"}, {"rVER"}, {"rVER\n"}},
        {{"rVER\r\n", "rTES\r\n"}, {"rVER", "rTES"}, {"rVER\r", "\nrTES\r"}},
        {{"\r\n\r", "\n"}, {}, {}},
        {{"rVER"}, {}, {}},
    };
    for (const Case& c : cases) {
        RequestFramer bodies, raws;
        EXPECT_EQ(feed_all(bodies, c.writes, false), c.bodies) << c.writes[0];
        EXPECT_EQ(feed_all(raws, c.writes, true), c.raws) << c.writes[0];
    }
}

TEST(RequestFramer, ResetDropsAPartialRequest) {
    RequestFramer framer;
    framer.feed("rV", 2);
    framer.reset();
    auto frames = framer.feed("rTES\r", 5);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].body, "rTES");
}

TEST(Escape, TranscriptText) {
    const std::pair<std::string, std::string> cases[] = {
        {"aVERTAVO 2.01\r\n", R"(aVERTAVO 2.01\r\n)"},
        {"\t\\\"", R"(\t\\\")"},
        {std::string("\0\x1b\x7f\x80\xff", 5), R"(\x00\x1B\x7F\x80\xFF)"},
        {"", ""},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(escape_bytes(bytes), text);
}

} // namespace
} // namespace tavosim
