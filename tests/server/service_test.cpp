// hiscored as the game and a browser meet it: real server processes on loopback over
// SQLite and over PostgreSQL.
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <regex>
#include <thread>

#include "support/loopback_server.h"

namespace qvt::test {
namespace {

// The top list as "rank name score" rows (the game's own list reply is read by its tests).
std::vector<std::string> top(std::uint16_t port) {
    std::vector<std::string> out;
    for (const auto& e : nlohmann::json::parse(rawGet(port, "/top.json").body)) {
        out.push_back(e["rank"].dump() + " " + std::string(e["name"]) + " " + e["score"].dump());
    }
    return out;
}

int write(std::uint16_t port, const std::string& name, const std::string& score) {
    RawReply r = rawGet(port, writePath(name, score));
    EXPECT_EQ(r.body, r.status == 200 ? "ok" : r.body);
    return r.status;
}

// The PostgreSQL cases run in the throw-away cluster of pg_virtualenv, which wraps this
// program in the CTest run and sets PGPORT, PGUSER and PGPASSWORD.
class ServiceTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (postgres() && std::getenv("PGPORT") == nullptr) GTEST_SKIP() << "no pg_virtualenv";
    }
    bool postgres() const { return std::string(GetParam()) == "postgresql"; }
    // A fresh database for each call.
    std::string database() {
        static int made = 0;
        std::string name = "t" + std::to_string(++made);
        if (!postgres()) return scratch / (name + ".db");
        EXPECT_EQ(std::system(("createdb -h 127.0.0.1 " + name).c_str()), 0);
        return "postgresql://" + std::string(std::getenv("PGUSER")) + ":" +
               std::getenv("PGPASSWORD") + "@127.0.0.1:" + std::getenv("PGPORT") + "/" + name;
    }
    ScratchFolder scratch;
};

TEST_P(ServiceTest, RanksBestFirstStoresARetryOnceAndAnswersEachPath) {
    HiscoredProcess server(database());
    ASSERT_TRUE(server.ok());
    const char* writes[][2] = {{"LOW", "10"}, {"TIE1", "500"}, {"TOP", "9999999999"}, {"TIE2", "500"},
                               {"Q\"T;--", "300"}, {"TIE1", "500"}, {"TIE1", "500"}};
    for (const auto& w : writes) EXPECT_EQ(write(server.port(), w[0], w[1]), 200) << w[0];
    struct Case {
        std::string path;
        int status;
        std::string body = "";  // a part of it; a refusal's body is one line
    } cases[] = {
        {"/123/ifvdhwrite.php?isoud=zz", 400},
        {"/nothing", 404},
        {"/healthz", 200},
        {"/123/ifvdhread.php", 200, "eof"},
    };
    for (const Case& k : cases) {
        RawReply r = rawGet(server.port(), k.path);
        EXPECT_EQ(r.status, k.status) << k.path;
        EXPECT_NE(r.body.find(k.body), std::string::npos) << k.path << ": " << r.body;
        EXPECT_TRUE(k.status < 400 || std::count(r.body.begin(), r.body.end(), '\n') == 1) << k.path << ": " << r.body;
    }
    EXPECT_EQ(top(server.port()), (std::vector<std::string>{"1 TOP 9999999999", "2 TIE1 500", "3 TIE2 500",
                                                                  "4 Q\"T;-- 300", "5 LOW 10"}))
        << "ranked, ties in the order they came, a retry stored once, nothing refused";
    EXPECT_NE(server.accessLog().find("\"GET /nothing HTTP/1.0\" 404 "), std::string::npos) << server.accessLog();

    // The page: cacheable, revalidated by its tag until a write.
    RawReply page = rawGet(server.port(), "/");
    std::smatch tag;
    ASSERT_TRUE(std::regex_search(page.header, tag, std::regex("ETag: (\"[^\"]+\")"))) << page.header;
    EXPECT_NE(page.header.find("Cache-Control: public"), std::string::npos) << page.header;
    EXPECT_EQ(rawGet(server.port(), "/", "If-None-Match: " + tag[1].str()).status, 304);
    EXPECT_EQ(write(server.port(), "LATER", "600"), 200);
    EXPECT_EQ(rawGet(server.port(), "/", "If-None-Match: " + tag[1].str()).status, 200) << "a write makes the tag stale";
}

TEST_P(ServiceTest, AnAnsweredWriteSurvivesAKillAndReachesEveryInstanceOnTheDatabase) {
    std::string db = database();
    {
        HiscoredProcess server(db);
        ASSERT_TRUE(server.ok());
        EXPECT_EQ(write(server.port(), "KEPT", "4242"), 200);
        EXPECT_EQ(server.stop(SIGKILL), 128 + SIGKILL);
    }
    // Either spelling of a PostgreSQL address opens the same database.
    HiscoredProcess a(postgres() ? "postgres://" + db.substr(db.find("://") + 3) : db), b(db);
    ASSERT_TRUE(a.ok() && b.ok());
    EXPECT_EQ(top(a.port()), std::vector<std::string>{"1 KEPT 4242"});
    EXPECT_EQ(write(a.port(), "FROMA", "100"), 200);
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (top(b.port()).size() < 2 && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(top(b.port()).size(), 2u) << "b did not show a's write within a second";
    EXPECT_EQ(write(b.port(), "FROMA", "100"), 200) << "the same entry through the other instance";
    EXPECT_EQ(top(b.port()).size(), 2u) << "and stored once";
    EXPECT_EQ(a.stop(SIGTERM), 0);
}

INSTANTIATE_TEST_SUITE_P(Stores, ServiceTest, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return std::string(info.param); });

// An idle connection is closed after the time-out; an address holding its share of
// connections gets no more, nor more writes than its share.
TEST(ServiceLimitsTest, IdleAndSurplusConnectionsAndWritesAreCutOff) {
    ScratchFolder scratch;
    HiscoredProcess server(scratch / "limits.db",
                           {"--timeout", "1", "--per-address-connections", "1", "--write-limit", "3"});
    ASSERT_TRUE(server.ok());
    pollfd idle{connectLoopback(server.port()), POLLIN, 0};
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(rawGet(server.port(), "/healthz").status, 0) << "a second connection from the same address";
    char c;
    EXPECT_TRUE(::poll(&idle, 1, 5000) > 0 && ::recv(idle.fd, &c, 1, 0) <= 0) << "an idle connection outlived the time-out";
    ::close(idle.fd);
    EXPECT_EQ(rawGet(server.port(), "/healthz").status, 200) << "served again once the idle one is gone";
    for (int i = 0; i < 3; ++i) EXPECT_EQ(write(server.port(), "W" + std::to_string(i), "5"), 200);
    EXPECT_EQ(write(server.port(), "W9", "5"), 429);
    EXPECT_EQ(top(server.port()).size(), 3u) << "the refused write was not stored; reads go on";
}

// What a browser shows: the rows in rank order, a name with markup as its text.
TEST(LeaderboardBrowserTest, ShowsRowsInOrderAndNamesAsText) {
    const std::string browser = "/usr/bin/chromium";
    if (!std::filesystem::exists(browser)) GTEST_SKIP() << "chromium is not installed";
    ScratchFolder scratch;
    HiscoredProcess server(scratch / "page.db");
    ASSERT_TRUE(server.ok());
    for (const char* name : {"<b>x</b>", "SECOND", "A&B"}) write(server.port(), name, "300");
    const std::string command = browser + " --headless --no-sandbox --disable-gpu --no-first-run"
                                " --disable-background-networking --disable-component-update --disable-sync"
                                " --user-data-dir=" + scratch / "profile" + " --dump-dom http://127.0.0.1:" +
                                std::to_string(server.port()) + "/ >" + scratch / "dom" + " 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    const std::string dom = readText(scratch / "dom");
    EXPECT_EQ(dom.find("<b>x</b>"), std::string::npos) << "the name became markup";
    const std::size_t first = dom.find("&lt;b&gt;x&lt;/b&gt;"), second = dom.find(">SECOND<"),
                      third = dom.find(">A&amp;B<");
    EXPECT_LT(first, second) << dom;
    EXPECT_LT(second, third);
    EXPECT_NE(third, std::string::npos);
}

}  // namespace
}  // namespace qvt::test
