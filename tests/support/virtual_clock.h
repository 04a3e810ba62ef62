// Virtual time for tests: the runtime's clock and sleep run on a counter the test moves.
#pragma once

#include <vector>

namespace qvt::test {

// Installs itself as the platform time source for its lifetime and resets the runtime's
// clock base, so ClockMs() starts at 0.
class VirtualClock {
public:
    // readCostMs: how far every clock read moves time, so a spin-wait terminates.
    explicit VirtualClock(double readCostMs = 0.05);
    ~VirtualClock();
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;

    // Moves virtual time forward (the work a frame does, a pause ...).
    void advance(double ms) { now_ += ms; }
    double now() const { return now_; }
    // Every sleep the runtime asked for, in order.
    const std::vector<int>& sleeps() const { return sleeps_; }

private:
    static double readNow(void* self);
    static void doSleep(void* self, int ms);

    double now_ = 1000.0;  // not 0, so a base of 0 would show up in the tests
    double readCost_;
    std::vector<int> sleeps_;
};

}  // namespace qvt::test
