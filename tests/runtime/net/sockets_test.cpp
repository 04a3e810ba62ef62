// The socket layer's start count: the last stop (or the shutdown step) closes whatever is
// still open.
#include <unistd.h>

#include <gtest/gtest.h>

#include "core/lifecycle.h"
#include "net/sockets.h"
#include "support/loopback_server.h"

namespace qvt::test {
namespace {

TEST(SocketsTest, TheLastStopOrTheShutdownStepClosesWhatIsOpen) {
    std::uint16_t port = 0;
    int listener = listenLoopback(port);  // never accepts: connects complete in its queue
    NetStart();
    NetStart();
    NetAddress to = NetLookupHost("127.0.0.1", port);
    ASSERT_GE(TcpConnect(to, 2000), 0);
    NetStop();
    EXPECT_EQ(NetOpenSockets(), 1) << "one start is still counted";
    NetStop();
    EXPECT_EQ(NetOpenSockets(), 0);
    NetStart();
    ASSERT_GE(TcpConnect(to, 2000), 0);
    StopSubsystems();
    EXPECT_EQ(NetOpenSockets(), 0) << "the shutdown step closes what is open";
    EXPECT_EQ(NetStartCount(), 0);
    ::close(listener);
}

}  // namespace
}  // namespace qvt::test
