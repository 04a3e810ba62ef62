// The socket layer's table and start count: the first free entry is taken, and the last
// stop (or the shutdown step) closes whatever is still open.
#include <unistd.h>

#include <gtest/gtest.h>

#include "core/lifecycle.h"
#include "net/sockets.h"
#include "support/loopback_server.h"

namespace qvt::test {
namespace {

TEST(SocketsTest, FreedEntriesAreTakenAgainAndTheLastStopClosesThem) {
    std::uint16_t port = 0;
    int listener = listenLoopback(port);  // never accepts: connects complete in its queue
    NetStart();
    NetStart();
    NetAddress to = NetLookupHost("127.0.0.1", port);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(TcpConnect(to, 2000), i) << "first free entry first";
    NetClose(1);
    EXPECT_EQ(TcpConnect(to, 2000), 1) << "a freed entry is used again";
    NetStop();
    EXPECT_EQ(NetOpenSockets(), 3) << "one start is still counted";
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
}

}  // namespace
}  // namespace qvt::test
