// The A* planner behind FindPath: a search between two cells of a cost map.
//
// A planner lives for one search: set up, reset, searched, read, destroyed. Main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "path/fixed_deque.h"
#include "path/nodes.h"

namespace qvt {

// A diagonal step with the diagonal cost flag costs the entered cell's cost times this.
inline constexpr float kDiagonalStepFactor = 1.4142137f;
// Bucket exponent of the closed set when none is asked for.
inline constexpr std::int32_t kDefaultHashExponent = 8;

// How the open list is kept. Both take nodes in the same order: smallest f first, and of
// equal f the one that entered first.
enum class OpenListKind : std::uint8_t {
    SortedRing,  // a FixedDeque sorted by falling f, searched from the back
    Heap,        // a binary heap on (f, entry number), open nodes indexed by cell
};

struct PlannerParams {
    std::int32_t startX = 0, startY = 0;
    std::int32_t goalX = 0, goalY = 0;
    std::uint8_t diagonalCost = 1;   // 1: a diagonal step costs the cell's cost x 1.4142137
    std::uint8_t diagonalMoves = 0;  // 0: the four orthogonal neighbours only
    std::int32_t poolSize = 0;       // nodes; 0 means width x height
    std::int32_t openCapacity = 0;   // open list entries; 0 means width x height
    std::int32_t hashExponent = kDefaultHashExponent;  // closed set: 2^b buckets
    float weight = 0.0f;             // 0: cost so far only, 1: estimate only; clamped to 0..1
    std::int32_t width = 0, height = 0;
    const double* map = nullptr;     // width x height costs, x fastest; <= 0 is a wall
    OpenListKind openList = OpenListKind::Heap;
};

class Planner {
public:
    virtual ~Planner() = default;
    // Forgets the last search: not ready, no searches, no goal node.
    virtual void reset();
    // Runs the search to its end; true when a goal node was found.
    virtual bool search() = 0;
    // Returns the open nodes to the pool, empties the open list and the closed set, forgets
    // the goal node and makes the planner ready.
    virtual void clear() = 0;

    bool ready() const { return ready_; }
    std::int32_t searches() const { return searches_; }
    // The goal node of a successful search (its parents lead to the start), else null.
    const Node* goalNode() const { return goal_; }

protected:
    bool ready_ = false;
    std::int32_t searches_ = 0;
    Node* goal_ = nullptr;
};

class AStarPlanner final : public Planner {
public:
    AStarPlanner();
    ~AStarPlanner() override;

    // Checks and takes the parameters and builds the cost grid: false when start or goal
    // lies outside the map, start is the goal, no cell is passable, or memory is short.
    bool setup(const PlannerParams& params);
    void reset() override;
    bool search() override;
    void clear() override;

    // The cost of entering a cell: -1 for a wall, else cost / largest cost + 1 (above 1,
    // at most 2). Infinite and NaN costs are walls.
    float cellCost(std::int32_t x, std::int32_t y) const { return grid_[index(x, y)]; }
    const PlannerParams& params() const { return params_; }

private:
    class SortedOpenList;
    class HeapOpenList;
    template <class Open>
    bool run(Open& open);
    template <class Open>
    void visit(Open& open, Node* current, std::int32_t nx, std::int32_t ny, bool diagonal);

    std::size_t index(std::int32_t x, std::int32_t y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(params_.width) +
               static_cast<std::size_t>(x);
    }

    PlannerParams params_;
    std::vector<float> grid_;
    NodeFactory pool_;
    std::unique_ptr<SortedOpenList> sorted_;  // the one in use, by params_.openList
    std::unique_ptr<HeapOpenList> heap_;
    NodeHashTable closed_;
};

}  // namespace qvt
