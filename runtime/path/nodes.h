// Search nodes of the planner: the preallocated pool and the hash set keyed by cell.
#pragma once

#include <cstdint>
#include <memory>

namespace qvt {

// One cell reached by the search. heapIndex is the heap open list's own.
struct Node {
    Node* parent = nullptr;
    std::int32_t x = 0;
    std::int32_t y = 0;
    float f = 0.0f;  // ordering value: (1 - weight) * g + weight * estimate
    float g = 0.0f;  // cost from the start
    Node* next = nullptr;  // next node in the same hash bucket
    std::int32_t heapIndex = -1;  // position in a heap open list, -1 when not in one
};

// A fixed pool of nodes, handed out in turn. Nodes live until the pool is sized again or
// destroyed; the search itself allocates nothing.
class NodeFactory {
public:
    NodeFactory() = default;
    virtual ~NodeFactory() = default;
    NodeFactory(const NodeFactory&) = delete;
    NodeFactory& operator=(const NodeFactory&) = delete;

    // Frees the old pool and makes one of count nodes; false when the memory is not there.
    bool resize(std::int32_t count);
    // The next free node with its fields set, or null when the pool is used up.
    Node* take(Node* parent, std::int32_t x, std::int32_t y, float f, float g);
    // Every node is free again.
    void reset() { used_ = 0; }
    std::int32_t size() const { return size_; }
    std::int32_t used() const { return used_; }

private:
    std::unique_ptr<Node[]> nodes_;  // one block: the pool is sized once per search
    std::int32_t size_ = 0;
    std::int32_t used_ = 0;
};

// A set of nodes keyed by cell, 2^b buckets chained through Node::next. A cell's bucket
// takes the low b/2 bits of x and of y, so neighbouring cells never share one.
class NodeHashTable {
public:
    // Largest exponent; an odd one loses its lowest bit.
    static constexpr std::int32_t kMaxExponent = 24;

    NodeHashTable() = default;
    virtual ~NodeHashTable() = default;
    NodeHashTable(const NodeHashTable&) = delete;
    NodeHashTable& operator=(const NodeHashTable&) = delete;

    // Empties the set and makes 2^b buckets (b limited to 0..24 and made even); false when
    // the memory is not there.
    bool resize(std::int32_t exponent);
    std::int32_t bucketCount() const { return buckets_ != nullptr ? 1 << (2 * shift_) : 0; }
    // Empties the set (the nodes themselves are untouched).
    void clear();

    // Puts node at the head of its bucket, unless it is already in the set.
    void insert(Node* node);
    // The node for cell x, y, or null. Remembers the link to it for unlinkFound.
    Node* find(std::int32_t x, std::int32_t y);
    // Takes the node last returned by find out of the set, in constant time. Only valid
    // before the set changes again.
    void unlinkFound();

    // Bucket of a cell (tests).
    std::uint32_t bucketOf(std::int32_t x, std::int32_t y) const {
        return (static_cast<std::uint32_t>(x) & mask_) |
               ((static_cast<std::uint32_t>(y) & mask_) << shift_);
    }

private:
    std::unique_ptr<Node*[]> buckets_;
    std::uint32_t mask_ = 0;
    std::int32_t shift_ = 0;
    Node** found_ = nullptr;  // the link that leads to the last match
};

}  // namespace qvt
