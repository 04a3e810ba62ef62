// FindPath and its planner: refusals that leave the path alone, paths cell for cell
// (neighbour order and first-in-first-out among equal f), the weights, cell costs, and on
// random maps paths that are connected, avoid walls and cost what a reference Dijkstra
// says, identical whichever open list the planner keeps.
#include "path/find_path.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <queue>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "path/planner.h"

namespace qvt {
namespace {

using Cells = std::vector<std::pair<int, int>>;

// Rows of digits, top row first: the digit is the cost, '#' a wall (0).
RuntimeArray<double> mapOf(const std::vector<std::string>& rows) {
    RuntimeArray<double> map;
    const auto w = static_cast<std::int32_t>(rows[0].size()), h = static_cast<std::int32_t>(rows.size());
    DimNumbers(map, w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) map(x, y) = rows[y][x] == '#' ? 0.0 : rows[y][x] - '0';
    }
    return map;
}

Cells cellsOf(RuntimeArray<std::int32_t>& path, int count) {
    Cells cells;
    for (int i = 0; i < count; ++i) cells.emplace_back(path(i, 0), path(i, 1));
    return cells;
}

TEST(FindPathTest, RefusalsLeaveThePathAsItWas) {
    const RuntimeArray<double> open = mapOf({"111", "111"});
    const RuntimeArray<double> walls = mapOf({"###", "###"});
    struct Case {
        const char* what;
        const RuntimeArray<double>* map;
        int sx, sy, gx, gy;
    };
    const Case cases[] = {
        {"start is goal", &open, 1, 1, 1, 1},   {"start left of map", &open, -1, 0, 2, 1},
        {"goal below map", &open, 0, 0, 2, 2},  {"goal right of map", &open, 0, 0, 3, 0},
        {"all walls", &walls, 0, 0, 2, 1},
    };
    for (const Case& c : cases) {
        RuntimeArray<std::int32_t> path;
        path.dimension(1, 1, 0, 0);
        path(0, 0) = 77;
        EXPECT_EQ(FindPath(*c.map, path, 0.5, c.sx, c.sy, c.gx, c.gy), 0) << c.what;
        EXPECT_EQ(ArrayBounds(path, 0), 1) << c.what;
        EXPECT_EQ(path(0, 0), 77) << c.what;
    }
}

TEST(FindPathTest, UnreachableGoalEmptiesThePath) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    RuntimeArray<double> enclosed = mapOf({"11#11", "11#11"});
    RuntimeArray<double> poisoned = mapOf({"11111", "11111"});
    poisoned(2, 0) = nan;  // neither can be paid: walls
    poisoned(2, 1) = inf;
    for (RuntimeArray<double>* map : {&enclosed, &poisoned}) {
        RuntimeArray<std::int32_t> path;
        path.dimension(3, 2, 0, 0);
        EXPECT_EQ(FindPath(*map, path, 0.5, 0, 0, 4, 1), 0);
        EXPECT_EQ(ArrayBounds(path, 0), 0);
        EXPECT_EQ(path.shape().total, 0);
    }
}

TEST(FindPathTest, PathsCellForCell) {
    struct Case {
        const char* what;
        std::vector<std::string> rows;
        double weight;
        int sx, sy, gx, gy;
        Cells expected;
    };
    const Case cases[] = {
        {"3x1", {"111"}, 0.5, 0, 0, 2, 0, {{0, 0}, {1, 0}, {2, 0}}},
        {"diagonal neighbours take an orthogonal corner", {"11", "11"}, 0.5, 0, 0, 1, 1, {{0, 0}, {1, 0}, {1, 1}}},
        // Equal f: the node that entered first leaves first, and right enters before down.
        {"ties go first in, first out", {"111", "111", "111"}, 0.5, 0, 0, 2, 2,
         {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}}},
        {"up enters before right", {"111", "111", "111"}, 0.5, 0, 2, 2, 0,
         {{0, 2}, {0, 1}, {0, 0}, {1, 0}, {2, 0}}},
        // Straight through the 9s costs 4 x 2.0 + 1.11; round the 1s 6 x 1.11.
        {"weight 0 takes the cheap detour", {"11111", "19991", "#####"}, 0.0, 0, 1, 4, 1,
         {{0, 1}, {0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {4, 1}}},
        {"weight 0.5 too", {"11111", "19991", "#####"}, 0.5, 0, 1, 4, 1,
         {{0, 1}, {0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {4, 1}}},
        {"weight 1 heads straight for the goal", {"11111", "19991", "#####"}, 1.0, 0, 1, 4, 1,
         {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}}},
        {"weight above 1 is 1", {"11111", "19991", "#####"}, 7.5, 0, 1, 4, 1,
         {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}}},
        {"weight below 0 is 0", {"11111", "19991", "#####"}, -2.0, 0, 1, 4, 1,
         {{0, 1}, {0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {4, 1}}},
        {"NaN weight is 0", {"11111", "19991", "#####"}, std::nan(""), 0, 1, 4, 1,
         {{0, 1}, {0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {4, 1}}},
        {"round a wall", {"1#1", "1#1", "111"}, 0.5, 0, 0, 2, 0,
         {{0, 0}, {0, 1}, {0, 2}, {1, 2}, {2, 2}, {2, 1}, {2, 0}}},
    };
    for (const Case& c : cases) {
        const RuntimeArray<double> map = mapOf(c.rows);
        RuntimeArray<std::int32_t> path;
        const std::int32_t n = FindPath(map, path, c.weight, c.sx, c.sy, c.gx, c.gy);
        ASSERT_EQ(n, static_cast<std::int32_t>(c.expected.size())) << c.what;
        EXPECT_EQ(ArrayBounds(path, 0), n) << c.what;
        EXPECT_EQ(ArrayBounds(path, 1), 2) << c.what;
        EXPECT_EQ(cellsOf(path, n), c.expected) << c.what;
    }
}

TEST(FindPathTest, CellCostsScaleToTheLargest) {
    const RuntimeArray<double> map = mapOf({"42#"});
    PlannerParams p;
    p.width = 3;
    p.height = 1;
    p.goalX = 1;
    p.map = map.data();
    AStarPlanner planner;
    ASSERT_TRUE(planner.setup(p));
    EXPECT_FLOAT_EQ(planner.cellCost(0, 0), 2.0f);
    EXPECT_FLOAT_EQ(planner.cellCost(1, 0), 1.5f);
    EXPECT_FLOAT_EQ(planner.cellCost(2, 0), -1.0f);
}

// ---- Random maps ------------------------------------------------------------------------

struct RandomMap {
    int w = 0, h = 0;
    RuntimeArray<double> map;
    std::vector<double> enter;  // as the planner counts a cell: cost / largest + 1; < 0 wall
};

RandomMap randomMap(std::mt19937& rng) {
    RandomMap m;
    m.w = 2 + static_cast<int>(rng() % 30);
    m.h = 1 + static_cast<int>(rng() % 30);
    DimNumbers(m.map, m.w, m.h);
    const double wallShare = (rng() % 45) / 100.0;
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    double largest = 0.0;
    for (int i = 0; i < m.w * m.h; ++i) {
        // Few distinct costs make many equal f: the order of ties matters.
        m.map.data()[i] = unit(rng) < wallShare ? -unit(rng) : 1.0 + static_cast<double>(rng() % 4);
        largest = std::max(largest, m.map.data()[i]);
    }
    for (int i = 0; i < m.w * m.h; ++i) {
        m.enter.push_back(m.map.data()[i] > 0 ? static_cast<float>(m.map.data()[i] / largest + 1.0) : -1.0);
    }
    return m;
}

// Cheapest cost from start to every cell, orthogonal steps.
std::vector<double> dijkstra(const RandomMap& m, int sx, int sy) {
    std::vector<double> dist(m.enter.size(), std::numeric_limits<double>::infinity());
    using Item = std::pair<double, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<>> queue;
    dist[sy * m.w + sx] = 0.0;
    queue.push({0.0, sy * m.w + sx});
    while (!queue.empty()) {
        const auto [d, at] = queue.top();
        queue.pop();
        if (d > dist[at]) continue;
        const int x = at % m.w, y = at / m.w;
        const int nx[] = {x - 1, x + 1, x, x}, ny[] = {y, y, y - 1, y + 1};
        for (int k = 0; k < 4; ++k) {
            if (nx[k] < 0 || ny[k] < 0 || nx[k] >= m.w || ny[k] >= m.h) continue;
            const int to = ny[k] * m.w + nx[k];
            if (m.enter[to] < 0 || d + m.enter[to] >= dist[to]) continue;
            dist[to] = d + m.enter[to];
            queue.push({dist[to], to});
        }
    }
    return dist;
}

Cells plannerPath(const RandomMap& m, OpenListKind kind, float weight, bool diagonals, int sx, int sy, int gx, int gy) {
    PlannerParams p;
    p.startX = sx;
    p.startY = sy;
    p.goalX = gx;
    p.goalY = gy;
    p.diagonalMoves = diagonals ? 1 : 0;
    p.weight = weight;
    p.width = m.w;
    p.height = m.h;
    p.map = m.map.data();
    p.openList = kind;
    AStarPlanner planner;
    if (!planner.setup(p)) return {{-1, -1}};
    planner.reset();
    planner.search();
    Cells cells;
    for (const Node* n = planner.goalNode(); n != nullptr; n = n->parent) cells.insert(cells.begin(), {n->x, n->y});
    return cells;
}

TEST(FindPathTest, RandomMapsGiveConnectedCheapestPathsWhicheverOpenList) {
    std::mt19937 rng(4242);
    int found = 0;
    for (int round = 0; round < 400; ++round) {
        const RandomMap m = randomMap(rng);
        const int sx = static_cast<int>(rng() % m.w), sy = static_cast<int>(rng() % m.h);
        const int gx = static_cast<int>(rng() % m.w), gy = static_cast<int>(rng() % m.h);
        const float weight = static_cast<float>(round % 5) / 4.0f;
        SCOPED_TRACE("round " + std::to_string(round) + " weight " + std::to_string(weight));
        // The heap must take nodes in the sorted list's order, diagonal steps or not.
        for (const bool diagonals : {false, true}) {
            EXPECT_EQ(plannerPath(m, OpenListKind::Heap, weight, diagonals, sx, sy, gx, gy),
                      plannerPath(m, OpenListKind::SortedRing, weight, diagonals, sx, sy, gx, gy));
        }
        if ((sx == gx && sy == gy) || m.enter[sy * m.w + sx] < 0) continue;
        const double best = dijkstra(m, sx, sy)[gy * m.w + gx];
        RuntimeArray<std::int32_t> path;
        const int n = FindPath(m.map, path, weight, sx, sy, gx, gy);
        ASSERT_EQ(n > 0, std::isfinite(best));
        if (n == 0) continue;
        ++found;
        const Cells cells = cellsOf(path, n);
        ASSERT_EQ(cells.front(), std::make_pair(sx, sy));
        ASSERT_EQ(cells.back(), std::make_pair(gx, gy));
        double cost = 0.0;
        for (int i = 1; i < n; ++i) {
            const auto [x, y] = cells[i];
            ASSERT_EQ(std::abs(x - cells[i - 1].first) + std::abs(y - cells[i - 1].second), 1) << "step " << i;
            ASSERT_GE(m.enter[y * m.w + x], 0.0) << "wall at step " << i;
            cost += m.enter[y * m.w + x];
        }
        // Up to 0.5 the estimate never overrates (every cell costs more than 1).
        if (weight <= 0.5f) {
            EXPECT_LE(cost, best + 1e-4 * best);
        }
    }
    EXPECT_GT(found, 150);
}

TEST(FindPathTest, HashExponentGrowsWithTheMap) {
    struct Case {
        std::int32_t w, h, exponent;
    };
    const Case cases[] = {{3, 1, 8}, {16, 16, 8}, {17, 16, 10}, {256, 256, 16}, {1000, 1000, 20},
                          {1024, 1024, 20}, {5000, 5000, 24}, {100000, 2, 18}};
    for (const Case& c : cases) {
        EXPECT_EQ(PathHashExponent(c.w, c.h), c.exponent) << c.w << "x" << c.h;
    }
}

}  // namespace
}  // namespace qvt
