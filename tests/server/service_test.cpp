// hiscored as the game and a browser meet it: real server processes on loopback over
// SQLite and over a PostgreSQL cluster of this program's own (started once for all cases).
#include <poll.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <thread>

#include "core/cipher.h"
#include "support/hiscored.h"
#include "support/loopback_server.h"

namespace qvt::test {
namespace {

// The list reply as "rank name score" lines, deciphered; "eof" must end it.
std::vector<std::string> readList(std::uint16_t port) {
    std::istringstream in(rawGet(port, "/123/ifvdhread.php").body);
    std::vector<std::string> lines, out;
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.find('\r')));
    if (lines.empty() || lines.back() != "eof") return {"no eof"};
    for (std::size_t i = 0; i + 3 <= lines.size(); i += 3) {
        out.push_back(lines[i] + " " + DecryptText("5hwintor", lines[i + 1].c_str()).c_str() + " " +
                      DecryptText("5hwintor", lines[i + 2].c_str()).c_str());
    }
    return out;
}

int write(std::uint16_t port, const std::string& name, const std::string& score) {
    RawReply r = rawGet(port, writePath(name, score));
    EXPECT_EQ(r.body, r.status == 200 ? "ok" : r.body);
    return r.status;
}

class ServiceTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        static PgCluster cluster;  // one for the whole program, stopped at its exit
        cluster_ = &cluster;
        if (postgres() && !cluster_->available()) GTEST_SKIP() << "no PostgreSQL: " << cluster_->why();
    }
    bool postgres() const { return std::string(GetParam()) == "postgresql"; }
    // A fresh database for each call.
    std::string database() {
        static int made = 0;
        std::string name = "t" + std::to_string(::getpid()) + "_" + std::to_string(++made);
        return postgres() ? cluster_->database(name) : scratch / (name + ".db");
    }
    PgCluster* cluster_ = nullptr;
    ScratchFolder scratch;
};

TEST_P(ServiceTest, RanksBestFirstStoresARetryOnceAndTurnsAwayBadWrites) {
    HiscoredProcess server(database());
    ASSERT_TRUE(server.ok()) << server.errors();
    EXPECT_EQ(readList(server.port()), std::vector<std::string>{}) << "an empty list is still a whole list";
    const char* writes[][2] = {{"LOW", "10"}, {"TIE1", "500"}, {"TOP", "9999999999"}, {"TIE2", "500"},
                               {"Q\"T;--", "300"}, {"TIE1", "500"}, {"TIE1", "500"}};
    for (const auto& w : writes) EXPECT_EQ(write(server.port(), w[0], w[1]), 200) << w[0];
    std::string name = EncryptText("5hwintor", "ACE").c_str(), score = EncryptText("5hwintor", "77").c_str();
    std::pair<std::string, int> refused[] = {
        {"/123/ifvdhwrite.php", 400},
        {"/123/ifvdhwrite.php?isoud=" + name, 400},
        {"/123/ifvdhwrite.php?isoud=xyz&eakcs=" + score, 400},
        {"/123/ifvdhwrite.php?isoud=" + name + "&eakcs=" + EncryptText("5hwintor", "-1").c_str(), 400},
        {"/123/ifvdhwrite.php?isoud=" + std::string(EncryptText("x", "ACE").c_str()) + "&eakcs=" + score, 400},
        {writePath("ELEVENCHARS", "5"), 400},
        {writePath("A\x01", "5"), 400},
        {"/nothing", 404},
        {"/123/ifvdhread.php/x", 404},
    };
    for (const auto& [path, status] : refused) {
        RawReply r = rawGet(server.port(), path);
        EXPECT_EQ(r.status, status) << path;
        EXPECT_EQ(std::count(r.body.begin(), r.body.end(), '\n'), 1) << path << ": one line, got " << r.body;
    }
    EXPECT_EQ(readList(server.port()), (std::vector<std::string>{"1 TOP 9999999999", "2 TIE1 500", "3 TIE2 500",
                                                                  "4 Q\"T;-- 300", "5 LOW 10"}))
        << "ranked, ties in the order they came, a retry stored once, nothing refused";
    for (int i = 0; i < 12; ++i) write(server.port(), "FILL" + std::to_string(i), std::to_string(600 + i));
    std::vector<std::string> ten = readList(server.port());
    ASSERT_EQ(ten.size(), 10u) << "the list holds the ten best";
    EXPECT_EQ(ten[1], "2 FILL11 611");
    EXPECT_EQ(ten[9], "10 FILL3 603");
    RawReply json = rawGet(server.port(), "/top.json");
    EXPECT_EQ(json.status, 200);
    EXPECT_NE(json.body.find(R"({"rank":17,"name":"LOW","score":10,)"), std::string::npos) << json.body;
    EXPECT_NE(json.body.find(R"("name":"Q\"T;--")"), std::string::npos);
    EXPECT_EQ(rawGet(server.port(), "/healthz").status, 200);
    EXPECT_NE(server.accessLog().find("\"GET /nothing HTTP/1.0\" 404 "), std::string::npos) << server.accessLog();
}

TEST_P(ServiceTest, LimitsWritesPerAddress) {
    HiscoredProcess server(database(), {"--write-limit", "3"});
    ASSERT_TRUE(server.ok()) << server.errors();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(write(server.port(), "W" + std::to_string(i), "5"), 200);
    EXPECT_EQ(write(server.port(), "W9", "5"), 429);
    EXPECT_EQ(readList(server.port()).size(), 3u) << "the refused write was not stored; reads go on";
}

TEST_P(ServiceTest, AnAnsweredWriteSurvivesAKillAndTheServerStopsCleanlyOnSigterm) {
    std::string db = database();
    {
        HiscoredProcess server(db);
        ASSERT_TRUE(server.ok()) << server.errors();
        EXPECT_EQ(write(server.port(), "KEPT", "4242"), 200);
        EXPECT_EQ(server.stop(SIGKILL), 128 + SIGKILL);
    }
    // Either spelling of a PostgreSQL address opens the same database.
    HiscoredProcess again(postgres() ? "postgres://" + db.substr(db.find("://") + 3) : db);
    ASSERT_TRUE(again.ok()) << again.errors();
    EXPECT_EQ(readList(again.port()), std::vector<std::string>{"1 KEPT 4242"});
    EXPECT_EQ(again.stop(SIGTERM), 0);
}

TEST_P(ServiceTest, InstancesOnOneDatabaseSeeEachOthersWritesWithinASecond) {
    std::string db = database();
    HiscoredProcess a(db), b(db);
    ASSERT_TRUE(a.ok() && b.ok()) << a.errors() << b.errors();
    EXPECT_EQ(write(a.port(), "FROMA", "100"), 200);
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (readList(b.port()).empty() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(readList(b.port()).size(), 1u) << "b did not show a's write within a second";
    EXPECT_EQ(write(b.port(), "FROMA", "100"), 200) << "the same entry through the other instance";
    EXPECT_EQ(write(b.port(), "FROMB", "200"), 200);
    EXPECT_EQ(readList(b.port()).size(), 2u);
}

TEST_P(ServiceTest, PageIsCacheableAndRevalidates) {
    HiscoredProcess server(database());
    ASSERT_TRUE(server.ok()) << server.errors();
    write(server.port(), "<b>x</b>", "10");
    RawReply page = rawGet(server.port(), "/");
    ASSERT_EQ(page.status, 200);
    EXPECT_NE(page.header.find("Cache-Control: public"), std::string::npos) << page.header;
    std::smatch tag;
    ASSERT_TRUE(std::regex_search(page.header, tag, std::regex("ETag: (\"[^\"]+\")")));
    EXPECT_EQ(rawGet(server.port(), "/", "If-None-Match: " + tag[1].str() + "\r\n").status, 304);
    write(server.port(), "NEXT", "20");
    EXPECT_EQ(rawGet(server.port(), "/", "If-None-Match: " + tag[1].str() + "\r\n").status, 200) << "a write makes the tag stale";
}

INSTANTIATE_TEST_SUITE_P(Stores, ServiceTest, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return std::string(info.param); });

// An idle connection is closed after the time-out; an address holding its share of
// connections gets no more.
TEST(ServiceLimitsTest, IdleAndSurplusConnectionsAreCutOff) {
    ScratchFolder scratch;
    HiscoredProcess server(scratch / "limits.db", {"--timeout", "1", "--per-address-connections", "2"});
    ASSERT_TRUE(server.ok()) << server.errors();
    int idle[] = {connectLoopback(server.port()), connectLoopback(server.port())};
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(rawGet(server.port(), "/healthz").status, 0) << "a third connection from the same address";
    for (int fd : idle) {
        pollfd p{fd, POLLIN, 0};
        char c;
        EXPECT_TRUE(::poll(&p, 1, 5000) > 0 && ::recv(fd, &c, 1, 0) <= 0) << "an idle connection outlived the time-out";
        ::close(fd);
    }
    EXPECT_EQ(rawGet(server.port(), "/healthz").status, 200) << "served again once the idle ones are gone";
}

// What a browser shows: the rows in rank order, a name with markup as its text.
TEST(LeaderboardBrowserTest, ShowsRowsInOrderAndNamesAsText) {
    std::string browser = std::filesystem::exists("/usr/bin/chromium") ? "/usr/bin/chromium" : "/usr/bin/chromium-browser";
    if (!std::filesystem::exists(browser)) GTEST_SKIP() << "chromium is not installed";
    ScratchFolder scratch;
    HiscoredProcess server(scratch / "page.db");
    ASSERT_TRUE(server.ok()) << server.errors();
    for (const char* name : {"<b>x</b>", "SECOND", "A&B"}) write(server.port(), name, "300");
    std::string command = browser + " --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking"
                          " --disable-component-update --disable-sync --user-data-dir=" + scratch / "profile" +
                          " --dump-dom http://127.0.0.1:" + std::to_string(server.port()) + "/";
    std::string dom = runCommand(command);
    EXPECT_EQ(dom.find("<b>x</b>"), std::string::npos) << "the name became markup";
    std::size_t first = dom.find("&lt;b&gt;x&lt;/b&gt;"), second = dom.find(">SECOND<"), third = dom.find(">A&amp;B<");
    EXPECT_LT(first, second) << dom;
    EXPECT_LT(second, third);
    EXPECT_NE(third, std::string::npos);
}

}  // namespace
}  // namespace qvt::test
