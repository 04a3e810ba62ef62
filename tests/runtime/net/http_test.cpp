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

class HttpTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(NetOpenSockets(), 0) << "a call left a socket open";
        EXPECT_EQ(NetStartCount(), 0) << "a call left the socket layer started";
    }
    // One call into a fresh target file: its result; the file's text in file, the time in ms.
    std::int32_t get(std::uint16_t port, const char* host, const char* path, std::int32_t timeoutMs, char* out = nullptr,
                     std::int32_t outSize = 0) {
        RuntimeString target((scratch / "reply").c_str());
        std::filesystem::remove(scratch / "reply");
        auto start = std::chrono::steady_clock::now();
        std::int32_t result = HttpGetToFile(host, path, port, &target, out, outSize, timeoutMs);
        ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        EXPECT_TRUE(std::filesystem::exists(scratch / "reply")) << "the target is made first and stays";
        file = readText(scratch / "reply");
        return result;
    }
    std::string file;
    double ms = 0;
    ScratchFolder scratch;
};

TEST_F(HttpTest, SendsTheRequestAndFindsTheHeaderEndInAnyFormAndAcrossReads) {
    std::string many;
    std::vector<std::string> manyChunks{kOk};
    for (int i = 0; i < 40; ++i) many += manyChunks.emplace_back("line " + std::to_string(i) + "\n");
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
        LoopbackServer server({k.chunks});
        EXPECT_EQ(get(server.port(), "127.0.0.1", "/123/ifvdhwrite.php?isoud=ab&eakcs=cd", 2000), 1) << k.what;
        EXPECT_EQ(file, k.body) << k.what;
        EXPECT_EQ(HttpLastStatus(), k.status) << k.what;
        EXPECT_EQ(server.requests(), std::vector<std::string>{"GET /123/ifvdhwrite.php?isoud=ab&eakcs=cd HTTP/1.0\r\n"
                                                              "Host:127.0.0.1\r\nAccept: */*\r\nUser-Agent: Quivent\r\n\r\n"});
    }
    // A buffer takes size - 1 bytes and stays terminated; the reply is complete once it is full.
    LoopbackServer server({{kOk + "0123", "456789"}});
    char out[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    ASSERT_EQ(get(server.port(), "127.0.0.1", "/", 2000, out, sizeof out), 1);
    EXPECT_STREQ(out, "01234");
    EXPECT_EQ(file.substr(0, 4), "0123");
}

TEST_F(HttpTest, FailuresReturnZeroInTimeWithTheTargetFileOnDisk) {
    // A loopback port whose listen queue (of one) is full: SYNs to it go unanswered.
    std::uint16_t fullPort = 0;
    int full = listenLoopback(fullPort, 0), filler = connectLoopback(fullPort);
    std::string kib(256 * 1024, 'z');
    enum To { kServer, kClosed, kFull };
    struct Case {
        const char* what;
        To to = kServer;
        std::vector<std::string> chunks = {};
        bool holdOpen = false;
        std::int32_t timeoutMs = 2000;
        double minMs = 0, maxMs = 5000;
        std::string file = "";
        const char* host = "127.0.0.1";
        const char* path = "/x";  // unsafe text is refused before anything is sent
    } cases[] = {
        {.what = "refused at once", .to = kClosed, .timeoutMs = 5000, .maxMs = 2500},
        {.what = "connect time-out", .to = kFull, .timeoutMs = 300, .minMs = 250},
        {.what = "never answers: four connect time-outs in all", .holdOpen = true, .timeoutMs = 150, .minMs = 550},
        {.what = "part of a body, then silence", .chunks = {kOk + "part"}, .holdOpen = true, .timeoutMs = 150,
         .file = "part"},
        {.what = "a body over 1 MiB", .chunks = {kOk, kib, kib, kib, kib, "!"}},
        {.what = "CR LF in the path", .path = "/a\r\nX-Injected: 1"},
        {.what = "delete char in the host", .host = "127.0.0.1\x7f"},
    };
    for (const Case& k : cases) {
        LoopbackServer server({k.chunks, k.holdOpen});
        char out[4] = {'x', 'x', 'x', 'x'};  // no connection: emptied all the same
        std::uint16_t port = k.to == kServer ? server.port() : k.to == kClosed ? LoopbackServer::closedPort() : fullPort;
        EXPECT_EQ(get(port, k.host, k.path, k.timeoutMs, k.to == kServer ? nullptr : out, sizeof out), 0) << k.what;
        EXPECT_EQ(file.substr(0, k.file.size()), k.file) << k.what;
        EXPECT_LE(file.size(), static_cast<std::size_t>(kHttpMaxBody)) << k.what;
        EXPECT_GE(ms, k.minMs) << k.what;
        EXPECT_LT(ms, k.maxMs) << k.what;
        if (k.to != kServer) {
            EXPECT_EQ(out[0], 0) << k.what;
            EXPECT_EQ(NetLastError() == kNetErrTimedOut, k.to == kFull) << k.what;
        }
        bool safe = std::string(k.host) == "127.0.0.1" && std::string(k.path) == "/x";
        EXPECT_EQ(server.requests().size(), k.to == kServer && safe ? 1u : 0u) << k.what;
    }
    ::close(filler);
    ::close(full);
    LoopbackServer server({{kOk + "never"}});
    RuntimeString memory("mem://      1a.  401000");
    EXPECT_EQ(HttpGetToFile("127.0.0.1", "/", server.port(), &memory, nullptr, 0, 2000), 0);
    EXPECT_TRUE(server.requests().empty()) << "a memory-file target fails before connecting";
}

}  // namespace
}  // namespace qvt::test
