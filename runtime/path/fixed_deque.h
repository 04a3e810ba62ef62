// A ring buffer of fixed capacity, counted from its head: the planner's sorted open list.
#pragma once

#include <cstdint>
#include <memory>

namespace qvt {

template <class T>
class FixedDeque {
public:
    FixedDeque() = default;
    // Room for capacity elements (0 gives a buffer that is always full).
    explicit FixedDeque(std::int32_t capacity) { reserve(capacity); }
    virtual ~FixedDeque() = default;
    FixedDeque(const FixedDeque&) = delete;
    FixedDeque& operator=(const FixedDeque&) = delete;

    // Drops every element and makes room for capacity elements.
    void reserve(std::int32_t capacity) {
        capacity_ = capacity > 0 ? capacity : 0;
        data_ = capacity_ > 0 ? std::make_unique<T[]>(static_cast<std::size_t>(capacity_)) : nullptr;
        clear();
    }
    void clear() {
        head_ = tail_ = 0;
        empty_ = true;
    }

    std::int32_t capacity() const { return capacity_; }
    bool empty() const { return empty_; }
    bool full() const { return capacity_ == 0 || (!empty_ && head_ == tail_); }
    std::int32_t size() const {
        if (empty_) return 0;
        const std::int32_t n = tail_ - head_;
        return n > 0 ? n : n + capacity_;
    }

    // Element i counted from the head (0 <= i < size()).
    T& operator[](std::int32_t i) { return data_[wrap(head_ + i)]; }
    const T& operator[](std::int32_t i) const { return data_[wrap(head_ + i)]; }
    T& back() { return data_[wrap(tail_ - 1 + capacity_)]; }

    // Appends at the back; false (nothing changes) when full.
    bool pushBack(const T& value) { return insert(size(), value); }
    // Removes the last element (nothing when empty).
    void popBack() {
        if (empty_) return;
        tail_ = wrap(tail_ - 1 + capacity_);
        empty_ = head_ == tail_;
    }

    // Inserts before position i (0 <= i <= size()), moving whichever side is shorter; false
    // (nothing changes) when full or i is out of range.
    bool insert(std::int32_t i, const T& value) {
        const std::int32_t n = size();
        if (full() || i < 0 || i > n) return false;
        if (i < n / 2) {
            head_ = wrap(head_ - 1 + capacity_);
            for (std::int32_t k = 0; k < i; ++k) (*this)[k] = (*this)[k + 1];
        } else {
            for (std::int32_t k = n; k > i; --k) data_[wrap(head_ + k)] = (*this)[k - 1];
            tail_ = wrap(tail_ + 1);
        }
        (*this)[i] = value;
        empty_ = false;
        return true;
    }

    // Removes position i (0 <= i < size()), moving whichever side is shorter.
    void erase(std::int32_t i) {
        const std::int32_t n = size();
        if (i < 0 || i >= n) return;
        if (i < n / 2) {
            for (std::int32_t k = i; k > 0; --k) (*this)[k] = (*this)[k - 1];
            head_ = wrap(head_ + 1);
        } else {
            for (std::int32_t k = i; k < n - 1; ++k) (*this)[k] = (*this)[k + 1];
            tail_ = wrap(tail_ - 1 + capacity_);
        }
        empty_ = head_ == tail_;
    }

private:
    std::int32_t wrap(std::int32_t i) const { return i >= capacity_ ? i - capacity_ : i; }

    std::unique_ptr<T[]> data_;
    std::int32_t capacity_ = 0;
    std::int32_t head_ = 0;  // first element
    std::int32_t tail_ = 0;  // one past the last
    bool empty_ = true;
};

}  // namespace qvt
