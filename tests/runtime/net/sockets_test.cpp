// The socket layer's table and start count: entries run out at 1024 with error 8, and the
// last stop (or the shutdown step) closes whatever is still open.
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "core/lifecycle.h"
#include "net/sockets.h"
#include "support/loopback_server.h"

namespace qvt::test {
namespace {

TEST(SocketsTest, TheTableHoldsOneThousandTwentyFourAndTheLastStopClosesIt) {
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    rlimit raised = files;
    raised.rlim_cur = std::min<rlim_t>(files.rlim_max, kSocketSlots + 64);
    if (raised.rlim_cur < kSocketSlots + 64) GTEST_SKIP() << "too few descriptors allowed";
    ::setrlimit(RLIMIT_NOFILE, &raised);
    std::uint16_t port = 0;
    int listener = listenLoopback(port, 4096);  // never accepts: connects complete in its queue
    NetStart();
    NetStart();
    NetAddress to = NetLookupHost("127.0.0.1", port);
    for (int i = 0; i < kSocketSlots; ++i) ASSERT_EQ(TcpConnect(to, 2000), i) << "first free entry first";
    EXPECT_EQ(TcpConnect(to, 2000), -1);
    EXPECT_EQ(NetLastError(), kNetErrNoFreeEntry);
    NetClose(17);
    EXPECT_EQ(TcpConnect(to, 2000), 17) << "a freed entry is used again";
    NetStop();
    EXPECT_EQ(NetOpenSockets(), kSocketSlots) << "one start is still counted";
    NetStop();
    EXPECT_EQ(NetOpenSockets(), 0);
    NetStop();
    EXPECT_EQ(NetStartCount(), 0) << "never below zero";
    NetStart();
    ASSERT_EQ(TcpConnect(to, 2000), 0);
    StopSubsystems();
    EXPECT_EQ(NetOpenSockets(), 0) << "the shutdown step closes what is open";
    EXPECT_EQ(NetStartCount(), 0);
    ::close(listener);
    ::setrlimit(RLIMIT_NOFILE, &files);
}

}  // namespace
}  // namespace qvt::test
