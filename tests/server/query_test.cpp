// The write request's checks: what the game sends passes, everything else is turned away
// with a 400 and a one-line reason, before it reaches the database.
#include <gtest/gtest.h>

#include <string>

#include "core/cipher.h"
#include "query.h"

namespace hiscored {
namespace {

std::string hex(const char* key, const std::string& text) { return qvt::EncryptText(key, text.c_str()).c_str(); }
std::string wire(const std::string& text) { return hex(kWireKey, text); }

TEST(QueryTest, AcceptsWhatTheGameSendsAndRefusesAnythingElseWithAReason) {
    std::string upper = wire("ACE");
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    struct Accepted {
        std::string name, score;
        std::int64_t value;
    } accepted[] = {{"ORVELSOFT", "1000", 1000}, {"A", "1", 1}, {"!~\"';<b>", "9999999999", 9999999999LL},
                    {"TENLETTERS", "42", 42}};
    for (const Accepted& k : accepted) {
        WriteCheck c = CheckWrite(wire(k.name).c_str(), wire(k.score).c_str());
        EXPECT_EQ(c.status, 200) << k.name << " " << c.reason;
        EXPECT_EQ(c.name, k.name);
        EXPECT_EQ(c.score, k.value);
    }
    EXPECT_EQ(CheckWrite(upper.c_str(), wire("5").c_str()).name, "ACE") << "hex of either case";

    std::string ok = wire("ACE"), score = wire("100");
    struct Case {
        const char* what;
        std::string isoud, eakcs;
    } cases[] = {
        {"empty name hex", "", score},
        {"odd hex", ok.substr(0, 15), score},
        {"not hex", "zz" + ok.substr(2), score},
        {"part of a block", ok.substr(0, 8), score},
        {"three blocks", wire("ABCDEFGHIJKLMNOPQ"), score},
        {"name under another key", hex("otherkey", "ACE"), score},
        {"score under another key", ok, hex("m4rq7e2dw", "100")},
        {"name of eleven", wire("ELEVENCHARS"), score},
        {"empty name", wire(""), score},
        {"blank in name", wire("A B"), score},
        {"tab in name", wire("A\tB"), score},
        {"byte over 126", wire("A\xe9"), score},
        {"delete char", wire("A\x7f"), score},
        {"letters in score", ok, wire("12a")},
        {"negative score", ok, wire("-5")},
        {"zero score", ok, wire("0")},
        {"score too big", ok, wire("10000000000")},
        {"fraction", ok, wire("1.5")},
        {"exponent", ok, wire("1e3")},
        {"leading blank", ok, wire(" 12")},
    };
    auto refused = [](const char* what, const char* isoud, const char* eakcs) {
        WriteCheck c = CheckWrite(isoud, eakcs);
        EXPECT_EQ(c.status, 400) << what;
        EXPECT_FALSE(c.reason.empty()) << what;
        EXPECT_EQ(c.reason.find('\n'), std::string::npos) << what << ": one line";
    };
    for (const Case& k : cases) refused(k.what, k.isoud.c_str(), k.eakcs.c_str());
    refused("missing name", nullptr, score.c_str());
    refused("missing score", ok.c_str(), nullptr);
}

}  // namespace
}  // namespace hiscored
