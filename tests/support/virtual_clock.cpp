#include "app/testing.h"
#include "support/virtual_clock.h"

#include "core/clock.h"
#include "platform/os.h"

namespace qvt::test {

VirtualClock::VirtualClock(double readCostMs) : readCost_(readCostMs) {
    platform::TimeSource src{readNow, doSleep, this};
    platform::setTimeSource(&src);
    ResetClockBase();
}

VirtualClock::~VirtualClock() {
    platform::setTimeSource(nullptr);
    ResetClockBase();
}

double VirtualClock::readNow(void* self) {
    auto* c = static_cast<VirtualClock*>(self);
    ++c->reads_;
    double t = c->now_;
    c->now_ += c->readCost_;
    return t;
}

void VirtualClock::doSleep(void* self, int ms) {
    auto* c = static_cast<VirtualClock*>(self);
    c->sleeps_.push_back(ms);
    if (ms > 0) c->now_ += ms;
}

}  // namespace qvt::test
