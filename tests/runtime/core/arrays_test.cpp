#include "core/arrays.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace qvt {
namespace {

using namespace std::string_view_literals;
using ::testing::ExitedWithCode;

RuntimeArray<double> countingNumbers(std::int32_t n) {
    RuntimeArray<double> a;
    DimNumbers(a, n);
    for (std::int32_t i = 0; i < n; ++i) a(i) = 100 + i;
    return a;
}

// ---- Indexing ---------------------------------------------------------------------------

TEST(ArrayIndexTest, NegativeIndexesCountFromTheEnd) {
    auto a = countingNumbers(10);
    EXPECT_EQ(a(9), 109);
    EXPECT_EQ(a(-1), 109) << "-1 is the last element";
    EXPECT_EQ(a(-10), 100) << "-size is the first element";
    EXPECT_EQ(a(0), 100);
}

TEST(ArrayIndexTest, FractionalIndexesTruncateTowardZero) {
    auto a = countingNumbers(10);
    EXPECT_EQ(a(2.9), 102);
    EXPECT_EQ(a(-0.5), 100) << "-0.5 truncates to 0, not -1";
    EXPECT_EQ(a(-1.9), 109) << "-1.9 truncates to -1";
    EXPECT_EQ(a(9.999), 109);
}

TEST(ArrayIndexTest, FirstIndexVariesFastest) {
    RuntimeArray<double> a;
    DimNumbers(a, 3, 4, 2);
    EXPECT_EQ(a.shape().dimensions, 3);
    EXPECT_EQ(a.shape().total, 24);
    a(2, 1, 1) = 7;
    EXPECT_EQ(a.data()[2 + 1 * 3 + 1 * 12], 7);
    EXPECT_EQ(a(-1, -3, -1), 7) << "each index counts from the end of its own dimension";
    RuntimeArray<double> four;
    DimNumbers(four, 2, 2, 2, 2);
    four(1, 0, 1, 1) = 5;
    EXPECT_EQ(four.data()[1 + 0 * 2 + 1 * 4 + 1 * 8], 5);
}

// ---- Bounds errors ------------------------------------------------------------------------

TEST(ArrayBoundsDeathTest, IndexPastTheEndReportsAndExits) {
    auto a = countingNumbers(10);
    EXPECT_EXIT(a(12), ExitedWithCode(1),
                "bounds: \\[  10\\]\naccess: \\[  12\\]\n(.|\n)*0009 out of bounds");
    EXPECT_EXIT(a(10), ExitedWithCode(1), "bounds: \\[  10\\]\naccess: \\[  10\\]\n");
}

TEST(ArrayBoundsDeathTest, NegativeIndexCountsFromTheEndOnlyOnce) {
    auto a = countingNumbers(10);
    // The index is reported as the program wrote it, not after adding the size.
    EXPECT_EXIT(a(-11), ExitedWithCode(1), "access: \\[ -11\\]\n(.|\n)*0009 out of bounds");
}

TEST(ArrayBoundsDeathTest, UnrepresentableIndexIsOutOfBounds) {
    auto a = countingNumbers(10);
    EXPECT_EXIT(a(1e12), ExitedWithCode(1), "0009 out of bounds");
    EXPECT_EXIT(a(std::nan("")), ExitedWithCode(1), "0009 out of bounds");
}

TEST(ArrayBoundsDeathTest, ArrayWithoutStorageIsFatal) {
    RuntimeArray<double> never;
    EXPECT_EXIT(never(0), ExitedWithCode(1),
                "bounds: \\[   0\\]\naccess: \\[   0\\]\n(.|\n)*0009 out of bounds");
    RuntimeArray<RuntimeString> emptied;
    DimStrings(emptied, 0);
    EXPECT_EXIT(emptied(0), ExitedWithCode(1), "0009 out of bounds");
    RuntimeArray<double> zeroNumbers;
    DimNumbers(zeroNumbers, 0);
    ASSERT_TRUE(zeroNumbers.hasStorage());
    EXPECT_EXIT(zeroNumbers(0), ExitedWithCode(1), "0009 out of bounds")
        << "storage alone does not make index 0 valid";
}

TEST(ArrayBoundsDeathTest, ReportShowsEveryDimensionOfTheAccess) {
    RuntimeArray<double> a;
    DimNumbers(a, 3, 4);
    EXPECT_EXIT(a(1, 4), ExitedWithCode(1),
                "bounds: \\[   3\\]\\[   4\\]\naccess: \\[   1\\]\\[   4\\]\n");
    EXPECT_EXIT(a(3, 0), ExitedWithCode(1), "access: \\[   3\\]\\[   0\\]\n");
}

TEST(ArrayBoundsTest, ReportStopsAtTheFirstUnusedDimension) {
    RuntimeArray<double> a;
    DimNumbers(a, 2, 3, 0, 4);
    ::testing::internal::CaptureStderr();
    ReportBounds(a, 5, 6, 7, 8);
    const std::string report = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(report, "bounds: [   2][   3]\naccess: [   5][   6]\n");
}

TEST(ArrayBoundsDeathTest, SizesBeyondInt32AreOutOfMemory) {
    RuntimeArray<double> a;
    EXPECT_EXIT(DimNumbers(a, 100000, 100000), ExitedWithCode(1), "0007 out of memory");
    EXPECT_EXIT(DimNumbers(a, 2, 2, 65536, 65536), ExitedWithCode(1), "0007 out of memory")
        << "a product that wraps to a small int32 must still be caught";
    RuntimeArray<RuntimeString> s;
    EXPECT_EXIT(DimStrings(s, INT32_MAX), ExitedWithCode(1), "0007 out of memory")
        << "the rounded capacity leaves int32";
}

// ---- Dimensioning and capacity -----------------------------------------------------------

TEST(ArrayDimTest, NumberCapacityRoundsToEightAndIsReused) {
    auto a = countingNumbers(10);
    EXPECT_EQ(a.capacity(), 16);
    const double* before = a.data();
    DimNumbers(a, 12);
    EXPECT_EQ(a.capacity(), 16);
    EXPECT_EQ(a.data(), before) << "12 fits: storage kept";
    for (int i = 0; i < 12; ++i) EXPECT_EQ(a(i), 0.0) << "element " << i << " reset";
    DimNumbers(a, 20);
    EXPECT_EQ(a.capacity(), 24);
    DimNumbers(a, 16);
    EXPECT_EQ(a.capacity(), 24) << "storage never shrinks";
    DimNumbers(a, 24);
    EXPECT_EQ(a.capacity(), 24);
    DimNumbers(a, 25);
    EXPECT_EQ(a.capacity(), 32);
}

TEST(ArrayDimTest, SizeBelowOneForcesFreshStorage) {
    auto a = countingNumbers(100);
    DimNumbers(a, -3);
    EXPECT_EQ(a.capacity(), 8) << "numbers keep 8 zeroed elements";
    EXPECT_EQ(ArrayBounds(a, 0), 0);
    EXPECT_EQ(a.shape().total, 0);
    EXPECT_EQ(a.data()[0], 0.0);
}

TEST(ArrayDimTest, StringCapacityRoundsToSixtyFour) {
    RuntimeArray<RuntimeString> s;
    DimStrings(s, 10);
    EXPECT_EQ(s.capacity(), 64);
    s(3) = RuntimeString("three");
    DimStrings(s, 64);
    EXPECT_EQ(s.capacity(), 64) << "64 still fits";
    DimStrings(s, 65);
    EXPECT_EQ(s.capacity(), 128);
    DimStrings(s, 50);
    EXPECT_TRUE(s(3).empty());
    s(49) = RuntimeString("last");
    DimStrings(s, 50);
    EXPECT_TRUE(s(49).empty()) << "re-dimensioning resets kept storage";
    DimStrings(s, 0);
    EXPECT_FALSE(s.hasStorage()) << "a string array of 0 has no storage";
    EXPECT_EQ(s.capacity(), 0);
}

TEST(ArrayDimTest, RecordsStartAsZeroEmptyZero) {
    RuntimeArray<RuntimeRecord> r;
    DimRecords(r, 5);
    EXPECT_EQ(r.capacity(), 64);
    r(4) = RuntimeRecord{1.5, RuntimeString("name"), 2.5};
    DimRecords(r, 5);
    EXPECT_EQ(r(4).key, 0.0);
    EXPECT_TRUE(r(4).text.empty());
    EXPECT_EQ(r(4).value, 0.0);
}

TEST(ArrayDimTest, ShapeAndArrayBounds) {
    RuntimeArray<double> a;
    EXPECT_EQ(a.shape().dimensions, 0);
    DimNumbers(a, 10);
    EXPECT_EQ(a.shape().dimensions, 1);
    EXPECT_EQ(ArrayBounds(a, 0), 10);
    EXPECT_EQ(ArrayBounds(a, 1), 0) << "one-dimensional array";
    EXPECT_EQ(ArrayBounds(a, 4), 0);
    EXPECT_EQ(ArrayBounds(a, -1), 0);
    DimNumbers(a, 2, 3, 4, 5);
    EXPECT_EQ(a.shape().dimensions, 4);
    EXPECT_EQ(a.shape().total, 120);
    EXPECT_EQ(ArrayBounds(a, 3), 5);
    DimNumbers(a, 2, 0, 4);
    EXPECT_EQ(a.shape().dimensions, 3) << "counts up to the highest nonzero size";
    EXPECT_EQ(a.shape().total, 8);
}

TEST(ArrayDimTest, MoveLeavesTheSourceEmpty) {
    auto a = countingNumbers(4);
    RuntimeArray<double> b = std::move(a);
    EXPECT_FALSE(a.hasStorage());
    EXPECT_EQ(ArrayBounds(a, 0), 0);
    EXPECT_EQ(b(3), 103);
}

// ---- RedimRecords --------------------------------------------------------------------------

RuntimeArray<RuntimeRecord> namedRecords(std::int32_t n) {
    RuntimeArray<RuntimeRecord> r;
    DimRecords(r, n);
    for (std::int32_t i = 0; i < n; ++i) {
        r(i) = RuntimeRecord{double(i), RuntimeString(("n" + std::to_string(i)).c_str()), double(-i)};
    }
    return r;
}

TEST(RedimRecordsTest, GrowingKeepsEveryElement) {
    auto r = namedRecords(3);
    RedimRecords(r, 100);
    ASSERT_EQ(ArrayBounds(r, 0), 100);
    EXPECT_EQ(r.capacity(), 128);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(r(i).key, i);
        EXPECT_EQ(r(i).text.view(), "n" + std::to_string(i));
        EXPECT_EQ(r(i).value, -i);
    }
    EXPECT_TRUE(r(3).text.empty());
    EXPECT_EQ(r(99).key, 0.0);
}

TEST(RedimRecordsTest, ShrinkingKeepsTheFirstElements) {
    auto r = namedRecords(5);
    RedimRecords(r, 2);
    ASSERT_EQ(ArrayBounds(r, 0), 2);
    EXPECT_EQ(r(1).text.view(), "n1"sv);
    EXPECT_EQ(r(-1).key, 1.0);
}

TEST(RedimRecordsTest, SizeBelowOneLeavesTheArrayAlone) {
    auto r = namedRecords(4);
    RedimRecords(r, 0);
    RedimRecords(r, -2);
    ASSERT_EQ(ArrayBounds(r, 0), 4);
    EXPECT_EQ(r(3).text.view(), "n3"sv);
}

TEST(RedimRecordsTest, NeverDimensionedArrayGrowsFromNothing) {
    RuntimeArray<RuntimeRecord> r;
    RedimRecords(r, 1);
    ASSERT_EQ(ArrayBounds(r, 0), 1);
    EXPECT_TRUE(r(0).text.empty());
}

// ---- SortRecords ------------------------------------------------------------------------------

std::vector<std::pair<double, std::string>> contents(RuntimeArray<RuntimeRecord>& r) {
    std::vector<std::pair<double, std::string>> out;
    for (std::int32_t i = 0; i < ArrayBounds(r, 0); ++i) {
        out.emplace_back(r(i).key, std::string(r(i).text.view()));
    }
    return out;
}

RuntimeArray<RuntimeRecord> scrambled(std::int32_t n, std::uint32_t seed, int distinctKeys) {
    RuntimeArray<RuntimeRecord> r;
    DimRecords(r, n);
    std::uint32_t x = seed;
    for (std::int32_t i = 0; i < n; ++i) {
        x = x * 1664525u + 1013904223u;
        r(i).key = double((x >> 8) % distinctKeys);
        r(i).text = RuntimeString(("r" + std::to_string(i)).c_str());
        r(i).value = i;
    }
    return r;
}

TEST(SortRecordsTest, SortsByKeyWithDuplicatesKeepingRecordsWhole) {
    for (int distinct : {1, 2, 5, 1000}) {
        auto r = scrambled(300, 17u + distinct, distinct);
        auto expected = contents(r);
        SortRecords(r, nullptr);
        auto actual = contents(r);
        for (std::size_t i = 1; i < actual.size(); ++i) {
            ASSERT_LE(actual[i - 1].first, actual[i].first) << "position " << i << ", " << distinct
                                                            << " distinct keys";
        }
        std::sort(expected.begin(), expected.end());
        std::sort(actual.begin(), actual.end());
        EXPECT_EQ(actual, expected) << "every (key, text) pair survives the exchanges";
    }
}

TEST(SortRecordsTest, SortedAndReversedInput) {
    auto ascending = scrambled(2000, 1, 1);
    for (int i = 0; i < 2000; ++i) ascending(i).key = i;
    SortRecords(ascending, nullptr);
    EXPECT_EQ(ascending(0).key, 0);
    EXPECT_EQ(ascending(1999).key, 1999);
    auto descending = scrambled(2000, 1, 1);
    for (int i = 0; i < 2000; ++i) descending(i).key = 2000 - i;
    SortRecords(descending, nullptr);
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(descending(i).key, i + 1) << "position " << i;
}

TEST(SortRecordsTest, FewerThanTwoElementsIsANoOp) {
    RuntimeArray<RuntimeRecord> never;
    SortRecords(never, nullptr);
    EXPECT_FALSE(never.hasStorage());
    auto one = namedRecords(1);
    SortRecords(one, nullptr);
    EXPECT_EQ(one(0).text.view(), "n0"sv);
}

const RuntimeRecord* firstA = nullptr;
const RuntimeRecord* firstB = nullptr;

double byValueRecordingFirstCall(const RuntimeRecord* a, const RuntimeRecord* b) {
    if (firstA == nullptr) {
        firstA = a;
        firstB = b;
    }
    return a->value - b->value;
}

TEST(SortRecordsTest, ComparisonRoutineDecidesTheOrder) {
    auto r = scrambled(200, 5, 1000);
    for (int i = 0; i < 200; ++i) r(i).value = (i * 37) % 200;
    firstA = firstB = nullptr;
    SortRecords(r, byValueRecordingFirstCall);
    EXPECT_EQ(firstA, r.data()) << "first call: element under the left cursor";
    EXPECT_EQ(firstB, r.data() + 199) << "second argument: the pivot at hi";
    for (int i = 0; i < 200; ++i) ASSERT_EQ(r(i).value, i) << "ascending by value, position " << i;
}

double fractionBelow(const RuntimeRecord*, const RuntimeRecord*) { return -0.9; }
double fractionAbove(const RuntimeRecord*, const RuntimeRecord*) { return 0.9; }
double allEqual(const RuntimeRecord*, const RuntimeRecord*) { return 0.0; }

TEST(SortRecordsTest, ResultIsTruncatedBeforeItOrders) {
    auto reference = scrambled(50, 3, 1000);
    auto below = scrambled(50, 3, 1000);
    auto above = scrambled(50, 3, 1000);
    SortRecords(reference, allEqual);
    SortRecords(below, fractionBelow);
    SortRecords(above, fractionAbove);
    EXPECT_EQ(contents(below), contents(reference)) << "-0.9 reads as equal";
    EXPECT_EQ(contents(above), contents(reference)) << "0.9 reads as equal";
}

double alwaysBefore(const RuntimeRecord*, const RuntimeRecord*) { return -1.0; }
double alwaysAfter(const RuntimeRecord*, const RuntimeRecord*) { return 1.0; }

TEST(SortRecordsTest, InconsistentRoutineStaysInsideTheTable) {
    for (RecordCompare broken : {alwaysBefore, alwaysAfter}) {
        auto r = scrambled(64, 9, 1000);
        auto expected = contents(r);
        SortRecords(r, broken);
        auto actual = contents(r);
        std::sort(expected.begin(), expected.end());
        std::sort(actual.begin(), actual.end());
        EXPECT_EQ(actual, expected) << "elements are only exchanged, never lost";
    }
}

}  // namespace
}  // namespace qvt
