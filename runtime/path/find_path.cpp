#include "path/find_path.h"

#include <algorithm>

#include "path/planner.h"

namespace qvt {

std::int32_t PathHashExponent(std::int32_t width, std::int32_t height) {
    const std::int64_t side = std::max<std::int64_t>({width, height, 1});
    std::int32_t b = kDefaultHashExponent;
    while (b < NodeHashTable::kMaxExponent && (std::int64_t{1} << (b / 2)) < side) b += 2;
    // A long thin map would leave most buckets of a square tile empty.
    const std::int64_t cells = std::int64_t{std::max(width, 1)} * std::max(height, 1);
    while (b > kDefaultHashExponent && (std::int64_t{1} << b) > 4 * cells) b -= 2;
    return b;
}

std::int32_t FindPath(const RuntimeArray<double>& map, RuntimeArray<std::int32_t>& path,
                      double weight, std::int32_t startX, std::int32_t startY, std::int32_t goalX,
                      std::int32_t goalY) {
    PlannerParams params;
    params.startX = startX;
    params.startY = startY;
    params.goalX = goalX;
    params.goalY = goalY;
    params.diagonalCost = 1;
    params.diagonalMoves = 0;
    params.width = ArrayBounds(map, 0);
    params.height = ArrayBounds(map, 1);
    params.hashExponent = PathHashExponent(params.width, params.height);
    params.weight = static_cast<float>(std::max(std::min(weight, 1.0), 0.0));
    params.map = map.data();
    params.openList = OpenListKind::Heap;

    AStarPlanner planner;
    if (!planner.setup(params)) return 0;
    planner.reset();
    planner.search();

    std::int32_t count = 0;
    for (const Node* n = planner.goalNode(); n != nullptr; n = n->parent) ++count;
    if (count == 0) {
        path.dimension(0, 0, 0, 0);
        return 0;
    }
    path.dimension(count, 2, 0, 0);
    std::int32_t i = count;
    for (const Node* n = planner.goalNode(); n != nullptr; n = n->parent) {
        --i;
        path(i, 0) = n->x;
        path(i, 1) = n->y;
    }
    planner.clear();
    return count;
}

}  // namespace qvt
