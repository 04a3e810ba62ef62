// The HTTP GET client against a server thread on loopback: the request's bytes, the
// header's end in every form and across reads, the body in pieces, and every way a call
// fails (refused, silent, too slow, too long, unsafe text, memory-file target).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/lifecycle.h"
#include "net/http.h"
#include "net/sockets.h"
#include "support/files.h"
#include "support/loopback_server.h"

namespace qvt::test {
namespace {

const std::string kOkHeader = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n";

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

    Call get(std::uint16_t port, const char* path = "/x", std::int32_t timeoutMs = 2000,
             const char* host = "127.0.0.1") {
        RuntimeString target((scratch / "reply").c_str());
        std::filesystem::remove(scratch / "reply");
        auto start = std::chrono::steady_clock::now();
        Call c;
        c.result = HttpGetToFile(host, path, port, &target, nullptr, 0, timeoutMs);
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

TEST_F(HttpTest, SendsTheRequestByteForByteWithTheHostAloneAfterHost) {
    LoopbackServer server(send({kOkHeader + "fine"}));
    Call c = get(server.port(), "/123/ifvdhwrite.php?isoud=ab&eakcs=cd");
    ASSERT_EQ(c.result, 1);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0],
              "GET /123/ifvdhwrite.php?isoud=ab&eakcs=cd HTTP/1.0\r\nHost:127.0.0.1\r\n"
              "Accept: */*\r\nUser-Agent: Quivent\r\n\r\n");
    EXPECT_EQ(c.file, "fine");
    EXPECT_EQ(HttpLastStatus(), 200);
}

TEST_F(HttpTest, HeaderEndsAtTheSecondLineFeedInAnyFormAndAcrossReads) {
    std::string many;
    std::vector<std::string> manyChunks{kOkHeader};
    for (int i = 0; i < 40; ++i) {
        std::string piece = "line " + std::to_string(i) + "\n";
        many += piece;
        manyChunks.push_back(piece);
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
        Call c = get(server.port());
        EXPECT_EQ(c.result, 1) << k.what;
        EXPECT_EQ(c.file, k.body) << k.what;
        EXPECT_EQ(HttpLastStatus(), k.status) << k.what;
    }
}

TEST_F(HttpTest, OutputBufferTakesSizeMinusOneBytesAndStaysTerminated) {
    LoopbackServer server(send({kOkHeader + "0123", "456789"}));
    char out[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    RuntimeString target((scratch / "both").c_str());
    ASSERT_EQ(HttpGetToFile("127.0.0.1", "/", server.port(), &target, out, sizeof out, 2000), 1);
    EXPECT_STREQ(out, "01234");
    // The reply counts as complete once the buffer is full: the file has what came by then.
    EXPECT_EQ(readText(scratch / "both").substr(0, 4), "0123");
}

// A loopback port whose listen queue is full: SYNs to it go unanswered, as to an address
// that does not answer.
class FullListenQueue {
public:
    FullListenQueue() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof at;
        ::bind(fd_, reinterpret_cast<sockaddr*>(&at), sizeof at);
        ::listen(fd_, 0);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&at), &size);
        port_ = ntohs(at.sin_port);
        for (int i = 0; i < 3; ++i) {
            int c = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            ::connect(c, reinterpret_cast<sockaddr*>(&at), sizeof at);
            fillers_.push_back(c);
        }
        ::usleep(50 * 1000);
    }
    ~FullListenQueue() {
        for (int c : fillers_) ::close(c);
        ::close(fd_);
    }
    std::uint16_t port() const { return port_; }

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
    std::vector<int> fillers_;
};

TEST_F(HttpTest, FailuresReturnZeroAndLeaveTheTargetFileOnDisk) {
    {
        SCOPED_TRACE("refused");
        Call c = get(LoopbackServer::closedPort(), "/x", 5000);
        EXPECT_EQ(c.result, 0);
        EXPECT_LT(c.ms, 2500) << "a refused connection must not wait for the time-out";
        EXPECT_TRUE(c.fileExists);
        EXPECT_NE(NetLastError(), kNetErrTimedOut);
    }
    {
        SCOPED_TRACE("connect time-out");
        FullListenQueue queue;
        Call c = get(queue.port(), "/x", 300);
        EXPECT_EQ(c.result, 0);
        EXPECT_EQ(NetLastError(), kNetErrTimedOut);
        EXPECT_GE(c.ms, 250);
        EXPECT_TRUE(c.fileExists);
    }
    {
        SCOPED_TRACE("a server that never answers");
        LoopbackServer server(send({}, true));
        Call c = get(server.port(), "/x", 150);
        EXPECT_EQ(c.result, 0);
        EXPECT_GE(c.ms, 4 * 150 - 50) << "the whole call is bound by four connect time-outs";
        EXPECT_TRUE(c.fileExists);
    }
    {
        SCOPED_TRACE("part of a body, then silence");
        LoopbackServer server(send({kOkHeader + "part"}, true));
        Call c = get(server.port(), "/x", 150);
        EXPECT_EQ(c.result, 0);
        EXPECT_EQ(c.file, "part");
    }
    {
        SCOPED_TRACE("a body over the limit");
        std::string mib(256 * 1024, 'z');
        LoopbackServer server(send({kOkHeader, mib, mib, mib, mib, "!"}));
        Call c = get(server.port());
        EXPECT_EQ(c.result, 0);
        EXPECT_TRUE(c.fileExists);
        EXPECT_LE(c.file.size(), static_cast<std::size_t>(kHttpMaxBody));
    }
}

TEST_F(HttpTest, UnsafeTextAndMemoryTargetsAreRefusedWithoutSending) {
    LoopbackServer server(send({kOkHeader + "never"}));
    struct Case {
        const char* host;
        const char* path;
    } cases[] = {
        {"127.0.0.1", "/a\r\nX-Injected: 1"}, {"127.0.0.1", "/a\nb"}, {"127.0.0.1", "/a b"},
        {"127.0.0.1", "/a\tb"}, {"127.0.0.1\r\nX: y", "/"}, {"127.0.0.1\x7f", "/"},
    };
    for (const Case& k : cases) {
        Call c = get(server.port(), k.path, 2000, k.host);
        EXPECT_EQ(c.result, 0) << k.path;
        EXPECT_TRUE(c.fileExists) << "the target is made before the request is looked at";
    }
    RuntimeString memory("mem://      1a.  401000");
    EXPECT_EQ(HttpGetToFile("127.0.0.1", "/", server.port(), &memory, nullptr, 0, 2000), 0);
    EXPECT_EQ(server.connections(), 0);
}

TEST_F(HttpTest, TheShutdownStepClosesEveryOpenSocket) {
    NetStart();
    LoopbackServer server(send({}, true));
    NetAddress to = NetLookupHost("127.0.0.1", server.port());
    int entry = TcpConnect(to, 2000);
    ASSERT_GE(entry, 0);
    EXPECT_EQ(NetOpenSockets(), 1);
    StopSubsystems();
    EXPECT_EQ(NetOpenSockets(), 0);
    EXPECT_EQ(NetStartCount(), 0);
}

}  // namespace
}  // namespace qvt::test
