// Grid path-finding: a shortest path between two cells of a cost map.
#pragma once

#include <cstdint>

#include "core/arrays.h"

namespace qvt {

// Searches a path on map (element x, y: the cost of entering the cell; <= 0 is a wall)
// from the start to the goal cell, orthogonal steps only. weight (clamped to 0..1) orders
// the search: 0 by cost so far (cheapest path), 1 by the cells left to the goal (greedy),
// 0.5 both alike (still the cheapest path). Returns the number of cells, start and goal
// included, with path dimensioned (count, 2): (i, 0) the x, (i, 1) the y of cell i, cell 0
// the start. No path: 0 and path dimensioned to 0 elements. Start or goal outside the map,
// start equal to goal, or no passable cell: 0 and path untouched.
std::int32_t FindPath(const RuntimeArray<double>& map, RuntimeArray<std::int32_t>& path,
                      double weight, std::int32_t startX, std::int32_t startY, std::int32_t goalX,
                      std::int32_t goalY);

// The closed set's bucket exponent for a width x height map: 8 for small maps, growing so
// that cells of a map up to 4096 a side have buckets of their own, and at most about four
// buckets per cell.
std::int32_t PathHashExponent(std::int32_t width, std::int32_t height);

}  // namespace qvt
