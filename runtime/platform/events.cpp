#include "platform/events.h"

#include <deque>

#include "platform/os.h"
#include "platform/testing.h"

namespace qvt::platform {

namespace {

constexpr std::size_t kMaxInjectedEvents = 256;
constexpr double kAtOnce = -1.0e300;

struct Injected {
    Event event;
    double atMs;
};

const Event* handling = nullptr;
std::deque<Injected> injected;

}  // namespace

const Event* currentEvent() { return handling; }

void setCurrentEvent(const Event* event) { handling = event; }

bool injectEvent(const Event& event, double atMs) {
    if (injected.size() >= kMaxInjectedEvents) return false;
    injected.push_back({event, atMs});
    return true;
}

bool takeInjectedEvent(Event* event) {
    if (injected.empty()) return false;
    // The clock is read only for a timed event: a virtual clock moves on every read.
    if (injected.front().atMs > kAtOnce && injected.front().atMs > nowMs()) return false;
    *event = injected.front().event;
    injected.pop_front();
    return true;
}

void clearInjectedEvents() { injected.clear(); }

}  // namespace qvt::platform
