// Media packs below the resolver: the entry codecs (the LZSS bit layout, corrupt streams),
// the container (layout, offsets from either end, directories that lie) and the name index.
// Round trips and arbitrary bytes: tests/fuzz/pack_dir_fuzz and pack_entry_fuzz; whole packs
// in both formats: resolver_test.
#include "files/pack.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "files_helpers.h"

namespace qvt {
namespace {

using test::Bytes;
using test::bytesOf;
using test::packOf;

TEST(PackCodecTest, LzssBitLayoutAndCorruptStreams) {
    // Three literals (flag bits 0-2 set), then a reference with distance 3 and length 6:
    // v = (3 - 1) | (6 - 3) << 11 = 0x1802.
    const Bytes stream = {0x07, 'a', 'b', 'c', 0x02, 0x18};
    EXPECT_EQ(LzssCompress(bytesOf("abcabcabc")), stream);
    EXPECT_LT(EncodeStoredEntry(Bytes(100000, 0), PackFormat::Lzss).size(), 100000u / 7);
    Bytes out(9);
    ASSERT_TRUE(LzssDecompress(stream, out));
    EXPECT_EQ(out, bytesOf("abcabcabc"));

    const std::pair<Bytes, const char*> corrupt[] = {
        {{0x00, 0x00, 0x00}, "reference before the first byte"},
        {{0x07, 'a', 'b', 'c', 0x02, 0x98}, "reserved bit 15"},
        {{0x07, 'a', 'b', 'c', 0x02}, "half a reference"},
        {{0x07, 'a', 'b', 'c', 0x02, 0x18, 0x00}, "bytes left over"},
        {{0x17, 'a', 'b', 'c', 0x02, 0x18}, "a stray flag bit"}};
    for (const auto& [bytes, what] : corrupt) EXPECT_FALSE(LzssDecompress(bytes, out)) << what;
    Bytes shorter(8);
    EXPECT_FALSE(LzssDecompress(stream, shorter)) << "runs past the size";
}

TEST(PackCodecTest, LyingHeadersAndDamagedStreamsFailCleanly) {
    StoredHeader header;
    Bytes lzss;
    test::append32(lzss, 1000 | 0x80000000u);
    lzss.resize(14, 0xFF);
    EXPECT_FALSE(ReadStoredHeader(lzss, header)) << "10 LZSS bytes cannot make 1000";
    test::put32(lzss, 0, 90 | 0x80000000u);
    EXPECT_TRUE(ReadStoredHeader(lzss, header)) << "but they can make 90";
    Bytes lzo;
    test::append32(lzo, 0x7FFFFFFFu);
    lzo.resize(100, 0);
    Bytes out = {1, 2, 3};
    EXPECT_FALSE(DecodeStoredEntry(lzo, out)) << "2 GiB claimed from 96 bytes";
    EXPECT_TRUE(out.empty()) << "a failed decode hands out nothing";

    const Bytes stored = EncodeStoredEntry(bytesOf(test::varied(5000, 2)), PackFormat::Lzo);
    Bytes longer = stored;
    longer[0] += 1;
    EXPECT_FALSE(DecodeStoredEntry(longer, out)) << "length one more than the stream makes";
}

std::int32_t le32At(const Bytes& b, std::size_t at) {
    std::int32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

// Packs written and read back after a prefix (an executable): resolver_test. A stand-alone
// pack may count its offsets from the start; this one is made by hand, which also pins the
// layout the writer must keep.
TEST(PackContainerTest, OffsetsFromTheStart) {
    std::vector<PackEntry> entries;
    Bytes data;
    Bytes plain = EncodeStoredEntry(bytesOf("plain"), PackFormat::Lzss);
    const auto storedSize = static_cast<std::uint32_t>(plain.size());
    plain.insert(plain.end(), {1, 'p'});
    test::append32(plain, 0);
    test::append32(plain, storedSize);
    plain.insert(plain.end(), {0, 'p', 'k', 'Q'});
    test::append32(plain, storedSize);
    ASSERT_TRUE(ReadPackDirectory(MemoryPackSource(plain), entries));
    ASSERT_TRUE(ReadPackEntry(MemoryPackSource(plain), entries.at(0), data));
    EXPECT_EQ(data, bytesOf("plain"));
}

Bytes patched(Bytes pack, std::size_t at, std::int32_t value) {
    test::put32(pack, at, static_cast<std::uint32_t>(value));
    return pack;
}

TEST(PackContainerTest, LyingDirectoriesAreRefused) {
    const Bytes pack = packOf({{"a", bytesOf("alpha")}});
    const std::size_t trailer = pack.size() - 4;
    const std::size_t dirAt = pack.size() + le32At(pack, trailer);
    const auto n = static_cast<std::int32_t>(pack.size());
    Bytes badMagic = pack;
    badMagic[pack.size() - 6] = 'K';
    Bytes noEnd = pack;
    noEnd[pack.size() - 8] = 3;  // the end marker becomes a name running into the trailer
    const std::pair<const char*, Bytes> cases[] = {
        {"wrong magic", badMagic},
        {"directory before the start", patched(pack, trailer, -n - 1)},
        {"directory in the trailer", patched(pack, trailer, -7)},
        {"data before the start", patched(pack, dirAt + 2, -n - 1)},
        {"data running into the trailer", patched(pack, dirAt + 6, n)},
        {"negative data size", patched(pack, dirAt + 6, -1)},
        {"directory without end", noEnd},
        {"data counted from the end in a pack counted from the start",
         patched(pack, trailer, static_cast<std::int32_t>(dirAt))}};
    for (const auto& [what, bytes] : cases) {
        std::vector<PackEntry> entries;
        EXPECT_FALSE(ReadPackDirectory(MemoryPackSource(bytes), entries)) << what;
        EXPECT_TRUE(entries.empty()) << what;
    }
    for (std::size_t keep = 0; keep < pack.size(); ++keep) {
        const Bytes cut(pack.begin(), pack.begin() + keep);
        std::vector<PackEntry> entries;
        EXPECT_FALSE(ReadPackDirectory(MemoryPackSource(cut), entries)) << "cut to " << keep;
    }
}

TEST(PackBuilderTest, RefusesNamesThatCannotBeLookedUpOrExtractedSafely) {
    EXPECT_TRUE(ValidPackName("pell/ship.png"));
    EXPECT_TRUE(ValidPackName(std::string(255, 'n')));
    const std::string refused[] = {"",      "/abs",  "a//b", "../x",
                                   "a/./b", "a\\b", std::string(256, 'n')};
    for (const std::string& name : refused) EXPECT_FALSE(ValidPackName(name)) << name;
    Bytes pack;
    std::string error;
    EXPECT_FALSE(BuildMediaPack({{"A.png", {}}, {"a.PNG", {}}}, PackFormat::Lzo, pack, error));
    EXPECT_FALSE(BuildMediaPack({{"../up", {}}}, PackFormat::Lzo, pack, error));
    EXPECT_TRUE(pack.empty());
}

TEST(PackIndexTest, FindsByPathTailPreferringTheLongestAndIgnoringCase) {
    std::vector<PackEntry> entries(3);
    entries[0].name = "ship.png";
    entries[1].name = "pell/ship.png";
    entries[2].name = "a.png";
    const PackIndex index(entries);
    const std::pair<const char*, std::ptrdiff_t> finds[] = {
        {"Media\\PELL\\SHIP.PNG", 1}, {"other/ship.png", 0}, {"xa.png", -1}, {"", -1}};
    for (auto [path, at] : finds) EXPECT_EQ(index.find(path), at) << path;
}

}  // namespace
}  // namespace qvt
