#include "path/planner.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

namespace qvt {

// ---- Open lists ---------------------------------------------------------------------------
// Both give the same order of removal: smallest f first, and of equal f the node that
// entered first (a node that is moved enters again).

// Sorted by falling f from front to back; a node goes in front of those with equal f, and
// the back is taken first.
class AStarPlanner::SortedOpenList {
public:
    bool reserve(std::int32_t capacity) {
        list_.reserve(capacity);
        return list_.capacity() == capacity;
    }
    bool empty() const { return list_.empty(); }
    Node* pop() {
        Node* node = list_.back();
        list_.popBack();
        return node;
    }
    void push(Node* node) {
        std::int32_t lo = 0, hi = list_.size();
        while (lo < hi) {
            const std::int32_t mid = lo + (hi - lo) / 2;
            if (list_[mid]->f <= node->f) hi = mid; else lo = mid + 1;
        }
        list_.insert(lo, node);
    }
    Node* find(std::int32_t x, std::int32_t y) {
        for (std::int32_t i = list_.size() - 1; i >= 0; --i) {
            if (list_[i]->x == x && list_[i]->y == y) {
                found_ = i;
                return list_[i];
            }
        }
        return nullptr;
    }
    // Takes the node last found out, to push it again with its new f.
    void removeFound(Node*) { list_.erase(found_); }
    void clear() { list_.clear(); }

private:
    FixedDeque<Node*> list_;
    std::int32_t found_ = -1;
};

// A binary heap on (f, entry number); open nodes are found by cell through a hash set of
// their own, chained through Node::next (an open node is never in the closed set).
class AStarPlanner::HeapOpenList {
public:
    bool reserve(std::int32_t capacity, std::int32_t exponent) {
        try {
            heap_.reserve(static_cast<std::size_t>(capacity));
        } catch (const std::bad_alloc&) {
            return false;
        }
        return index_.resize(exponent);
    }
    bool empty() const { return heap_.empty(); }
    Node* pop() {
        Node* node = heap_.front().node;
        node->heapIndex = -1;
        index_.find(node->x, node->y);
        index_.unlinkFound();
        const Entry last = heap_.back();
        heap_.pop_back();
        if (!heap_.empty()) siftDown(0, last);
        return node;
    }
    void push(Node* node) {
        index_.insert(node);
        heap_.push_back({});
        siftUp(heap_.size() - 1, Entry{node->f, next_++, node});
    }
    Node* find(std::int32_t x, std::int32_t y) { return index_.find(x, y); }
    // The node's f only falls or stays, but it enters again: a new entry number.
    void removeFound(Node* node) {
        const std::size_t at = static_cast<std::size_t>(node->heapIndex);
        const Entry moved = heap_.back();
        heap_.pop_back();
        if (at < heap_.size()) {
            if (before(moved, heap_[parentOf(at)]) && at > 0) siftUp(at, moved); else siftDown(at, moved);
        }
        node->heapIndex = -1;
        index_.unlinkFound();
    }
    void clear() {
        heap_.clear();
        index_.clear();
    }

private:
    struct Entry {
        float f;
        std::uint64_t order;
        Node* node;
    };
    static bool before(const Entry& a, const Entry& b) {
        return a.f < b.f || (a.f == b.f && a.order < b.order);
    }
    static std::size_t parentOf(std::size_t i) { return i > 0 ? (i - 1) / 2 : 0; }
    void place(std::size_t at, const Entry& e) {
        heap_[at] = e;
        e.node->heapIndex = static_cast<std::int32_t>(at);
    }
    void siftUp(std::size_t at, const Entry& e) {
        while (at > 0 && before(e, heap_[parentOf(at)])) {
            place(at, heap_[parentOf(at)]);
            at = parentOf(at);
        }
        place(at, e);
    }
    void siftDown(std::size_t at, const Entry& e) {
        const std::size_t n = heap_.size();
        for (;;) {
            std::size_t child = 2 * at + 1;
            if (child >= n) break;
            if (child + 1 < n && before(heap_[child + 1], heap_[child])) ++child;
            if (!before(heap_[child], e)) break;
            place(at, heap_[child]);
            at = child;
        }
        place(at, e);
    }

    std::vector<Entry> heap_;
    std::uint64_t next_ = 0;
    NodeHashTable index_;
};

// ---- Planner ------------------------------------------------------------------------------

void Planner::reset() {
    ready_ = false;
    searches_ = 0;
    goal_ = nullptr;
}

AStarPlanner::AStarPlanner() = default;
AStarPlanner::~AStarPlanner() = default;

bool AStarPlanner::setup(const PlannerParams& params) {
    const std::int32_t w = params.width, h = params.height;
    if (w <= 0 || h <= 0 || params.map == nullptr) return false;
    const auto inside = [&](std::int32_t x, std::int32_t y) { return x >= 0 && x < w && y >= 0 && y < h; };
    if (!inside(params.startX, params.startY) || !inside(params.goalX, params.goalY)) return false;
    if (params.startX == params.goalX && params.startY == params.goalY) return false;
    const std::size_t cells = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    if (cells > static_cast<std::size_t>(INT32_MAX)) return false;

    // An infinite cost cannot be paid and a NaN cannot be ordered: both are walls.
    double largest = 0.0;
    for (std::size_t i = 0; i < cells; ++i) {
        const double c = params.map[i];
        if (c > 0.0 && std::isfinite(c)) largest = std::max(largest, c);
    }
    if (largest <= 0.0) return false;
    try {
        grid_.assign(cells, -1.0f);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (std::size_t i = 0; i < cells; ++i) {
        const double c = params.map[i];
        if (c > 0.0 && std::isfinite(c)) grid_[i] = static_cast<float>(c / largest + 1.0);
    }

    params_ = params;
    const auto all = static_cast<std::int32_t>(cells);
    if (params_.poolSize <= 0) params_.poolSize = all;
    if (params_.openCapacity <= 0) params_.openCapacity = all;
    if (!pool_.resize(params_.poolSize) || !closed_.resize(params_.hashExponent)) return false;
    sorted_.reset();
    heap_.reset();
    if (params_.openList == OpenListKind::SortedRing) {
        sorted_ = std::make_unique<SortedOpenList>();
        if (!sorted_->reserve(params_.openCapacity)) return false;
    } else {
        heap_ = std::make_unique<HeapOpenList>();
        if (!heap_->reserve(params_.openCapacity, params_.hashExponent)) return false;
    }
    // NaN reads as 0: the search then orders by cost alone, which stays exact.
    params_.weight = params_.weight >= 0.0f ? std::min(params_.weight, 1.0f) : 0.0f;
    searches_ = 0;
    ready_ = true;
    return true;
}

void AStarPlanner::reset() {
    Planner::reset();
    Node* start = pool_.take(nullptr, params_.startX, params_.startY, 0.0f, 0.0f);
    if (start == nullptr) return;
    if (sorted_) sorted_->push(start);
    if (heap_) heap_->push(start);
}

bool AStarPlanner::search() {
    ++searches_;
    const bool found = sorted_ ? run(*sorted_) : heap_ ? run(*heap_) : false;
    ready_ = true;
    return found;
}

void AStarPlanner::clear() {
    // Every node came from the one pool, so handing the open ones back is emptying it.
    if (sorted_) sorted_->clear();
    if (heap_) heap_->clear();
    closed_.clear();
    pool_.reset();
    goal_ = nullptr;
    ready_ = true;
}

template <class Open>
bool AStarPlanner::run(Open& open) {
    const std::int32_t w = params_.width, h = params_.height;
    const bool diagonals = params_.diagonalMoves != 0;
    while (!open.empty()) {
        Node* current = open.pop();
        const std::int32_t x = current->x, y = current->y;
        if (x == params_.goalX && y == params_.goalY) {
            closed_.insert(current);
            goal_ = current;
            return true;
        }
        const bool up = y > 0, down = y + 1 < h, left = x > 0, right = x + 1 < w;
        if (diagonals && up && left) visit(open, current, x - 1, y - 1, true);
        if (up) visit(open, current, x, y - 1, false);
        if (diagonals && up && right) visit(open, current, x + 1, y - 1, true);
        if (right) visit(open, current, x + 1, y, false);
        if (left) visit(open, current, x - 1, y, false);
        if (diagonals && down && left) visit(open, current, x - 1, y + 1, true);
        if (down) visit(open, current, x, y + 1, false);
        if (diagonals && down && right) visit(open, current, x + 1, y + 1, true);
        closed_.insert(current);
    }
    return false;
}

template <class Open>
void AStarPlanner::visit(Open& open, Node* current, std::int32_t nx, std::int32_t ny, bool diagonal) {
    const float c = grid_[index(nx, ny)];
    if (c == -1.0f) return;
    const float step = diagonal && params_.diagonalCost != 0 ? c * kDiagonalStepFactor : c;
    const float g = current->g + step;
    const auto estimate = static_cast<float>(std::abs(params_.goalX - nx) + std::abs(params_.goalY - ny));
    const float f = g + params_.weight * (estimate - g);

    if (Node* node = closed_.find(nx, ny)) {
        if (node->g <= g) return;
        closed_.unlinkFound();
        node->parent = current;
        node->g = g;
        node->f = f;
        open.push(node);
    } else if (Node* node = open.find(nx, ny)) {
        if (node->g <= g) return;
        open.removeFound(node);
        node->parent = current;
        node->g = g;
        node->f = f;
        open.push(node);
    } else if (Node* fresh = pool_.take(current, nx, ny, f, g)) {
        open.push(fresh);
    }
}

}  // namespace qvt
