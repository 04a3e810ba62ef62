// The socket layer's table and start count: entries run out at 1024 with error 8, and the
// last stop (or the shutdown step) closes whatever is still open.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "net/sockets.h"

namespace qvt::test {
namespace {

// A loopback listener that never accepts: connects complete in the kernel's queue.
class Listener {
public:
    Listener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof at;
        ::bind(fd_, reinterpret_cast<sockaddr*>(&at), sizeof at);
        ::listen(fd_, 4096);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&at), &size);
        port_ = ntohs(at.sin_port);
    }
    ~Listener() { ::close(fd_); }
    std::uint16_t port() const { return port_; }

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

class SocketsTest : public ::testing::Test {
protected:
    void TearDown() override { NetShutdown(); }
};

TEST_F(SocketsTest, StopClosesTheTableOnlyAtTheLastStop) {
    Listener listener;
    NetStart();
    NetStart();
    ASSERT_GE(TcpConnect(NetLookupHost("127.0.0.1", listener.port()), 2000), 0);
    NetStop();
    EXPECT_EQ(NetOpenSockets(), 1) << "one start is still counted";
    NetStop();
    EXPECT_EQ(NetOpenSockets(), 0);
    EXPECT_EQ(NetStartCount(), 0);
    NetStop();
    EXPECT_EQ(NetStartCount(), 0) << "never below zero";
}

TEST_F(SocketsTest, TheTableHoldsOneThousandTwentyFourSockets) {
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    const rlim_t needed = kSocketSlots + 64;
    if (files.rlim_max != RLIM_INFINITY && files.rlim_max < needed) GTEST_SKIP() << "too few descriptors allowed";
    rlimit raised = files;
    if (raised.rlim_cur != RLIM_INFINITY && raised.rlim_cur < needed) raised.rlim_cur = needed;
    ::setrlimit(RLIMIT_NOFILE, &raised);

    Listener listener;
    NetStart();
    NetAddress to = NetLookupHost("127.0.0.1", listener.port());
    int last = -1;
    for (int i = 0; i < kSocketSlots; ++i) {
        last = TcpConnect(to, 2000);
        ASSERT_EQ(last, i) << "entries are handed out first free first";
    }
    EXPECT_EQ(TcpConnect(to, 2000), -1);
    EXPECT_EQ(NetLastError(), kNetErrNoFreeEntry);
    NetClose(17);
    EXPECT_EQ(TcpConnect(to, 2000), 17) << "a freed entry is used again";
    NetStop();
    EXPECT_EQ(NetOpenSockets(), 0);
    ::setrlimit(RLIMIT_NOFILE, &files);
}

}  // namespace
}  // namespace qvt::test
