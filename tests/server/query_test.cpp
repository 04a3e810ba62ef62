// The write request's checks: what the game sends passes, everything else is turned away
// with a 400 and a one-line reason, before it reaches the database.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "core/cipher.h"
#include "query.h"

namespace hiscored {
namespace {

std::string hex(const char* key, const std::string& text) { return qvt::EncryptText(key, text.c_str()).c_str(); }
std::string wire(const std::string& text) { return hex(kWireKey, text); }

TEST(QueryTest, AcceptsWhatTheGameSendsAndRefusesAnythingElseWithAReason) {
    std::string ok = wire("ACE"), score = wire("100");
    struct Case {
        const char* what;
        std::string isoud, eakcs;
        std::string name = "";  // accepted with this name and score; refused when empty
        std::int64_t score = 0;
    } cases[] = {
        {"shortest", wire("A"), wire("1"), "A", 1},
        {"longest, printable edges, largest", wire("!~\"';<b>xy"), wire("9999999999"), "!~\"';<b>xy", 9999999999LL},
        {"empty name hex", "", score},
        {"odd hex", ok.substr(0, 15), score},
        {"not hex", "zz" + ok.substr(2), score},
        {"name under another key", hex("otherkey", "ACE"), score},
        {"name of eleven", wire("ELEVENCHARS"), score},
        {"blank in name", wire("A B"), score},
        {"delete char", wire("A\x7f"), score},
        {"sign in score", ok, wire("-5")},
        {"zero score", ok, wire("0")},
        {"score too big", ok, wire("10000000000")},
    };
    for (const Case& k : cases) {
        WriteCheck c = CheckWrite(k.isoud.c_str(), k.eakcs.c_str());
        EXPECT_EQ(std::tie(c.status, c.name, c.score), std::make_tuple(k.name.empty() ? 400 : 200, k.name, k.score))
            << k.what << ": " << c.reason;
        EXPECT_EQ(c.reason.empty(), c.ok()) << k.what << ": a refusal says why";
        EXPECT_EQ(c.reason.find('\n'), std::string::npos) << k.what << ": in one line";
    }
    EXPECT_EQ(CheckWrite(nullptr, score.c_str()).status, 400) << "missing name";
    EXPECT_EQ(CheckWrite(ok.c_str(), nullptr).status, 400) << "missing score";
}

}  // namespace
}  // namespace hiscored
