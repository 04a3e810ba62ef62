// FindPath: refusals, paths cell for cell (neighbour order and first in, first out among
// equal f), the weights and the size of the hash sets.
#include "path/find_path.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <utility>
#include <vector>


namespace qvt {
namespace {

using Cells = std::vector<std::pair<int, int>>;
const Cells kUntouched = {{77, 77}};  // FindPath left the path as it was

// Rows of digits, top row first: the digit is the cost, '#' a wall (0), 'n' NaN, 'i' infinity.
RuntimeArray<double> mapOf(const std::vector<std::string>& rows) {
    RuntimeArray<double> map;
    const std::size_t w = rows[0].size();
    DimNumbers(map, static_cast<std::int32_t>(w), static_cast<std::int32_t>(rows.size()));
    for (std::size_t i = 0; i < w * rows.size(); ++i) {  // x runs fastest
        const char c = rows[i / w][i % w];
        map.data()[i] = c == '#' ? 0.0 : c == 'n' ? std::nan("") : c == 'i' ? HUGE_VAL : c - '0';
    }
    return map;
}

// The cells FindPath gives; kUntouched when it kept the old path, {{-1, -1}} for a bad shape.
Cells find(const RuntimeArray<double>& map, double weight, int sx, int sy, int gx, int gy) {
    RuntimeArray<std::int32_t> path;
    path.dimension(1, 1, 0, 0);
    path(0, 0) = 77;
    const int n = FindPath(map, path, weight, sx, sy, gx, gy);
    if (n == 0 && ArrayBounds(path, 0) == 1 && path(0, 0) == 77) return kUntouched;
    if (ArrayBounds(path, 0) != n || path.shape().total != 2 * n) return {{-1, -1}};
    Cells cells;
    for (int i = 0; i < n; ++i) cells.emplace_back(path(i, 0), path(i, 1));
    return cells;
}

TEST(FindPathTest, PathsCellForCell) {
    // What, the map, start x and y, goal x and y, the path.
    using Case = std::tuple<const char*, std::vector<std::string>, int, int, int, int, Cells>;
    const Case cases[] = {
        {"start is goal", {"111", "111"}, 1, 1, 1, 1, kUntouched},
        {"start left of map", {"111", "111"}, -1, 0, 2, 1, kUntouched},
        {"goal right of map", {"111", "111"}, 0, 0, 3, 0, kUntouched},
        {"goal below map", {"111", "111"}, 0, 0, 2, 2, kUntouched},
        {"enclosed goal", {"11#11", "11#11"}, 0, 0, 4, 1, {}},
        {"NaN and infinity are walls", {"11n11", "11i11"}, 0, 0, 4, 1, {}},
        // Equal f: the node that entered first leaves first; up enters before right, right
        // before down.
        {"ties go first in, first out", {"111", "111", "111"}, 0, 0, 2, 2,
         {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}}},
        {"up enters before right", {"111", "111", "111"}, 0, 2, 2, 0,
         {{0, 2}, {0, 1}, {0, 0}, {1, 0}, {2, 0}}},
        {"round a wall, the upper way first", {"11111", "1###1", "11111"}, 0, 1, 4, 1,
         {{0, 1}, {0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {4, 1}}},
    };
    for (const auto& [what, rows, sx, sy, gx, gy, expected] : cases) {
        EXPECT_EQ(find(mapOf(rows), 0.5, sx, sy, gx, gy), expected) << what;
    }

    // Straight through the 9s costs 4 x 2.0 + 1.11, round the 1s 6 x 1.11: only weight 1
    // (greedy) goes straight. Weights outside 0..1 are clamped, NaN reads as 0.
    const Cells round = {{0, 1}, {0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {4, 1}};
    const Cells straight = {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}};
    const std::pair<double, Cells> weights[] = {
        {0.5, round}, {1.0, straight}, {7.5, straight}, {-2.0, round}, {std::nan(""), round}};
    for (const auto& [weight, expected] : weights) {
        EXPECT_EQ(find(mapOf({"11111", "19991", "#####"}), weight, 0, 1, 4, 1), expected)
            << "weight " << weight;
    }
}

// Wide or tall maps grow the exponent; thin ones and small ones keep it near four buckets a cell.
TEST(FindPathTest, HashExponentGrowsWithTheMap) {
    const std::tuple<int, int, int> cases[] = {
        {16, 16, 8}, {17, 16, 10}, {5000, 5000, 24}, {2, 1, 8}, {1000, 1, 10}};
    for (const auto& [w, h, exponent] : cases) {
        EXPECT_EQ(PathHashExponent(w, h), exponent) << w << "x" << h;
    }
}

}  // namespace
}  // namespace qvt
