#include "core/arrays.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "core/errors.h"
#include "core/lifecycle.h"

namespace qvt {

// ---- Shape and capacity -----------------------------------------------------------------

namespace detail {

namespace {

constexpr std::int64_t kMaxElements = std::numeric_limits<std::int32_t>::max();

// Running product of sizes (each at least 1), false once it leaves int32.
bool multiplyWithin(std::int64_t& product, std::int32_t size) {
    product *= std::max<std::int32_t>(1, size);
    return product <= kMaxElements;
}

}  // namespace

bool computeShape(std::int32_t s0, std::int32_t s1, std::int32_t s2, std::int32_t s3,
                  ArrayShape& shape) {
    shape = ArrayShape{};
    shape.size = {std::max<std::int32_t>(0, s0), s1, s2, s3};
    // Strides use max(1, size) like total, so they never exceed it and an unused or
    // negative middle size cannot wrap the offset arithmetic.
    std::int64_t product = shape.size[0];
    shape.stride[0] = 1;
    for (int k = 1; k < 4; ++k) {
        shape.stride[k] = static_cast<std::int32_t>(std::max<std::int64_t>(1, product));
        if (!multiplyWithin(product, shape.size[k])) return false;
    }
    shape.total = static_cast<std::int32_t>(product);
    for (int k = 3; k >= 0 && shape.dimensions == 0; --k) {
        if (shape.size[k] != 0) shape.dimensions = k + 1;
    }
    return true;
}

std::int32_t roundedCapacity(std::int32_t total, std::int32_t granule, bool storageWhenEmpty) {
    if (total == 0 && !storageWhenEmpty) return 0;
    const std::int64_t capacity = std::int64_t{total} / granule * granule + granule;
    return capacity <= kMaxElements ? static_cast<std::int32_t>(capacity) : -1;
}

// ---- Bounds report ------------------------------------------------------------------------

namespace {

RuntimeString bracketLine(const char* label, const double* values, int count) {
    RuntimeString line(label);
    for (int k = 0; k < count; ++k) {
        char cell[48];
        std::snprintf(cell, sizeof cell, "[%4.0f]", values[k]);
        line.append(cell);
    }
    line.append("\n");
    return line;
}

}  // namespace

void writeBoundsReport(const ArrayShape& shape, const double* indices, int count) {
    int reported = 1;
    while (reported < count && reported < 4 && shape.size[reported] > 0) ++reported;
    const double sizes[] = {double(shape.size[0]), double(shape.size[1]),
                            double(shape.size[2]), double(shape.size[3])};
    const RuntimeString bounds = bracketLine("bounds: ", sizes, reported);
    const RuntimeString access = bracketLine("access: ", indices, reported);
    DebugOut(bounds);
    DebugOut(access);
    ErrorOut(bounds + access);
}

void failBounds(const ArrayShape& shape, const std::int32_t* indices, int count) {
    // The index as the program wrote it (truncated), before counting from the end.
    double written[4] = {0, 0, 0, 0};
    for (int k = 0; k < count; ++k) written[k] = indices[k];
    writeBoundsReport(shape, written, count);
    FatalError(kErrOutOfBounds);
}

void failOutOfMemory() { FatalError(kErrOutOfMemory); }

}  // namespace detail

// ---- Record operations ----------------------------------------------------------------------

void RedimRecords(RuntimeArray<RuntimeRecord>& array, std::int32_t s0, std::int32_t s1,
                  std::int32_t s2, std::int32_t s3) {
    if (s0 < 1) return;
    RuntimeArray<RuntimeRecord> resized;
    resized.dimension(s0, s1, s2, s3);
    const std::int32_t kept = std::min(array.shape().size[0], resized.shape().size[0]);
    for (std::int32_t i = 0; i < kept; ++i) resized(i) = std::move(array(i));
    array = std::move(resized);
}

namespace {

// Orders records by the routine's truncated result, or by key without one.
struct RecordOrder {
    RecordCompare compare;

    std::int32_t sign(const RuntimeRecord& a, const RuntimeRecord& b) const {
        if (compare == nullptr) return a.key < b.key ? -1 : (a.key > b.key ? 1 : 0);
        return truncToInt32(compare(&a, &b));
    }
    bool before(const RuntimeRecord& a, const RuntimeRecord& b) const { return sign(a, b) < 0; }
    bool after(const RuntimeRecord& a, const RuntimeRecord& b) const { return sign(a, b) > 0; }
};

// One partition pass over lo..hi around the element at hi; on return right < left and
// lo..right, left..hi are what remains to sort. The pivot is followed by position as it
// is exchanged, which is the same as holding a copy of it without copying its string.
void partition(RuntimeRecord* e, std::int32_t lo, std::int32_t hi, const RecordOrder& order,
               std::int32_t& left, std::int32_t& right) {
    std::int32_t pivot = hi;
    left = lo;
    right = hi;
    do {
        // The cursor limits never bind for a consistent order; they keep an inconsistent
        // comparison routine from walking off the table.
        while (left < hi && order.before(e[left], e[pivot])) ++left;
        while (right > lo && order.after(e[right], e[pivot])) --right;
        if (left <= right) {
            std::swap(e[left], e[right]);
            if (pivot == left) pivot = right;
            else if (pivot == right) pivot = left;
            ++left;
            --right;
        }
    } while (left <= right);
}

void quicksort(RuntimeRecord* e, std::int32_t lo, std::int32_t hi, const RecordOrder& order) {
    // Recurse into the smaller side and loop on the larger: the result is the same, but
    // already sorted input no longer needs a stack as deep as the table is long.
    while (lo < hi) {
        std::int32_t left = 0;
        std::int32_t right = 0;
        partition(e, lo, hi, order, left, right);
        if (right - lo < hi - left) {
            if (lo < right) quicksort(e, lo, right, order);
            lo = left;
        } else {
            if (left < hi) quicksort(e, left, hi, order);
            hi = right;
        }
    }
}

}  // namespace

void SortRecords(RuntimeArray<RuntimeRecord>& array, RecordCompare compare) {
    const std::int32_t n = array.shape().size[0];
    if (n < 2 || !array.hasStorage()) return;
    quicksort(array.data(), 0, n - 1, RecordOrder{compare});
}

}  // namespace qvt
