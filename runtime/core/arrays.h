// Runtime arrays: the game's tables of numbers, strings and records, one to four
// dimensions, first index fastest. A bad index ends the program with a two-line report.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "core/numeric.h"
#include "core/strings.h"

namespace qvt {

// Sizes and strides of a runtime array; all zero for an array never dimensioned.
struct ArrayShape {
    std::array<std::int32_t, 4> stride{};  // elements between consecutive indices of a dimension
    std::array<std::int32_t, 4> size{};    // as passed, except that size[0] below 1 is 0
    std::int32_t total = 0;                // size[0] * max(1, size[1]) * ... ; never above INT32_MAX
    std::int32_t dimensions = 0;           // 1 + the highest dimension with a nonzero size, or 0
};

// The record kind of the game's tables: a number, a text and a number, in that order.
// The default order of SortRecords is by key.
struct RuntimeRecord {
    double key = 0.0;
    RuntimeString text;
    double value = 0.0;
};

// Allocation step per element kind: numbers keep storage even for zero elements.
template <class T>
struct ArrayGranule {
    static constexpr std::int32_t kElements = 64;
    static constexpr bool kStorageWhenEmpty = false;
};
template <>
struct ArrayGranule<double> {
    static constexpr std::int32_t kElements = 8;
    static constexpr bool kStorageWhenEmpty = true;
};
// Integer arrays (paths) are dimensioned like number arrays.
template <>
struct ArrayGranule<std::int32_t> : ArrayGranule<double> {};

namespace detail {
// Fills shape from the sizes; false when a product leaves the int32 range.
bool computeShape(std::int32_t s0, std::int32_t s1, std::int32_t s2, std::int32_t s3,
                  ArrayShape& shape);
// Capacity for total elements under the kind's rounding; -1 when it leaves int32.
std::int32_t roundedCapacity(std::int32_t total, std::int32_t granule, bool storageWhenEmpty);
// The two report lines for count indices (1 = the one-dimensional form, 4 = all sizes > 0).
void writeBoundsReport(const ArrayShape& shape, const double* indices, int count);
// Report, last error 9, end of the program.
[[noreturn]] void failBounds(const ArrayShape& shape, const std::int32_t* indices, int count);
// Last error 7, end of the program.
[[noreturn]] void failOutOfMemory();
}  // namespace detail

// A dynamically sized table of T. Zero-initialised it is empty and has no storage; any
// element access then ends the program. Owns its elements; movable, not copyable.
template <class T>
class RuntimeArray {
public:
    RuntimeArray() = default;
    RuntimeArray(const RuntimeArray&) = delete;
    RuntimeArray& operator=(const RuntimeArray&) = delete;
    RuntimeArray(RuntimeArray&& other) noexcept { take(other); }
    RuntimeArray& operator=(RuntimeArray&& other) noexcept {
        if (this != &other) {
            release();
            take(other);
        }
        return *this;
    }
    ~RuntimeArray() { release(); }

    // (Re)dimensions; the first total elements become T{}. Storage is replaced only when it
    // is too small or s0 < 1, then with the kind's rounded capacity.
    void dimension(std::int32_t s0, std::int32_t s1, std::int32_t s2, std::int32_t s3);

    // Checked element access, one index per dimension used: each index is truncated toward
    // zero, a negative one counts from the end once; outside the array the program ends.
    template <class... I>
        requires(sizeof...(I) >= 1 && sizeof...(I) <= 4 && (std::is_arithmetic_v<I> && ...))
    T& operator()(I... indices) {
        const double idx[] = {static_cast<double>(indices)...};
        return data_[checkedOffset(idx, sizeof...(I))];
    }
    template <class... I>
        requires(sizeof...(I) >= 1 && sizeof...(I) <= 4 && (std::is_arithmetic_v<I> && ...))
    const T& operator()(I... indices) const {
        const double idx[] = {static_cast<double>(indices)...};
        return data_[checkedOffset(idx, sizeof...(I))];
    }

    const ArrayShape& shape() const noexcept { return shape_; }
    std::int32_t capacity() const noexcept { return capacity_; }  // elements allocated
    bool hasStorage() const noexcept { return data_ != nullptr; }
    T* data() noexcept { return data_; }  // null while there is no storage; unchecked
    const T* data() const noexcept { return data_; }

private:
    std::int32_t checkedOffset(const double* idx, int count) const;
    void allocate(std::int32_t capacity);
    void resetFirst(std::int32_t count);
    void release() noexcept;
    void take(RuntimeArray& other) noexcept;

    T* data_ = nullptr;
    ArrayShape shape_{};
    std::int32_t capacity_ = 0;
};

// ---- Operations ---------------------------------------------------------------------------

// (Re)dimensions a number array (0 for unused dimensions); every element becomes 0.
inline void DimNumbers(RuntimeArray<double>& array, std::int32_t s0, std::int32_t s1 = 0,
                       std::int32_t s2 = 0, std::int32_t s3 = 0) {
    array.dimension(s0, s1, s2, s3);
}
// (Re)dimensions a string array; every element becomes the empty string.
inline void DimStrings(RuntimeArray<RuntimeString>& array, std::int32_t s0, std::int32_t s1 = 0,
                       std::int32_t s2 = 0, std::int32_t s3 = 0) {
    array.dimension(s0, s1, s2, s3);
}
// (Re)dimensions a record array; every element becomes {0, "", 0}.
inline void DimRecords(RuntimeArray<RuntimeRecord>& array, std::int32_t s0, std::int32_t s1 = 0,
                       std::int32_t s2 = 0, std::int32_t s3 = 0) {
    array.dimension(s0, s1, s2, s3);
}
// Resizes a record array keeping its first min(old s0, new s0) elements; s0 < 1 does nothing.
void RedimRecords(RuntimeArray<RuntimeRecord>& array, std::int32_t s0, std::int32_t s1 = 0,
                  std::int32_t s2 = 0, std::int32_t s3 = 0);

// Size of dimension 0..3; 0 for any other dimension number.
template <class T>
std::int32_t ArrayBounds(const RuntimeArray<T>& array, std::int32_t dimension) {
    return dimension >= 0 && dimension < 4 ? array.shape().size[dimension] : 0;
}

// Comparison routine for SortRecords: negative when a orders before b, positive after
// (the result is truncated toward zero first). a is the element under a cursor, b the pivot.
using RecordCompare = double (*)(const RuntimeRecord* a, const RuntimeRecord* b);
// Sorts elements 0 .. size[0]-1 in place by quicksort (not stable); null compare orders by key.
void SortRecords(RuntimeArray<RuntimeRecord>& array, RecordCompare compare);

// Writes "bounds: [%4.0f]..." and "access: [%4.0f]..." for size 0 and each further size
// while it is above 0: to the debugger output (only while one is attached), then to stderr.
template <class T>
void ReportBounds(const RuntimeArray<T>& array, double i0, double i1 = 0, double i2 = 0,
                  double i3 = 0) {
    const double indices[] = {i0, i1, i2, i3};
    detail::writeBoundsReport(array.shape(), indices, 4);
}

// ---- RuntimeArray members -----------------------------------------------------------------

template <class T>
std::int32_t RuntimeArray<T>::checkedOffset(const double* idx, int count) const {
    std::int32_t written[4];
    std::int64_t offset = 0;
    bool inside = data_ != nullptr;
    for (int k = 0; k < count; ++k) {
        written[k] = truncToInt32(idx[k]);
        std::int64_t index = written[k];
        if (index < 0) index += shape_.size[k];
        inside = inside && index >= 0 && index < shape_.size[k];
        offset += index * shape_.stride[k];
    }
    if (!inside) detail::failBounds(shape_, written, count);
    return static_cast<std::int32_t>(offset);
}

template <class T>
void RuntimeArray<T>::dimension(std::int32_t s0, std::int32_t s1, std::int32_t s2,
                                std::int32_t s3) {
    ArrayShape next;
    if (!detail::computeShape(s0, s1, s2, s3, next)) detail::failOutOfMemory();
    if (s0 < 1 || capacity_ < next.total) {
        using Granule = ArrayGranule<T>;
        const std::int32_t capacity =
            detail::roundedCapacity(next.total, Granule::kElements, Granule::kStorageWhenEmpty);
        if (capacity < 0) detail::failOutOfMemory();
        release();
        allocate(capacity);
    } else {
        resetFirst(next.total);
    }
    shape_ = next;
}

template <class T>
void RuntimeArray<T>::allocate(std::int32_t capacity) {
    if (capacity == 0) return;
    void* block = ::operator new(static_cast<std::size_t>(capacity) * sizeof(T), std::nothrow);
    if (block == nullptr) detail::failOutOfMemory();
    data_ = static_cast<T*>(block);
    std::uninitialized_value_construct_n(data_, capacity);
    capacity_ = capacity;
}

template <class T>
void RuntimeArray<T>::resetFirst(std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) data_[i] = T{};
}

template <class T>
void RuntimeArray<T>::release() noexcept {
    if (data_ != nullptr) {
        std::destroy_n(data_, capacity_);
        ::operator delete(data_);
    }
    data_ = nullptr;
    capacity_ = 0;
    shape_ = ArrayShape{};
}

template <class T>
void RuntimeArray<T>::take(RuntimeArray& other) noexcept {
    data_ = std::exchange(other.data_, nullptr);
    shape_ = std::exchange(other.shape_, ArrayShape{});
    capacity_ = std::exchange(other.capacity_, 0);
}

}  // namespace qvt
