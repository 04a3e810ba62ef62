// The closed set's hash: the bucket rule and its exponents. Finds, inserts and unlinks run in
// every search of find_path_test.
#include "path/nodes.h"

#include <gtest/gtest.h>

#include <tuple>

namespace qvt {
namespace {

TEST(NodeHashTableTest, BucketsTakeTheLowBitsOfXAndY) {
    // Exponent, buckets, cell, bucket: 8 takes the low 4 bits of x, then of y; an odd one
    // loses its lowest bit; 24 is the most.
    const std::tuple<int, int, int, int, std::uint32_t> cases[] = {
        {8, 256, 0x123, 0x45, 0x53}, {9, 256, 17, 1, 0x11}, {20, 1 << 20, 1023, 1023, 0xFFFFF},
        {30, 1 << 24, 4097, 2, 0x2001}, {-3, 1, 55, 66, 0}};
    for (const auto& [exponent, buckets, x, y, bucket] : cases) {
        NodeHashTable table;
        ASSERT_TRUE(table.resize(exponent));
        EXPECT_EQ(std::pair(table.bucketCount(), table.bucketOf(x, y)), std::pair(buckets, bucket)) << exponent;
    }
}

}  // namespace
}  // namespace qvt
