// The ring buffer under the sorted open list: inserts and removals anywhere, across the
// wrap, checked against std::deque; a full buffer refuses without change.
#include "path/fixed_deque.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>

namespace qvt {
namespace {

TEST(FixedDequeTest, RandomOperationsMatchAReferenceAcrossTheWrap) {
    for (const int capacity : {0, 1, 2, 7, 16}) {
        FixedDeque<int> d(capacity);
        std::deque<int> ref;
        std::mt19937 rng(static_cast<unsigned>(capacity));
        for (int step = 0; step < 4000; ++step) {
            SCOPED_TRACE("capacity " + std::to_string(capacity) + " step " + std::to_string(step));
            const auto n = static_cast<std::int32_t>(ref.size());
            const int op = static_cast<int>(rng() % 4);
            if (op < 2) {  // insert anywhere, or push at the back
                const auto at = op == 0 ? static_cast<std::int32_t>(rng() % (n + 1)) : n;
                ASSERT_EQ(op == 0 ? d.insert(at, step) : d.pushBack(step), n < capacity);
                if (n < capacity) ref.insert(ref.begin() + at, step);
            } else if (op == 2 && n > 0) {
                const auto at = static_cast<std::int32_t>(rng() % n);
                d.erase(at);
                ref.erase(ref.begin() + at);
            } else if (n > 0) {
                ASSERT_EQ(d.back(), ref.back());
                d.popBack();
                ref.pop_back();
            }
            ASSERT_EQ(d.full(), static_cast<int>(ref.size()) == capacity);
            ASSERT_EQ(d.empty(), ref.empty());
            std::deque<int> seen;
            for (std::int32_t i = 0; i < d.size(); ++i) seen.push_back(d[i]);
            ASSERT_EQ(seen, ref);
        }
    }
}

}  // namespace
}  // namespace qvt
