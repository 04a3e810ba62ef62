// The ring buffer under the sorted open list: inserts and removals anywhere, across the
// wrap, checked against std::deque; a full buffer refuses without change.
#include "path/fixed_deque.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>

namespace qvt {
namespace {

void expectSame(const FixedDeque<int>& d, const std::deque<int>& ref, int step) {
    ASSERT_EQ(d.size(), static_cast<std::int32_t>(ref.size())) << "step " << step;
    for (std::size_t i = 0; i < ref.size(); ++i) ASSERT_EQ(d[static_cast<std::int32_t>(i)], ref[i]) << "step " << step << " at " << i;
}

TEST(FixedDequeTest, RandomOperationsMatchAReferenceAcrossTheWrap) {
    for (const int capacity : {0, 1, 2, 7, 16}) {
        FixedDeque<int> d(capacity);
        std::deque<int> ref;
        std::mt19937 rng(static_cast<unsigned>(capacity));
        for (int step = 0; step < 4000; ++step) {
            const int op = static_cast<int>(rng() % 4);
            const auto n = static_cast<std::int32_t>(ref.size());
            if (op == 0) {
                const auto at = static_cast<std::int32_t>(rng() % (n + 1));
                const bool room = n < capacity;
                ASSERT_EQ(d.insert(at, step), room) << "capacity " << capacity << " step " << step;
                if (room) ref.insert(ref.begin() + at, step);
            } else if (op == 1 && n > 0) {
                const auto at = static_cast<std::int32_t>(rng() % n);
                d.erase(at);
                ref.erase(ref.begin() + at);
            } else if (op == 2) {
                ASSERT_EQ(d.pushBack(-step), n < capacity);
                if (n < capacity) ref.push_back(-step);
            } else if (n > 0) {
                ASSERT_EQ(d.back(), ref.back());
                d.popBack();
                ref.pop_back();
            }
            ASSERT_EQ(d.full(), static_cast<int>(ref.size()) == capacity);
            ASSERT_EQ(d.empty(), ref.empty());
            expectSame(d, ref, step);
        }
    }
}

}  // namespace
}  // namespace qvt
