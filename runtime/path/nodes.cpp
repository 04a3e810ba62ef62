#include "path/nodes.h"

#include <algorithm>
#include <new>

namespace qvt {

bool NodeFactory::resize(std::int32_t count) {
    nodes_.reset();
    size_ = used_ = 0;
    if (count <= 0) return true;
    // Default-initialised: untouched pages of a large pool cost nothing until used.
    nodes_.reset(new (std::nothrow) Node[static_cast<std::size_t>(count)]);
    if (nodes_ == nullptr) return false;
    size_ = count;
    return true;
}

Node* NodeFactory::take(Node* parent, std::int32_t x, std::int32_t y, float f, float g) {
    if (used_ >= size_) return nullptr;
    Node* node = &nodes_[static_cast<std::size_t>(used_++)];
    node->parent = parent;
    node->x = x;
    node->y = y;
    node->f = f;
    node->g = g;
    node->next = nullptr;
    node->heapIndex = -1;
    return node;
}

bool NodeHashTable::resize(std::int32_t exponent) {
    const std::int32_t b = std::clamp(exponent, 0, kMaxExponent) & ~1;
    buckets_.reset(new (std::nothrow) Node*[std::size_t{1} << b]());
    found_ = nullptr;
    if (buckets_ == nullptr) {
        mask_ = 0;
        shift_ = 0;
        return false;
    }
    shift_ = b / 2;
    mask_ = (1u << shift_) - 1;
    return true;
}

void NodeHashTable::clear() {
    if (buckets_ != nullptr) std::fill_n(buckets_.get(), std::size_t{1} << (2 * shift_), nullptr);
    found_ = nullptr;
}

void NodeHashTable::insert(Node* node) {
    Node*& head = buckets_[bucketOf(node->x, node->y)];
    for (Node* n = head; n != nullptr; n = n->next) {
        if (n == node) return;
    }
    node->next = head;
    head = node;
    found_ = nullptr;
}

Node* NodeHashTable::find(std::int32_t x, std::int32_t y) {
    for (Node** link = &buckets_[bucketOf(x, y)]; *link != nullptr; link = &(*link)->next) {
        if ((*link)->x == x && (*link)->y == y) {
            found_ = link;
            return *link;
        }
    }
    found_ = nullptr;
    return nullptr;
}

void NodeHashTable::unlinkFound() {
    if (found_ == nullptr) return;
    Node* node = *found_;
    *found_ = node->next;
    node->next = nullptr;
    found_ = nullptr;
}

}  // namespace qvt
