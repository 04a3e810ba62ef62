// The hiscore server exchange: the server's address, the global table read from a real
// hiscored on loopback and from bad replies, and the upload passes of start-up and
// SaveHiScore.
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

void put(const HiscoredProcess& server, const std::string& name, int score) {
    ASSERT_EQ(rawGet(server.port(), writePath(name, std::to_string(score))).status, 200) << name;
}

void pend(int slot, const char* name, double score) {
    G().LocalScore(slot) = score;
    G().LocalName(slot) = name;
    G().LocalSent(slot) = 0;
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

TEST_F(GameTest, ListsOfAnySizeFromHiscoredFillTheTopSlots) {
    ScratchFolder scratch;
    HiscoredProcess server(scratch / "server.db");
    ASSERT_TRUE(server.ok());
    pointAt(server.port());
    int written = 0;
    for (int size : {0, 3, 9, 10, 15}) {
        for (; written < size; ++written) {
            put(server, "R" + std::to_string(written), 10 * (written + 1));
        }
        game::CheckOnlineHiScore();
        EXPECT_EQ(G().WebOk, 1) << size;
        std::vector<Slot> want;
        for (int k = 0; k < std::min(size, 10); ++k) {
            want.push_back({"R" + std::to_string(size - 1 - k), 10.0 * (size - k)});
        }
        expectTable(want, std::to_string(size) + " records");
    }
}

// Out of order, LF and CR LF lines: sorted best first. Anything else leaves placeholders,
// even after a good read.
TEST_F(GameTest, ListsFillTheTopSlotsAndAnythingElseLeavesPlaceholders) {
    const std::string ok = "HTTP/1.0 200 OK\r\n\r\n";
    const std::string good = "HTTP/1.0 200 OK\n\n3\n" + wire("LOW") + "\n" + wire("5") +
                             "\n1\r\n" + wire("UP") + "\r\n" + wire("50") + "\r\n2\n" +
                             wire("MID") + "\n" + wire("20") + "\neof";
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
        expectTable({{"UP", 50}, {"MID", 20}, {"LOW", 5}}, "a good read");
        LoopbackServer bad({k.chunks});
        pointAt(k.chunks.empty() ? LoopbackServer::closedPort() : bad.port());
        game::CheckOnlineHiScore();
        EXPECT_EQ(G().WebOk, 0) << k.what;
        expectTable({}, k.what);
    }
}

// The local entries are sent; three pending ones lie above, at and below the global tenth.
TEST_F(GameTest, StartUpSendsPendingEntriesAboveTheGlobalTenthOnly) {
    ScratchFolder scratch;
    fillLocalTable("L");
    G().HiscoreFileName = RuntimeString((scratch / "orvelsoft.ini").c_str());
    HiscoredProcess server(scratch / "server.db");
    ASSERT_TRUE(server.ok());
    for (int i = 1; i <= 10; ++i) put(server, "G" + std::to_string(i), 100 * i);
    pointAt(server.port());
    game::CheckOnlineHiScore();
    pend(5, "ABOVE", 150);
    pend(4, "EQUAL", 100);
    pend(3, "BELOW", 99);
    const auto startUp = [] { game::UploadPendingEntries(game::UploadForm::StartUp); };
    EXPECT_EQ(runRoutine(startUp, 20), game::kHiscoreEntries) << "one frame per local entry";
    EXPECT_EQ((std::vector<double>{G().LocalSent(3), G().LocalSent(4), G().LocalSent(5)}),
              (std::vector<double>{0, 0, 1}))
        << "below, equal to and above the tenth";
    EXPECT_EQ(G().GlobalStale, 1);
    EXPECT_STREQ(G().GlobalName(0).c_str(), "ABOVE") << "the list was read again after it";
    EXPECT_EQ(G().GlobalScore(9), 1000) << "an entry sent before is not sent again";
}

// The local entries are sent, then two new ones pending; the server has room for
// one write more, so the third gets a 429.
TEST_F(GameTest, SaveUploadsQualifyingScoresAndAnErrorStatusKeepsOnePending) {
    ScratchFolder scratch;
    fillLocalTable("L");
    G().HiscoreFileName = RuntimeString((scratch / "orvelsoft.ini").c_str());
    HiscoredProcess server(scratch / "server.db", {"--write-limit", "2"});
    ASSERT_TRUE(server.ok());
    put(server, "OLD", 10);
    pointAt(server.port());
    game::CheckOnlineHiScore();
    pend(8, "NEW", 777);
    pend(9, "LATE", 900);
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
