// hiscored as the game and a browser meet it: real server processes on loopback over
// SQLite and over a PostgreSQL cluster of this program's own (started once for all cases).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <regex>
#include <sstream>
#include <thread>

#include "core/cipher.h"
#include "support/files.h"
#include "support/hiscored.h"

namespace qvt::test {
namespace {

using Clock = std::chrono::steady_clock;

PgCluster& cluster() {
    static std::unique_ptr<PgCluster> pg = std::make_unique<PgCluster>();
    return *pg;
}

// The list reply as (rank, name, score) lines, deciphered; "eof" must end it.
struct Listed {
    std::string rank, name, score;
    bool operator==(const Listed&) const = default;
};
std::vector<Listed> readList(std::uint16_t port, bool* endsWithEof = nullptr) {
    RawReply r = rawGet(port, "/123/ifvdhread.php");
    std::vector<std::string> lines;
    std::istringstream in(r.body);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    if (endsWithEof != nullptr) *endsWithEof = !lines.empty() && lines.back() == "eof";
    std::vector<Listed> out;
    for (std::size_t i = 0; i + 3 <= lines.size(); i += 3) {
        out.push_back({lines[i], DecryptText("5hwintor", lines[i + 1].c_str()).c_str(),
                       DecryptText("5hwintor", lines[i + 2].c_str()).c_str()});
    }
    return out;
}

class ServiceTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (postgres() && !cluster().available()) GTEST_SKIP() << "no PostgreSQL: " << cluster().why();
    }
    bool postgres() const { return std::string(GetParam()) == "postgresql"; }
    // A fresh database for each call.
    std::string database() {
        static int made = 0;
        std::string name = "t" + std::to_string(::getpid()) + "_" + std::to_string(++made);
        return postgres() ? cluster().database(name) : scratch / (name + ".db");
    }
    int write(std::uint16_t port, const std::string& name, const std::string& score) {
        RawReply r = rawGet(port, writePath(name, score));
        if (r.status == 200) {
            EXPECT_EQ(r.body, "ok");
        }
        return r.status;
    }

    ScratchFolder scratch;
};

TEST_P(ServiceTest, RanksBestFirstEarlierFirstOnTiesAndStoresARetryOnce) {
    HiscoredProcess server(database(), {"--write-limit", "0"});
    ASSERT_TRUE(server.ok()) << server.errors();
    bool eof = false;
    EXPECT_TRUE(readList(server.port(), &eof).empty());
    EXPECT_TRUE(eof) << "an empty list is still a whole list";

    struct W {
        const char* name;
        const char* score;
    } writes[] = {{"LOW", "10"}, {"TIE1", "500"}, {"TOP", "9999999999"}, {"TIE2", "500"},
                  {"Q\"T;--", "300"}, {"TIE1", "500"}, {"TIE1", "500"}};
    for (const W& w : writes) EXPECT_EQ(write(server.port(), w.name, w.score), 200) << w.name;
    std::vector<Listed> want = {{"1", "TOP", "9999999999"}, {"2", "TIE1", "500"}, {"3", "TIE2", "500"},
                                {"4", "Q\"T;--", "300"}, {"5", "LOW", "10"}};
    EXPECT_EQ(readList(server.port(), &eof), want) << "ranked, ties in the order they came, a retry stored once";
    EXPECT_TRUE(eof);

    for (int i = 0; i < 12; ++i) write(server.port(), "FILL" + std::to_string(i), std::to_string(600 + i));
    std::vector<Listed> ten = readList(server.port(), &eof);
    ASSERT_EQ(ten.size(), 10u) << "the list holds the ten best";
    EXPECT_EQ(ten[1], (Listed{"2", "FILL11", "611"}));
    EXPECT_EQ(ten[9], (Listed{"10", "FILL3", "603"}));
    RawReply json = rawGet(server.port(), "/top.json");
    EXPECT_EQ(json.status, 200);
    EXPECT_NE(json.body.find(R"({"rank":17,"name":"LOW","score":10,)"), std::string::npos) << json.body;
    EXPECT_NE(json.body.find(R"("name":"Q\"T;--")"), std::string::npos);
}

TEST_P(ServiceTest, TurnsAwayBadWritesAndUnknownPathsWithAReason) {
    HiscoredProcess server(database(), {"--write-limit", "0"});
    ASSERT_TRUE(server.ok()) << server.errors();
    std::string name = EncryptText("5hwintor", "ACE").c_str();
    std::string score = EncryptText("5hwintor", "77").c_str();
    struct Case {
        std::string path;
        int status;
    } cases[] = {
        {"/123/ifvdhwrite.php", 400},
        {"/123/ifvdhwrite.php?isoud=" + name, 400},
        {"/123/ifvdhwrite.php?isoud=xyz&eakcs=" + score, 400},
        {"/123/ifvdhwrite.php?isoud=" + name + "&eakcs=" + std::string(EncryptText("5hwintor", "-1").c_str()), 400},
        {"/123/ifvdhwrite.php?isoud=" + std::string(EncryptText("x", "ACE").c_str()) + "&eakcs=" + score, 400},
        {"/nothing", 404},
        {"/123/ifvdhread.php/x", 404},
    };
    for (const Case& k : cases) {
        RawReply r = rawGet(server.port(), k.path);
        EXPECT_EQ(r.status, k.status) << k.path;
        EXPECT_EQ(std::count(r.body.begin(), r.body.end(), '\n'), 1) << k.path << ": one line, got " << r.body;
    }
    EXPECT_TRUE(readList(server.port()).empty()) << "nothing refused was stored";
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
        HiscoredProcess server(db, {"--write-limit", "0"});
        ASSERT_TRUE(server.ok()) << server.errors();
        EXPECT_EQ(write(server.port(), "KEPT", "4242"), 200);
        EXPECT_EQ(server.stop(SIGKILL), 128 + SIGKILL);
    }
    HiscoredProcess again(db);
    ASSERT_TRUE(again.ok()) << again.errors();
    EXPECT_EQ(readList(again.port()), (std::vector<Listed>{{"1", "KEPT", "4242"}}));
    EXPECT_EQ(again.stop(SIGTERM), 0);
}

TEST_P(ServiceTest, InstancesOnOneDatabaseSeeEachOthersWritesWithinASecond) {
    std::string db = database();
    HiscoredProcess a(db, {"--write-limit", "0"});
    HiscoredProcess b(db, {"--write-limit", "0"});
    ASSERT_TRUE(a.ok() && b.ok()) << a.errors() << b.errors();
    EXPECT_EQ(write(a.port(), "FROMA", "100"), 200);
    auto start = Clock::now();
    bool seen = false;
    while (!seen && Clock::now() - start < std::chrono::seconds(1)) {
        seen = !readList(b.port()).empty();
        if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(seen) << "b did not show a's write within a second";
    EXPECT_EQ(write(b.port(), "FROMA", "100"), 200) << "the same entry through the other instance";
    EXPECT_EQ(write(b.port(), "FROMB", "200"), 200);
    EXPECT_EQ(readList(b.port()).size(), 2u);
}

TEST_P(ServiceTest, PageIsCacheableAndRevalidates) {
    HiscoredProcess server(database(), {"--write-limit", "0"});
    ASSERT_TRUE(server.ok()) << server.errors();
    write(server.port(), "<b>x</b>", "10");
    RawReply page = rawGet(server.port(), "/");
    ASSERT_EQ(page.status, 200);
    EXPECT_NE(page.header.find("Cache-Control: public"), std::string::npos) << page.header;
    std::smatch tag;
    ASSERT_TRUE(std::regex_search(page.header, tag, std::regex("ETag: (\"[^\"]+\")")));
    EXPECT_EQ(rawGet(server.port(), "/", "If-None-Match: " + tag[1].str() + "\r\n").status, 304);
    write(server.port(), "NEXT", "20");
    EXPECT_EQ(rawGet(server.port(), "/", "If-None-Match: " + tag[1].str() + "\r\n").status, 200)
        << "a write makes the old tag stale";
}

INSTANTIATE_TEST_SUITE_P(Stores, ServiceTest, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return std::string(info.param); });

// An idle connection is closed after the time-out; an address holding its share of
// connections gets no more, and others are served meanwhile.
TEST(ServiceLimitsTest, IdleAndSurplusConnectionsAreCutOff) {
    ScratchFolder scratch;
    HiscoredProcess server(scratch / "limits.db", {"--timeout", "1", "--per-address-connections", "2"});
    ASSERT_TRUE(server.ok()) << server.errors();
    auto connectIdle = [&] {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(server.port());
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
        return fd;
    };
    // Closed by the server within `ms`: recv sees the end (or a reset).
    auto closedWithin = [](int fd, int ms) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, ms) <= 0) return false;
        char c;
        return ::recv(fd, &c, 1, 0) <= 0;
    };
    int a = connectIdle(), b = connectIdle();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(rawGet(server.port(), "/healthz").status, 0) << "a third connection from the same address";
    EXPECT_TRUE(closedWithin(a, 5000)) << "an idle connection outlived the time-out";
    EXPECT_TRUE(closedWithin(b, 5000));
    ::close(a);
    ::close(b);
    EXPECT_EQ(rawGet(server.port(), "/healthz").status, 200) << "served again once the idle ones are gone";
}

// What a browser shows: the rows in rank order, a name with markup as its text.
TEST(LeaderboardBrowserTest, ShowsRowsInOrderAndNamesAsText) {
    const char* browsers[] = {"/usr/bin/chromium", "/usr/bin/chromium-browser"};
    std::string browser;
    for (const char* b : browsers) {
        if (std::filesystem::exists(b)) browser = b;
    }
    if (browser.empty()) GTEST_SKIP() << "chromium is not installed";
    ScratchFolder scratch;
    HiscoredProcess server(scratch / "page.db", {"--write-limit", "0"});
    ASSERT_TRUE(server.ok()) << server.errors();
    ASSERT_EQ(rawGet(server.port(), writePath("<b>x</b>", "300")).status, 200);
    ASSERT_EQ(rawGet(server.port(), writePath("SECOND", "200")).status, 200);
    ASSERT_EQ(rawGet(server.port(), writePath("A&B", "100")).status, 200);
    std::string command = browser +
                          " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
                          " --disable-background-networking --disable-component-update --disable-sync"
                          " --user-data-dir=" + scratch / "profile" +
                          " --dump-dom http://127.0.0.1:" + std::to_string(server.port()) + "/ 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string dom;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) dom.append(buffer, n);
    ::pclose(pipe);
    ASSERT_FALSE(dom.empty()) << "chromium printed no DOM";
    EXPECT_EQ(dom.find("<b>x</b>"), std::string::npos) << "the name became markup";
    std::size_t first = dom.find("&lt;b&gt;x&lt;/b&gt;"), second = dom.find(">SECOND<"), third = dom.find(">A&amp;B<");
    ASSERT_NE(first, std::string::npos) << dom;
    ASSERT_NE(second, std::string::npos);
    ASSERT_NE(third, std::string::npos);
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
}

}  // namespace
}  // namespace qvt::test
