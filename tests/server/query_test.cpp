// The write request's checks: what the game sends passes, everything else is turned away
// with a 400 and a reason, before it reaches the database.
#include <gtest/gtest.h>

#include <string>

#include "core/cipher.h"
#include "query.h"

namespace hiscored {
namespace {

std::string hex(const char* key, const std::string& text) {
    return qvt::EncryptText(key, qvt::RuntimeString(std::string_view(text))).c_str();
}
std::string wire(const std::string& text) { return hex(kWireKey, text); }

TEST(QueryTest, AcceptsWhatTheGameSends) {
    struct Case {
        std::string name, score;
        std::int64_t value;
    } cases[] = {
        {"ORVELSOFT", "1000", 1000},
        {"A", "1", 1},
        {"!~\"';<b>", "9999999999", 9999999999LL},
        {"TENLETTERS", "42", 42},
    };
    for (const Case& k : cases) {
        WriteCheck c = CheckWrite(wire(k.name).c_str(), wire(k.score).c_str());
        EXPECT_EQ(c.status, 200) << k.name << " " << c.reason;
        EXPECT_EQ(c.name, k.name);
        EXPECT_EQ(c.score, k.value);
    }
    // Hex digits of either case, as the game's own reader accepts them.
    std::string upper = wire("ACE");
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    EXPECT_EQ(CheckWrite(upper.c_str(), wire("5").c_str()).status, 200);
}

TEST(QueryTest, RefusesAnythingElseWithAReason) {
    std::string ok = wire("ACE"), score = wire("100");
    struct Case {
        const char* what;
        const char* isoud;
        const char* eakcs;
    };
    std::string oddHex = ok.substr(0, 15), notHex = "zz" + ok.substr(2), shortBlock = ok.substr(0, 8);
    std::string wrongKey = hex("otherkey", "ACE"), wrongKeyScore = hex("m4rq7e2dw", "100");
    std::string eleven = wire("ELEVENCHARS"), empty = wire(""), blank = wire("A B"), tab = wire("A\tB");
    std::string high = wire("A\xe9"), del = wire("A\x7f");
    std::string letters = wire("12a"), negative = wire("-5"), zero = wire("0"), big = wire("10000000000");
    std::string fraction = wire("1.5"), exponent = wire("1e3"), spaced = wire(" 12");
    std::string threeBlocks = wire("ABCDEFGHIJKLMNOPQ");
    Case cases[] = {
        {"missing name", nullptr, score.c_str()},
        {"missing score", ok.c_str(), nullptr},
        {"empty name hex", "", score.c_str()},
        {"odd hex", oddHex.c_str(), score.c_str()},
        {"not hex", notHex.c_str(), score.c_str()},
        {"part of a block", shortBlock.c_str(), score.c_str()},
        {"three blocks", threeBlocks.c_str(), score.c_str()},
        {"name under another key", wrongKey.c_str(), score.c_str()},
        {"score under another key", ok.c_str(), wrongKeyScore.c_str()},
        {"name of eleven", eleven.c_str(), score.c_str()},
        {"empty name", empty.c_str(), score.c_str()},
        {"blank in name", blank.c_str(), score.c_str()},
        {"tab in name", tab.c_str(), score.c_str()},
        {"byte over 126", high.c_str(), score.c_str()},
        {"delete char", del.c_str(), score.c_str()},
        {"letters in score", ok.c_str(), letters.c_str()},
        {"negative score", ok.c_str(), negative.c_str()},
        {"zero score", ok.c_str(), zero.c_str()},
        {"score too big", ok.c_str(), big.c_str()},
        {"fraction", ok.c_str(), fraction.c_str()},
        {"exponent", ok.c_str(), exponent.c_str()},
        {"leading blank", ok.c_str(), spaced.c_str()},
    };
    for (const Case& k : cases) {
        WriteCheck c = CheckWrite(k.isoud, k.eakcs);
        EXPECT_EQ(c.status, 400) << k.what;
        EXPECT_FALSE(c.reason.empty()) << k.what;
        EXPECT_EQ(c.reason.find('\n'), std::string::npos) << k.what << ": one line";
    }
}

}  // namespace
}  // namespace hiscored
