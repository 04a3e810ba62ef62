// FindPath beside Boost Graph's astar_search on the same random maps (30% walls, costs 1 to
// 100, corner to corner), 256 x 256 and 1024 x 1024. Both search with the Manhattan
// estimate; the path costs are checked equal before timing (FindPath at weight 0.5 orders
// as cost + estimate, so both find a cheapest path). Boost's graph is built outside the
// timed loop; FindPath's time includes its whole set-up.
#include <benchmark/benchmark.h>

#include <boost/graph/adjacency_list.hpp>
#include <boost/graph/astar_search.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "path/find_path.h"

namespace {

using Graph = boost::adjacency_list<boost::vecS, boost::vecS, boost::directedS, boost::no_property,
                                    boost::property<boost::edge_weight_t, double>>;
using Vertex = boost::graph_traits<Graph>::vertex_descriptor;

struct Case {
    int side = 0;
    qvt::RuntimeArray<double> map;
    std::vector<double> enter;  // cost of entering each cell as FindPath counts it; < 0 wall
    std::unique_ptr<Graph> graph;
};

struct FoundGoal {};

class GoalVisitor : public boost::default_astar_visitor {
public:
    explicit GoalVisitor(Vertex goal) : goal_(goal) {}
    void examine_vertex(Vertex v, const Graph&) const {
        if (v == goal_) throw FoundGoal{};
    }

private:
    Vertex goal_;
};

class Manhattan : public boost::astar_heuristic<Graph, double> {
public:
    Manhattan(int side, Vertex goal) : side_(side), goal_(goal) {}
    double operator()(Vertex v) const {
        const int x = static_cast<int>(v) % side_, y = static_cast<int>(v) / side_;
        const int gx = static_cast<int>(goal_) % side_, gy = static_cast<int>(goal_) / side_;
        return std::abs(gx - x) + std::abs(gy - y);
    }

private:
    int side_;
    Vertex goal_;
};

void fillMap(qvt::RuntimeArray<double>& map, int side, std::mt19937& rng) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    qvt::DimNumbers(map, side, side);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) map(x, y) = unit(rng) < 0.3 ? 0.0 : 1.0 + std::floor(unit(rng) * 100.0);
    }
    map(0, 0) = 1.0;
    map(side - 1, side - 1) = 1.0;
}

// True when the open cells connect corner to corner.
bool cornersConnected(const qvt::RuntimeArray<double>& map, int side) {
    std::vector<char> seen(static_cast<std::size_t>(side) * side, 0);
    std::vector<int> todo{0};
    seen[0] = 1;
    while (!todo.empty()) {
        const int at = todo.back();
        todo.pop_back();
        const int x = at % side, y = at / side;
        const int nx[] = {x - 1, x + 1, x, x}, ny[] = {y, y, y - 1, y + 1};
        for (int k = 0; k < 4; ++k) {
            if (nx[k] < 0 || ny[k] < 0 || nx[k] >= side || ny[k] >= side) continue;
            const int i = ny[k] * side + nx[k];
            if (seen[i] || map.data()[i] <= 0) continue;
            seen[i] = 1;
            todo.push_back(i);
        }
    }
    return seen.back() != 0;
}

// A map with a path from corner to corner, the same for every run.
std::unique_ptr<Case> makeCase(int side) {
    auto c = std::make_unique<Case>();
    c->side = side;
    std::mt19937 rng(20261207u + static_cast<unsigned>(side));
    do {
        fillMap(c->map, side, rng);
    } while (!cornersConnected(c->map, side));
    double largest = 0.0;
    for (int i = 0; i < side * side; ++i) largest = std::max(largest, c->map.data()[i]);
    c->enter.resize(static_cast<std::size_t>(side) * side);
    for (int i = 0; i < side * side; ++i) {
        const double v = c->map.data()[i];
        c->enter[i] = v > 0 ? static_cast<double>(static_cast<float>(v / largest + 1.0)) : -1.0;
    }
    c->graph = std::make_unique<Graph>(static_cast<std::size_t>(side) * side);
    const int dx[] = {0, 1, -1, 0}, dy[] = {-1, 0, 0, 1};
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            if (c->enter[y * side + x] < 0) continue;
            for (int k = 0; k < 4; ++k) {
                const int nx = x + dx[k], ny = y + dy[k];
                if (nx < 0 || ny < 0 || nx >= side || ny >= side || c->enter[ny * side + nx] < 0) continue;
                boost::add_edge(y * side + x, ny * side + nx, c->enter[ny * side + nx], *c->graph);
            }
        }
    }
    return c;
}

Case& caseFor(int side) {
    static std::map<int, std::unique_ptr<Case>> cases;
    auto& c = cases[side];
    if (!c) c = makeCase(side);
    return *c;
}

double findPathCost(Case& c) {
    qvt::RuntimeArray<std::int32_t> path;
    const int n = qvt::FindPath(c.map, path, 0.5, 0, 0, c.side - 1, c.side - 1);
    double cost = 0.0;
    for (int i = 1; i < n; ++i) cost += c.enter[path(i, 1) * c.side + path(i, 0)];
    return n > 0 ? cost : -1.0;
}

double boostCost(Case& c) {
    const std::size_t cells = static_cast<std::size_t>(c.side) * c.side;
    std::vector<Vertex> pred(cells);
    std::vector<double> dist(cells);
    const Vertex goal = cells - 1;
    try {
        boost::astar_search(*c.graph, 0, Manhattan(c.side, goal),
                            boost::predecessor_map(pred.data()).distance_map(dist.data()).visitor(GoalVisitor(goal)));
    } catch (const FoundGoal&) {
        return dist[goal];
    }
    return -1.0;
}

void checkSameCost(int side) {
    static std::map<int, bool> checked;
    if (checked[side]) return;
    checked[side] = true;
    Case& c = caseFor(side);
    const double ours = findPathCost(c), theirs = boostCost(c);
    std::printf("%dx%d: FindPath cost %.4f, Boost cost %.4f\n", side, side, ours, theirs);
    std::fflush(stdout);
    if (ours < 0 || theirs < 0 || std::abs(ours - theirs) > 1e-4 * theirs) {
        std::fprintf(stderr, "path costs differ on %dx%d\n", side, side);
        std::abort();
    }
}

void BM_FindPath(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    checkSameCost(side);
    Case& c = caseFor(side);
    for (auto _ : state) benchmark::DoNotOptimize(findPathCost(c));
}

void BM_BoostAStar(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    checkSameCost(side);
    Case& c = caseFor(side);
    for (auto _ : state) benchmark::DoNotOptimize(boostCost(c));
}

BENCHMARK(BM_FindPath)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BoostAStar)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

}  // namespace
