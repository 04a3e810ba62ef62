// The hiscore server exchange: the global table read from a real hiscored on loopback and
// from replies of every bad kind, and the upload passes of start-up and SaveHiScore.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/cipher.h"
#include "game/globals.h"
#include "game/hiscore_file.h"
#include "game/online.h"
#include "game/routines.h"
#include "support/files.h"
#include "support/hiscored.h"
#include "support/loopback_server.h"
#include "game_harness.h"

namespace qvt::test {
namespace {

using game::G;
using Slot = std::pair<std::string, double>;
const Slot kPlaceholder{"----------", 0};

std::string wire(const std::string& text) { return EncryptText("5hwintor", text.c_str()).c_str(); }

class OnlineTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        if (HasFatalFailure()) return;
        for (int i = 0; i < game::kHiscoreEntries; ++i) {
            G().LocalScore(i) = i + 1;
            G().LocalName(i) = RuntimeString(("L" + std::to_string(i)).c_str());
            G().LocalSent(i) = 1;
        }
        G().HiscoreFileName = RuntimeString((scratch / "orvelsoft.ini").c_str());
    }
    void TearDown() override {
        env_.reset();
        server_.reset();
        GameTest::TearDown();
    }

    // A hiscored on SQLite that the game is pointed at.
    HiscoredProcess& startServer(std::vector<std::string> args = {"--write-limit", "0"}) {
        server_ = std::make_unique<HiscoredProcess>(scratch / "server.db", args);
        EXPECT_TRUE(server_->ok()) << server_->errors();
        pointAt(server_->port());
        return *server_;
    }
    void pointAt(std::uint16_t port) {
        env_.reset();
        env_ = std::make_unique<ScopedEnv>("RAYVAULTER_HISCORE_SERVER", ("127.0.0.1:" + std::to_string(port)).c_str());
    }
    void write(const std::string& name, int score) {
        ASSERT_EQ(rawGet(server_->port(), writePath(name, std::to_string(score))).status, 200);
    }
    // The global table, best slot (9) first.
    std::vector<Slot> table() const {
        std::vector<Slot> out;
        for (int s = game::kHiscoreEntries - 1; s >= 0; --s) out.push_back({G().GlobalName(s).c_str(), G().GlobalScore(s)});
        return out;
    }
    static std::vector<Slot> placeholders() { return std::vector<Slot>(game::kHiscoreEntries, kPlaceholder); }

    ScratchFolder scratch;
    std::unique_ptr<HiscoredProcess> server_;
    std::unique_ptr<ScopedEnv> env_;
};

TEST_F(OnlineTest, ServerAddressComesFromTheEnvironmentWithPortEightyByDefault) {
    struct Case {
        const char* value;
        const char* host;
        std::uint16_t port;
    } cases[] = {{"scores.example", "scores.example", 80}, {"10.1.2.3:8080", "10.1.2.3", 8080},
                 {"host:", "host", 80}, {"host:0", "host", 80}, {"host:99999", "host", 80},
                 {"host:8o", "host", 80}, {"", "127.0.0.1", 80}};
    for (const Case& k : cases) {
        ScopedEnv env("RAYVAULTER_HISCORE_SERVER", k.value);
        game::ServerAddress a = game::HiscoreServerAddress();
        EXPECT_STREQ(a.host.c_str(), k.host) << k.value;
        EXPECT_EQ(a.port, k.port) << k.value;
    }
}

TEST_F(OnlineTest, ListsOfAnySizeFillTheTopSlotsAndPlaceholdersBelow) {
    startServer();
    int written = 0;
    for (int size : {0, 3, 9, 10, 15}) {
        for (; written < size; ++written) write("R" + std::to_string(written), 10 * (written + 1));
        game::CheckOnlineHiScore();
        EXPECT_EQ(G().WebOk, 1) << size;
        std::vector<Slot> want = placeholders();
        for (int k = 0; k < std::min(size, 10); ++k) want[k] = {"R" + std::to_string(size - 1 - k), 10.0 * (size - k)};
        EXPECT_EQ(table(), want) << size << " records";
        EXPECT_EQ(ArrayBounds(G().ServerRecords, 0), std::min(size, 10) + 1)
            << "each read starts again from the one blank entry";
    }
    EXPECT_TRUE(std::filesystem::exists(scratch / "global.ini")) << "the reply lies beside the hiscore file";
}

TEST_F(OnlineTest, AnyReplyButAWholeListLeavesThePlaceholderTable) {
    const std::string ok = "HTTP/1.0 200 OK\r\n\r\n";
    std::string record = "1\r\n" + wire("X") + "\r\n" + wire("5") + "\r\n";
    std::string tooMany;
    for (std::size_t i = 0; i <= game::kMaxListRecords; ++i) tooMany += "1\n\n\n";
    struct Case {
        const char* what;
        std::vector<std::string> chunks;
    } cases[] = {
        {"empty body", {ok}},
        {"server error page", {"HTTP/1.0 500 Oops\r\n\r\n<html>broken</html>"}},
        {"a whole list under a 404", {"HTTP/1.0 404 Not Found\r\n\r\n" + record + "eof\r\n"}},
        {"no eof", {ok + record + record}},
        {"cut inside a record", {ok + record + "2\r\n" + wire("Y")}},
        {"no empty line after the header", {"HTTP/1.0 200 OK\r\n" + record + "eof\r\n"}},
        {"no reply at all", {}},
        {"over ten thousand records", {ok + tooMany + "eof\n"}},
    };
    for (const Case& k : cases) {
        // A good read first, so a failed one has a full table to spoil.
        {
            LoopbackServer good([&](const std::string&) { return LoopbackReply{{ok + record + "eof\r\n"}}; });
            pointAt(good.port());
            game::CheckOnlineHiScore();
            ASSERT_EQ(G().WebOk, 1);
        }
        LoopbackServer bad([&](const std::string&) { return LoopbackReply{k.chunks}; });
        pointAt(bad.port());
        game::CheckOnlineHiScore();
        EXPECT_EQ(G().WebOk, 0) << k.what;
        EXPECT_EQ(table(), placeholders()) << k.what;
    }
    pointAt(LoopbackServer::closedPort());
    game::CheckOnlineHiScore();
    EXPECT_EQ(G().WebOk, 0) << "server down";
    EXPECT_EQ(table(), placeholders());
}

TEST_F(OnlineTest, RecordsInAnyOrderAndEitherHexCaseAreSortedBestFirst) {
    std::string upper = wire("UP");
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string body = "3\n" + wire("LOW") + "\n" + wire("5") + "\n1\r\n" + upper + "\r\n" + wire("50") +
                       "\r\n2\n" + wire("MID") + "\n" + wire("20") + "\neof";
    LoopbackServer server([&](const std::string&) { return LoopbackReply{{"HTTP/1.0 200 OK\n\n" + body}}; });
    pointAt(server.port());
    game::CheckOnlineHiScore();
    ASSERT_EQ(G().WebOk, 1);
    std::vector<Slot> want = placeholders();
    want[0] = {"UP", 50};
    want[1] = {"MID", 20};
    want[2] = {"LOW", 5};
    EXPECT_EQ(table(), want);
}

TEST_F(OnlineTest, StartUpSendsPendingEntriesAboveTheGlobalTenthOnly) {
    startServer();
    for (int i = 1; i <= 10; ++i) write("G" + std::to_string(i), 100 * i);
    // Pending entries above, equal to and below the global tenth (100).
    G().LocalScore(5) = 150, G().LocalName(5) = "ABOVE", G().LocalSent(5) = 0;
    G().LocalScore(4) = 100, G().LocalName(4) = "EQUAL", G().LocalSent(4) = 0;
    G().LocalScore(3) = 99, G().LocalName(3) = "BELOW", G().LocalSent(3) = 0;
    G().LocalScore(9) = 5000;  // already sent: never again
    game::CheckOnlineHiScore();
    ASSERT_EQ(G().WebOk, 1);
    int frames = runRoutine([] { game::UploadPendingEntries(game::UploadForm::StartUp); }, 20);
    EXPECT_EQ(frames, game::kHiscoreEntries) << "one frame per local entry";
    EXPECT_EQ(G().LocalSent(5), 1);
    EXPECT_EQ(G().LocalSent(4), 0);
    EXPECT_EQ(G().LocalSent(3), 0);
    EXPECT_EQ(G().GlobalStale, 1);
    std::vector<Slot> t = table();
    EXPECT_EQ(t[9], (Slot{"ABOVE", 150})) << "the list was read again after the upload";
    EXPECT_EQ(t[0], (Slot{"G10", 1000}));
    EXPECT_EQ(server_->accessLog().find("5000"), std::string::npos);
}

TEST_F(OnlineTest, SaveUploadsAQualifyingScoreAndShowsItAfterTheReRead) {
    startServer();
    write("OLD", 10);
    game::CheckOnlineHiScore();
    ASSERT_EQ(G().WebOk, 1);
    G().LocalScore(9) = 777, G().LocalName(9) = "NEW", G().LocalSent(9) = 0;
    std::string shown;
    runRoutine(game::SaveHiScore, 5, [&](int frame) {
        if (frame == 1) shown = readCells(96, 448, 28);
    });
    EXPECT_EQ(shown, "UPLOADING HISCORES TO SERVER");
    EXPECT_EQ(G().LocalSent(9), 1);
    EXPECT_EQ(table()[0], (Slot{"NEW", 777}));
    EXPECT_EQ(table()[1], (Slot{"OLD", 10}));
    // The file keeps the sent flag.
    G().LocalSent(9) = 0;
    game::ReadHiscoreFile(G().HiscoreFileName);
    EXPECT_EQ(G().LocalSent(9), 1);
}

TEST_F(OnlineTest, AnErrorStatusKeepsTheEntryPending) {
    startServer({"--write-limit", "1"});
    game::CheckOnlineHiScore();
    ASSERT_EQ(G().WebOk, 1);
    G().LocalScore(8) = 80, G().LocalName(8) = "FIRST", G().LocalSent(8) = 0;
    G().LocalScore(9) = 90, G().LocalName(9) = "SECOND", G().LocalSent(9) = 0;
    runRoutine(game::SaveHiScore, 5);
    EXPECT_EQ(G().LocalSent(8), 1);
    EXPECT_EQ(G().LocalSent(9), 0) << "the server's 429 is no success";
    EXPECT_EQ(G().WebOk, 1) << "the re-read after the pass worked";
    game::ReadHiscoreFile(G().HiscoreFileName);
    EXPECT_EQ(G().LocalSent(9), 0) << "stored as still to send";
}

}  // namespace
}  // namespace qvt::test
