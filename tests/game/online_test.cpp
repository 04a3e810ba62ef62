// The hiscore server exchange: the global table read from a real hiscored on loopback and
// from bad replies, and the upload passes of start-up and SaveHiScore.
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

// Local entries L0 (1) .. L9 (10), all sent.
class OnlineTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        if (HasFatalFailure()) return;
        for (int i = 0; i < game::kHiscoreEntries; ++i) pend(i, "L" + std::to_string(i), i + 1, 1);
        G().HiscoreFileName = RuntimeString((scratch / "orvelsoft.ini").c_str());
    }
    // A hiscored on SQLite, filled with entries, that the game is pointed at and has read.
    void startServer(const std::vector<Slot>& entries = {}, const std::string& writeLimit = "0") {
        server_ = std::make_unique<HiscoredProcess>(
            scratch / "server.db", std::vector<std::string>{"--write-limit", writeLimit});
        ASSERT_TRUE(server_->ok());
        for (const Slot& e : entries) write(e);
        pointAt(server_->port());
        game::CheckOnlineHiScore();
        ASSERT_EQ(G().WebOk, 1);
    }
    void write(const Slot& e) {
        const std::string path = writePath(e.first, std::to_string(int(e.second)));
        ASSERT_EQ(rawGet(server_->port(), path).status, 200);
    }
    static void pend(int slot, const std::string& name, double score, double sent = 0) {
        G().LocalScore(slot) = score;
        G().LocalName(slot) = RuntimeString(name.c_str());
        G().LocalSent(slot) = sent;
    }
    // The global table, best slot (9) first; the rest of want are placeholders.
    static void expectTable(std::vector<Slot> want, const std::string& what = "") {
        want.resize(game::kHiscoreEntries, Slot{"----------", 0});
        std::vector<Slot> got;
        for (int s = game::kHiscoreEntries - 1; s >= 0; --s) {
            got.push_back({G().GlobalName(s).c_str(), G().GlobalScore(s)});
        }
        EXPECT_EQ(got, want) << what;
    }

    ScratchFolder scratch;
    std::unique_ptr<HiscoredProcess> server_;
};

TEST_F(OnlineTest, ServerAddressComesFromTheEnvironmentWithPortEightyByDefault) {
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

TEST_F(OnlineTest, ListsOfAnySizeFillTheTopSlotsAndAnythingElseLeavesPlaceholders) {
    startServer();
    int written = 0;
    for (int size : {0, 3, 15}) {
        for (; written < size; ++written) {
            write({"R" + std::to_string(written), 10.0 * (written + 1)});
        }
        game::CheckOnlineHiScore();
        EXPECT_EQ(G().WebOk, 1) << size;
        std::vector<Slot> want;
        for (int k = 0; k < std::min(size, 10); ++k) {
            want.push_back({"R" + std::to_string(size - 1 - k), 10.0 * (size - k)});
        }
        expectTable(want, std::to_string(size) + " records");
    }

    // Out of order, LF and CR LF lines, hex of either case: sorted best first.
    std::string upper = wire("UP");
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::string good = "HTTP/1.0 200 OK\n\n3\n" + wire("LOW") + "\n" + wire("5") +
                             "\n1\r\n" + upper + "\r\n" + wire("50") + "\r\n2\n" + wire("MID") +
                             "\n" + wire("20") + "\neof";
    const std::string ok = "HTTP/1.0 200 OK\r\n\r\n";
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
        // A good read first, so a failed one has a full table to spoil.
        LoopbackServer before({{good}});
        pointAt(before.port());
        game::CheckOnlineHiScore();
        expectTable({{"UP", 50}, {"MID", 20}, {"LOW", 5}});
        LoopbackServer bad({k.chunks});
        pointAt(k.chunks.empty() ? LoopbackServer::closedPort() : bad.port());
        game::CheckOnlineHiScore();
        EXPECT_EQ(G().WebOk, 0) << k.what;
        expectTable({}, k.what);
    }
}

TEST_F(OnlineTest, SaveUploadsQualifyingScoresAndAnErrorStatusKeepsOnePending) {
    startServer({{"OLD", 10}}, "2");  // room for one write more: the third gets a 429
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
