#include "core/arrays.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace qvt {
namespace {

using ::testing::ExitedWithCode;

RuntimeArray<double> countingNumbers(std::int32_t n) {
    RuntimeArray<double> a;
    DimNumbers(a, n);
    for (std::int32_t i = 0; i < n; ++i) a(i) = 100 + i;
    return a;
}

TEST(ArrayIndexTest, TruncatedIndexesCountFromTheEndOnceAndTheFirstVariesFastest) {
    auto a = countingNumbers(10);
    const std::pair<double, double> reads[] = {{9, 109}, {-10, 100}, {2.9, 102}, {-0.5, 100}};
    for (auto [index, value] : reads) EXPECT_EQ(a(index), value) << "index " << index;
    RuntimeArray<double> b;
    DimNumbers(b, 3, 4, 2);
    b(2, 1, 1) = 7;
    EXPECT_EQ(b.data()[2 + 1 * 3 + 1 * 12], 7);
    EXPECT_EQ(b(-1, -3, -1), 7) << "each index counts from the end of its own dimension";
}

TEST(ArrayBoundsDeathTest, BadAccessReportsTheIndexAsWrittenAndBadSizesAreFatal) {
    auto a = countingNumbers(10);
    EXPECT_EXIT(a(10), ExitedWithCode(1),
                "bounds: \\[  10\\]\naccess: \\[  10\\]\n(.|\n)*0009 out of bounds");
    RuntimeArray<double> never;
    DimNumbers(never, 0);
    ASSERT_TRUE(never.hasStorage());
    EXPECT_EXIT(never(0), ExitedWithCode(1), "0009") << "storage alone does not make 0 valid";
    EXPECT_EXIT(DimNumbers(never, 100000, 100000), ExitedWithCode(1), "0007 out of memory");
    RuntimeArray<RuntimeString> s;
    EXPECT_EXIT(DimStrings(s, INT32_MAX), ExitedWithCode(1), "0007") << "rounded capacity";
}

TEST(ArrayDimTest, ShapeCapacityPerKindAndReset) {
    auto a = countingNumbers(10);
    const double* before = a.data();
    // (size, capacity after) for numbers: steps of 8, never shrinking while it fits.
    for (auto [size, capacity] : {std::pair{12, 16}, {20, 24}, {16, 24}}) {
        DimNumbers(a, size);
        EXPECT_EQ(a.capacity(), capacity) << "size " << size;
        EXPECT_TRUE(size != 12 || a.data() == before) << "12 fits: storage kept";
        for (int i = 0; i < size; ++i) ASSERT_EQ(a(i), 0.0) << "size " << size << ", " << i;
    }
    DimNumbers(a, 2, 0, 4);
    EXPECT_EQ(a.shape().total, 8) << "up to the highest nonzero size";
    EXPECT_EQ(ArrayBounds(a, 2), 4);
    EXPECT_EQ(ArrayBounds(a, 4) + ArrayBounds(a, -1), 0) << "no such dimension";

    RuntimeArray<RuntimeString> s;
    DimStrings(s, 10);
    s(3) = RuntimeString("three");
    DimStrings(s, 64);
    EXPECT_TRUE(s(3).empty()) << "kept storage is reset";
    DimStrings(s, 0);
    EXPECT_FALSE(s.hasStorage()) << "a string array of 0 has no storage";
}

RuntimeArray<RuntimeRecord> records(std::int32_t n, std::uint32_t seed, int distinctKeys) {
    RuntimeArray<RuntimeRecord> r;
    DimRecords(r, n);
    for (std::int32_t i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const RuntimeString text(std::to_string(i).c_str());
        r(i) = RuntimeRecord{double((seed >> 8) % distinctKeys), text, double(i)};
    }
    return r;
}

using Contents = std::vector<std::pair<double, std::string>>;

Contents sortedContents(RuntimeArray<RuntimeRecord>& r) {
    Contents out;
    for (std::int32_t i = 0; i < ArrayBounds(r, 0); ++i) {
        out.emplace_back(r(i).key, std::string(r(i).text.view()));
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(RedimRecordsTest, KeepsTheFirstElementsAndIgnoresSizesBelowOne) {
    auto r = records(3, 1, 1000);
    RedimRecords(r, 100);
    RedimRecords(r, 0);
    EXPECT_TRUE(r(3).text.empty());
    EXPECT_EQ(std::string(r(2).text.view()), "2");
}

// a is the element under a cursor, b the pivot: swapped, this would sort descending.
double byValue(const RuntimeRecord* a, const RuntimeRecord* b) { return a->value - b->value; }
double alwaysBefore(const RuntimeRecord*, const RuntimeRecord*) { return -1.0; }
double alwaysAfter(const RuntimeRecord*, const RuntimeRecord*) { return 1.0; }

TEST(SortRecordsTest, SortsByKeyOrRoutineKeepingRecordsWhole) {
    for (int distinct : {1, 5, 1000}) {
        auto r = records(300, 17u + distinct, distinct);
        const Contents expected = sortedContents(r);
        SortRecords(r, nullptr);
        for (std::int32_t i = 1; i < 300; ++i) ASSERT_LE(r(i - 1).key, r(i).key) << i;
        EXPECT_EQ(sortedContents(r), expected) << distinct << " distinct keys";
    }
    auto descending = records(2000, 1, 1);
    for (int i = 0; i < 2000; ++i) descending(i).key = 2000 - i;
    SortRecords(descending, nullptr);
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(descending(i).key, i + 1) << "position " << i;
    RuntimeArray<RuntimeRecord> never;
    SortRecords(never, nullptr);

    auto r = records(200, 5, 1000);
    for (int i = 0; i < 200; ++i) r(i).value = (i * 37) % 200;
    SortRecords(r, byValue);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(r(i).value, i) << "position " << i;
    for (RecordCompare broken : {alwaysBefore, alwaysAfter}) {
        auto b = records(64, 9, 1000);
        const Contents expected = sortedContents(b);
        SortRecords(b, broken);
        EXPECT_EQ(sortedContents(b), expected) << "an inconsistent routine only exchanges";
    }
}

}  // namespace
}  // namespace qvt
