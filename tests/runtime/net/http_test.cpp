// The HTTP GET client against a server thread on loopback: the request's bytes, the
// header's end in every form and across reads, the body in pieces, and every way a call
// fails (refused, silent, too slow, too long, unsafe text, memory-file target).
#include <unistd.h>

#include <gtest/gtest.h>

#include "net/http.h"
#include "net/sockets.h"
#include "support/files.h"
#include "support/loopback_server.h"

namespace qvt::test {
namespace {

const std::string kOk = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n";

struct Call {
    std::int32_t result = 0;
    std::string file;
    bool fileExists = false;
    double ms = 0;
};

class HttpTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(NetOpenSockets(), 0) << "a call left a socket open";
        EXPECT_EQ(NetStartCount(), 0) << "a call left the socket layer started";
    }
    Call get(std::uint16_t port, const char* path = "/x", std::int32_t timeoutMs = 2000, const char* host = "127.0.0.1",
             char* out = nullptr) {
        RuntimeString target((scratch / "reply").c_str());
        std::filesystem::remove(scratch / "reply");
        auto start = std::chrono::steady_clock::now();
        Call c;
        c.result = HttpGetToFile(host, path, port, &target, out, out != nullptr ? 4 : 0, timeoutMs);
        c.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        c.fileExists = std::filesystem::exists(scratch / "reply");
        c.file = readText(scratch / "reply");
        return c;
    }
    ScratchFolder scratch;
};

LoopbackServer::Answer send(std::vector<std::string> chunks, bool holdOpen = false) {
    return [=](const std::string&) { return LoopbackReply{chunks, 20, holdOpen}; };
}

TEST_F(HttpTest, SendsTheRequestAndFindsTheHeaderEndInAnyFormAndAcrossReads) {
    std::string many;
    std::vector<std::string> manyChunks{kOk};
    for (int i = 0; i < 40; ++i) {
        manyChunks.push_back("line " + std::to_string(i) + "\n");
        many += manyChunks.back();
    }
    struct Case {
        const char* what;
        std::vector<std::string> chunks;
        std::string body;
        std::int32_t status;
    } cases[] = {
        {"CR LF CR LF", {"HTTP/1.0 200 OK\r\nA: b\r\n\r\nBODY\r\n"}, "BODY\r\n", 200},
        {"LF LF", {"HTTP/1.0 201 Made\nA: b\n\nBODY"}, "BODY", 201},
        {"LF CR LF", {"HTTP/1.1 204 None\r\nA: b\n\r\nBODY"}, "BODY", 204},
        {"CR LF | CR LF", {"HTTP/1.0 200 OK\r\nA: b\r\n", "\r\nBODY"}, "BODY", 200},
        {"CR | LF CR LF", {"HTTP/1.0 200 OK\r\nA: b\r", "\n\r\nBO", "DY"}, "BODY", 200},
        {"status line in pieces", {"HTTP/1.0 4", "04 Gone\r\n\r\nno"}, "no", 404},
        {"body in many reads", manyChunks, many, 200},
        {"no empty line at all", {"HTTP/1.0 200 OK\r\nA: b\r\nBODY"}, "", 200},
        {"no status line", {"garbage\r\n\r\nBODY"}, "BODY", 0},
        {"empty reply", {}, "", 0},
    };
    for (const Case& k : cases) {
        LoopbackServer server(send(k.chunks));
        Call c = get(server.port(), "/123/ifvdhwrite.php?isoud=ab&eakcs=cd");
        EXPECT_EQ(c.result, 1) << k.what;
        EXPECT_EQ(c.file, k.body) << k.what;
        EXPECT_EQ(HttpLastStatus(), k.status) << k.what;
        EXPECT_EQ(server.requests(), std::vector<std::string>{"GET /123/ifvdhwrite.php?isoud=ab&eakcs=cd HTTP/1.0\r\n"
                                                              "Host:127.0.0.1\r\nAccept: */*\r\nUser-Agent: Quivent\r\n\r\n"});
    }
    // A buffer takes size - 1 bytes and stays terminated; the reply is complete once it is full.
    LoopbackServer server(send({kOk + "0123", "456789"}));
    char out[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    RuntimeString target((scratch / "both").c_str());
    ASSERT_EQ(HttpGetToFile("127.0.0.1", "/", server.port(), &target, out, sizeof out, 2000), 1);
    EXPECT_STREQ(out, "01234");
    EXPECT_EQ(readText(scratch / "both").substr(0, 4), "0123");
}

TEST_F(HttpTest, FailuresReturnZeroAndLeaveTheTargetFileOnDisk) {
    // A loopback port whose listen queue (of one) is full: SYNs to it go unanswered.
    std::uint16_t fullPort = 0;
    int full = listenLoopback(fullPort, 0), filler = connectLoopback(fullPort);
    std::string kib(256 * 1024, 'z');
    enum To { kServer, kClosed, kFull };
    struct Case {
        const char* what;
        To to;
        std::vector<std::string> chunks;
        bool holdOpen;
        std::int32_t timeoutMs;
        double minMs, maxMs;
        std::string file;
    } cases[] = {
        {"refused at once", kClosed, {}, false, 5000, 0, 2500, ""},
        {"connect time-out", kFull, {}, false, 300, 250, 5000, ""},
        {"never answers: four connect time-outs in all", kServer, {}, true, 150, 4 * 150 - 50, 5000, ""},
        {"part of a body, then silence", kServer, {kOk + "part"}, true, 150, 0, 5000, "part"},
        {"a body over 1 MiB", kServer, {kOk, kib, kib, kib, kib, "!"}, false, 2000, 0, 5000, ""},
    };
    for (const Case& k : cases) {
        LoopbackServer server(send(k.chunks, k.holdOpen));
        char out[4] = {'x', 'x', 'x', 'x'};  // no connection: emptied all the same
        Call c = get(k.to == kServer ? server.port() : k.to == kClosed ? LoopbackServer::closedPort() : fullPort, "/x",
                     k.timeoutMs, "127.0.0.1", k.to == kServer ? nullptr : out);
        EXPECT_EQ(c.result, 0) << k.what;
        EXPECT_TRUE(c.fileExists) << k.what;
        EXPECT_EQ(c.file.substr(0, k.file.size()), k.file) << k.what;
        EXPECT_LE(c.file.size(), static_cast<std::size_t>(kHttpMaxBody)) << k.what;
        EXPECT_GE(c.ms, k.minMs) << k.what;
        EXPECT_LT(c.ms, k.maxMs) << k.what;
        if (k.to != kServer) {
            EXPECT_EQ(NetLastError() == kNetErrTimedOut, k.to == kFull) << k.what;
            EXPECT_EQ(out[0], 0) << k.what;
        }
    }
    ::close(filler);
    ::close(full);
}

TEST_F(HttpTest, UnsafeTextAndMemoryTargetsAreRefusedWithoutSending) {
    LoopbackServer server(send({kOk + "never"}));
    const char* cases[][2] = {{"127.0.0.1", "/a\r\nX-Injected: 1"}, {"127.0.0.1", "/a\nb"}, {"127.0.0.1", "/a b"},
                              {"127.0.0.1", "/a\tb"}, {"127.0.0.1\r\nX: y", "/"}, {"127.0.0.1\x7f", "/"}};
    for (const auto& k : cases) {
        Call c = get(server.port(), k[1], 2000, k[0]);
        EXPECT_EQ(c.result, 0) << k[1];
        EXPECT_TRUE(c.fileExists) << "the target is made before the request is looked at";
    }
    RuntimeString memory("mem://      1a.  401000");
    EXPECT_EQ(HttpGetToFile("127.0.0.1", "/", server.port(), &memory, nullptr, 0, 2000), 0);
    EXPECT_TRUE(server.requests().empty());
}

}  // namespace
}  // namespace qvt::test
