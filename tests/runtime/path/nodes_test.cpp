// The closed set's hash: the bucket rule, exponents, and finds that unlink in place.
#include "path/nodes.h"

#include <gtest/gtest.h>

#include <iterator>
#include <tuple>
#include <vector>

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

TEST(NodeHashTableTest, SharedBucketsFindInsertOnceAndUnlink) {
    NodeFactory pool;
    ASSERT_TRUE(pool.resize(4));
    pool.take(nullptr, 9, 9, 0, 0);
    // All three share bucket 1 of 256.
    Node* a = pool.take(nullptr, 1, 0, 0, 0);
    Node* b = pool.take(nullptr, 17, 16, 0, 0);
    Node* c = pool.take(nullptr, 33, 0, 0, 0);
    EXPECT_EQ(pool.take(nullptr, 0, 0, 0, 0), nullptr) << "the pool of 4 is used up";
    NodeHashTable table;
    ASSERT_TRUE(table.resize(8));
    for (Node* n : {a, b, c, b}) table.insert(n);
    EXPECT_EQ(table.find(17, 16), b);
    table.unlinkFound();
    const Node* found[] = {table.find(17, 16), table.find(1, 0), table.find(33, 0), table.find(2, 0)};
    EXPECT_EQ(std::vector<const Node*>(std::begin(found), std::end(found)), std::vector<const Node*>({nullptr, a, c, nullptr}));
    table.unlinkFound();  // nothing found: nothing unlinked
    EXPECT_EQ(table.find(1, 0), a);
    table.clear();
    EXPECT_EQ(table.find(1, 0), nullptr);
}

}  // namespace
}  // namespace qvt
