// The hiscore server exchange: the server's address, the global table read from good and bad
// replies, and the upload pass of SaveHiScore against a real hiscored on loopback.
#include <tuple>

#include "game/game_harness.h"
#include "game/online.h"

namespace qvt::test {
namespace {

using Slot = std::pair<std::string, double>;

std::string wire(const std::string& text) {
    return EncryptText(game::kWireKey, text.c_str()).c_str();
}

void pointAt(std::uint16_t port) {
    ::setenv("RAYVAULTER_HISCORE_SERVER", ("127.0.0.1:" + std::to_string(port)).c_str(), 1);
}

// The global table, best slot (9) first; the rest of want are placeholders.
void expectTable(std::vector<Slot> want, const std::string& what = "") {
    want.resize(game::kHiscoreEntries, Slot{"----------", 0});
    std::vector<Slot> got;
    for (int s = game::kHiscoreEntries - 1; s >= 0; --s) {
        got.push_back({G().GlobalName(s).c_str(), G().GlobalScore(s)});
    }
    EXPECT_EQ(got, want) << what;
}

TEST_F(GameTest, ServerAddressComesFromTheEnvironmentWithPortEightyByDefault) {
    struct Case {
        const char *value, *host;
        std::uint16_t port;
    } cases[] = {{"10.1.2.3:8080", "10.1.2.3", 8080}, {"host:99999", "host", 80},
                 {"host:8o", "host", 80}, {"", "127.0.0.1", 80}};
    for (const Case& k : cases) {
        ScopedEnv env("RAYVAULTER_HISCORE_SERVER", k.value);
        const game::ServerAddress a = game::HiscoreServerAddress();
        EXPECT_STREQ(a.host.c_str(), k.host) << k.value;
        EXPECT_EQ(a.port, k.port) << k.value;
    }
}

// Out of order, LF and CR LF lines: sorted best first, the best ten of more. Anything else
// leaves placeholders, even after a good read.
TEST_F(GameTest, ListsFillTheTopSlotsAndAnythingElseLeavesPlaceholders) {
    const std::string ok = "HTTP/1.0 200 OK\r\n\r\n";
    std::string good = "HTTP/1.0 200 OK\n\n3\n" + wire("LOW") + "\n" + wire("5") + "\n1\r\n" +
                       wire("UP") + "\r\n" + wire("50") + "\r\n2\n" + wire("MID") + "\n" +
                       wire("20");
    std::vector<Slot> best{{"UP", 50}, {"MID", 20}};
    for (int i = 6; i <= 14; ++i) {
        good += "\n1\n" + wire("R" + std::to_string(i)) + "\n" + wire(std::to_string(i));
        if (i > 6) best.insert(best.begin() + 2, {"R" + std::to_string(i), i});
    }
    good += "\neof";
    const std::string record = "1\r\n" + wire("X") + "\r\n" + wire("5") + "\r\n";
    std::string tooMany;
    for (std::size_t i = 0; i <= game::kMaxListRecords; ++i) tooMany += "1\n\n\n";
    struct Case {
        const char* what;
        std::vector<std::string> chunks;
    } cases[] = {
        {"a whole list under a 404", {"HTTP/1.0 404 Not Found\r\n\r\n" + record + "eof\r\n"}},
        {"no eof", {ok + record + record}},
        {"cut inside a record", {ok + record + "2\r\n" + wire("Y")}},
        {"over ten thousand records", {ok + tooMany + "eof\n"}},
        {"server down", {}},
    };
    for (const Case& k : cases) {
        LoopbackServer before({{good}});
        pointAt(before.port());
        game::CheckOnlineHiScore();
        expectTable(best, "twelve records");
        LoopbackServer bad({k.chunks});
        pointAt(k.chunks.empty() ? LoopbackServer::closedPort() : bad.port());
        game::CheckOnlineHiScore();
        EXPECT_EQ(G().WebOk, 0) << k.what;
        expectTable({}, k.what);
    }
}

// Local entries L0 (1) .. L9 (10) sent, then two new ones pending; the server has room for
// one write more, so the third gets a 429.
TEST_F(GameTest, SaveUploadsQualifyingScoresAndAnErrorStatusKeepsOnePending) {
    ScratchFolder scratch;
    fillLocalTable("L");
    G().HiscoreFileName = RuntimeString((scratch / "orvelsoft.ini").c_str());
    HiscoredProcess server(scratch / "server.db", {"--write-limit", "2"});
    ASSERT_TRUE(server.ok());
    ASSERT_EQ(rawGet(server.port(), writePath("OLD", "10")).status, 200);
    pointAt(server.port());
    game::CheckOnlineHiScore();
    for (auto [slot, name, score] : {std::tuple{8, "NEW", 777.0}, {9, "LATE", 900.0}}) {
        G().LocalScore(slot) = score;
        G().LocalName(slot) = name;
        G().LocalSent(slot) = 0;
    }
    std::string shown;
    runRoutine(game::SaveHiScore, 5, [&](int frame) {
        if (frame == 1) shown = readCells(96, 448, 28);
    });
    EXPECT_EQ(shown, "UPLOADING HISCORES TO SERVER");
    EXPECT_EQ(G().LocalSent(8), 1);
    EXPECT_EQ(G().LocalSent(9), 0) << "the server's 429 is no success";
    EXPECT_EQ(G().WebOk, 1) << "the re-read after the pass worked";
    expectTable({{"NEW", 777}, {"OLD", 10}});
}

}  // namespace
}  // namespace qvt::test
