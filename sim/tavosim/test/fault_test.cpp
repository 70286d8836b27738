#include <gtest/gtest.h>

#include "fault.h"

namespace tavosim {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

const std::string kLine = "aVERTAVO 2.01\r\n";

std::string joined(const std::vector<Piece>& pieces) {
    std::string out;
    for (const Piece& piece : pieces)
        out += piece.bytes;
    return out;
}

microseconds total_delay(const std::vector<Piece>& pieces) {
    microseconds total{0};
    for (const Piece& piece : pieces)
        total += piece.delay;
    return total;
}

Fault parsed(const std::vector<std::string>& words) {
    std::string error;
    auto fault = Fault::parse(words, error);
    EXPECT_TRUE(fault) << error;
    return fault.value_or(Fault{});
}

TEST(Fault, ParseRejectsBadArguments) {
    const std::vector<std::vector<std::string>> bad = {{},
                                                       {"melt"},
                                                       {"split"},
                                                       {"split", "0", "5"},
                                                       {"split", "2"},
                                                       {"split", "2", "-1"},
                                                       {"byte-delay"},
                                                       {"byte-delay", "x"},
                                                       {"long", "3"},
                                                       {"long", "70000"},
                                                       {"garble", "1"},
                                                       {"silent", "now"},
                                                       {"refuse", "1"},
                                                       {"bare", "x"},
                                                       {"every-other"},
                                                       {"every-other", "rTES", "rTSR"}};
    for (const auto& words : bad) {
        std::string error;
        EXPECT_FALSE(Fault::parse(words, error)) << (words.empty() ? "" : words[0]);
        EXPECT_FALSE(error.empty());
    }
}

TEST(Fault, GarbleKeepsLengthAndLineEndButNothingElse) {
    std::mt19937 rng(1);
    std::string garbled = joined(shape_reply(kLine, parsed({"garble"}), rng));
    ASSERT_EQ(garbled.size(), kLine.size());
    EXPECT_EQ(garbled.substr(garbled.size() - 2), "\r\n");
    EXPECT_EQ(garbled.substr(0, garbled.size() - 2).find_first_of("\r\naVERTAVO"), std::string::npos)
        << garbled;
}

TEST(Fault, SplitNeverMakesEmptyPieces) {
    std::mt19937 rng(1);
    auto split = shape_reply("?\r\n", parsed({"split", "9", "1"}), rng);
    ASSERT_EQ(split.size(), 3u);
    EXPECT_EQ(joined(split), "?\r\n");
    EXPECT_EQ(total_delay(split), milliseconds(2));
}

TEST(Fault, WirePacingAddsOneCharacterTimePerByte) {
    std::vector<Piece> pieces{{milliseconds(10), "ab"}, {milliseconds(5), "c"}};
    auto paced = pace_on_wire(pieces);
    ASSERT_EQ(paced.size(), 3u);
    EXPECT_EQ(joined(paced), "abc");
    EXPECT_EQ(total_delay(paced), milliseconds(15) + 3 * kCharTimeAt9600);
}

} // namespace
} // namespace tavosim
