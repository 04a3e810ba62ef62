// FindPath: refusals, paths cell for cell (neighbour order and first in, first out among
// equal f), the weights, cell costs, the size of the hash sets, and on random maps paths that
// are connected, avoid walls and cost no more than a reference Dijkstra, the same whichever
// open list the planner keeps: a fault in an open list or the hash sets changes a path.
#include "path/find_path.h"

#include <gtest/gtest.h>

#include <cmath>
#include <queue>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "path/planner.h"

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

    // The planner's costs run from above 1 to 2 at the largest; a wall is -1.
    const RuntimeArray<double> map = mapOf({"42#"});
    PlannerParams p;
    p.width = 3, p.height = 1, p.goalX = 1, p.map = map.data();
    AStarPlanner planner;
    ASSERT_TRUE(planner.setup(p));
    const std::vector<float> costs = {
        planner.cellCost(0, 0), planner.cellCost(1, 0), planner.cellCost(2, 0)};
    EXPECT_EQ(costs, std::vector<float>({2.0f, 1.5f, -1.0f}));
}

// Wide or tall maps grow the exponent; thin ones and small ones keep it near four buckets a cell.
TEST(FindPathTest, HashExponentGrowsWithTheMap) {
    const std::tuple<int, int, int> cases[] = {
        {16, 16, 8}, {17, 16, 10}, {5000, 5000, 24}, {2, 1, 8}, {1000, 1, 10}};
    for (const auto& [w, h, exponent] : cases) {
        EXPECT_EQ(PathHashExponent(w, h), exponent) << w << "x" << h;
    }
}

// Cheapest cost from the planner's start to its goal by its own cell costs, orthogonal steps.
double dijkstra(const AStarPlanner& planner) {
    const PlannerParams& p = planner.params();
    std::vector<double> dist(static_cast<std::size_t>(p.width * p.height), HUGE_VAL);
    using Item = std::pair<double, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<>> queue;
    queue.push({dist[p.startY * p.width + p.startX] = 0.0, p.startY * p.width + p.startX});
    while (!queue.empty()) {
        const auto [d, at] = queue.top();
        queue.pop();
        if (d > dist[at]) continue;
        const int x = at % p.width, y = at / p.width;
        for (const auto& [nx, ny] : {std::pair{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}}) {
            if (nx < 0 || ny < 0 || nx >= p.width || ny >= p.height) continue;
            const double step = planner.cellCost(nx, ny);
            const int to = ny * p.width + nx;
            if (step > 0 && d + step < dist[to]) queue.push({dist[to] = d + step, to});
        }
    }
    return dist[p.goalY * p.width + p.goalX];
}

// The planner's own path with the given open list; {{-1, -1}} when it refuses the map.
Cells plannerPath(PlannerParams p, OpenListKind kind) {
    p.openList = kind;
    AStarPlanner planner;
    if (!planner.setup(p)) return {{-1, -1}};
    planner.reset();  // puts the start node in
    planner.search();
    Cells cells;
    for (const Node* n = planner.goalNode(); n != nullptr; n = n->parent) {
        cells.insert(cells.begin(), {n->x, n->y});
    }
    return cells;
}

TEST(FindPathTest, RandomMapsGiveConnectedCheapestPathsWhicheverOpenList) {
    std::mt19937 rng(4242);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int found = 0;
    for (int round = 0; round < 400; ++round) {
        PlannerParams p;
        p.width = 2 + static_cast<int>(rng() % 30);
        p.height = 1 + static_cast<int>(rng() % 30);
        RuntimeArray<double> map;
        DimNumbers(map, p.width, p.height);
        const double walls = (rng() % 45) / 100.0;
        // Few distinct costs make many equal f: the order of ties matters.
        for (int i = 0; i < p.width * p.height; ++i) {
            map.data()[i] = unit(rng) < walls ? -unit(rng) : 1.0 + rng() % 4;
        }
        p.map = map.data();
        p.startX = static_cast<int>(rng() % p.width), p.startY = static_cast<int>(rng() % p.height);
        p.goalX = static_cast<int>(rng() % p.width), p.goalY = static_cast<int>(rng() % p.height);
        p.weight = static_cast<float>(round % 5) / 4.0f;
        SCOPED_TRACE("round " + std::to_string(round) + " weight " + std::to_string(p.weight));
        // The heap must take nodes in the sorted list's order, diagonal steps or not.
        for (const std::uint8_t diagonals : {1, 0}) {
            p.diagonalMoves = diagonals;
            EXPECT_EQ(plannerPath(p, OpenListKind::Heap), plannerPath(p, OpenListKind::SortedRing));
        }
        const Cells cells = find(map, p.weight, p.startX, p.startY, p.goalX, p.goalY);
        AStarPlanner reference;
        if (!reference.setup(p)) {
            EXPECT_EQ(cells, kUntouched);
            continue;
        }
        const double best = dijkstra(reference);
        ASSERT_EQ(!cells.empty(), std::isfinite(best));
        if (cells.empty()) continue;
        ++found;
        ASSERT_EQ(Cells({cells.front(), cells.back()}),
                  Cells({{p.startX, p.startY}, {p.goalX, p.goalY}}));
        double cost = 0.0;
        for (std::size_t i = 1; i < cells.size(); ++i) {
            const auto [x, y] = cells[i];
            const auto [px, py] = cells[i - 1];
            ASSERT_EQ(std::abs(x - px) + std::abs(y - py), 1) << "step " << i;
            ASSERT_GT(reference.cellCost(x, y), 0.0f) << "wall at step " << i;
            cost += reference.cellCost(x, y);
        }
        // Up to 0.5 the estimate never overrates (every cell costs more than 1).
        EXPECT_TRUE(p.weight > 0.5f || cost <= best + 1e-4 * best) << cost << " vs " << best;
    }
    EXPECT_GT(found, 150);
}

}  // namespace
}  // namespace qvt
