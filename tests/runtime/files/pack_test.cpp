// Media packs below the resolver: both entry codecs (round trips, the LZSS bit layout,
// corrupt streams), the container (layout, offsets from either end, every kind of lie a
// directory can tell) and the name index.
#include "files/pack.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "files_test_util.h"

namespace qvt {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Test inputs that stress different parts of a codec.
std::vector<Bytes> samples() {
    Bytes runs;
    for (int i = 0; i < 50000; ++i) runs.push_back(static_cast<std::uint8_t>((i / 300) % 3));
    Bytes text;
    for (int i = 0; i < 3000; ++i) {
        const std::string line = "entry " + std::to_string(i % 97) + " of the table\r\n";
        text.insert(text.end(), line.begin(), line.end());
    }
    return {Bytes{}, Bytes{42}, bytesOf("abcabcabc"), Bytes(100000, 0), runs, text,
            bytesOf(test::varied(70000, 5))};
}

void appendLe32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

Bytes lzssStored(std::uint32_t size, const Bytes& stream) {
    Bytes out;
    appendLe32(out, size | 0x80000000u);
    out.insert(out.end(), stream.begin(), stream.end());
    return out;
}

// ---- Codecs --------------------------------------------------------------------------------------

TEST(PackCodec, BothFormatsRoundTrip) {
    for (PackFormat format : {PackFormat::Lzo, PackFormat::Lzss}) {
        for (const Bytes& data : samples()) {
            const Bytes stored = EncodeStoredEntry(data, format);
            ASSERT_FALSE(stored.empty());
            StoredHeader header;
            ASSERT_TRUE(ReadStoredHeader(stored, header));
            EXPECT_EQ(header.format, format);
            EXPECT_EQ(header.unpacked, data.size());
            Bytes out;
            ASSERT_TRUE(DecodeStoredEntry(stored, out)) << "size " << data.size();
            EXPECT_EQ(out, data) << "format " << int(format) << ", size " << data.size();
        }
    }
}

TEST(PackCodec, CompressibleDataShrinks) {
    const Bytes zeros(100000, 0);
    EXPECT_LT(EncodeStoredEntry(zeros, PackFormat::Lzss).size(), zeros.size() / 7);
    EXPECT_LT(EncodeStoredEntry(zeros, PackFormat::Lzo).size(), zeros.size() / 100);
}

TEST(PackCodec, LzoEntryIsLengthThenPlainLzo1xStream) {
    const Bytes stored = EncodeStoredEntry(bytesOf("hello hello hello"), PackFormat::Lzo);
    ASSERT_GE(stored.size(), 4u);
    EXPECT_EQ(stored[0], 17);
    EXPECT_EQ(stored[1] | stored[2] | stored[3], 0) << "bit 31 clear: LZO1X";
}

TEST(PackCodec, LzssBitLayoutIsAsDocumented) {
    // Three literals (flag bits 0-2 set), then a reference with distance 3 and length 6:
    // v = (3 - 1) | (6 - 3) << 11 = 0x1802.
    const Bytes stream = {0x07, 'a', 'b', 'c', 0x02, 0x18};
    EXPECT_EQ(LzssCompress(bytesOf("abcabcabc")), stream);
    Bytes out(9);
    ASSERT_TRUE(LzssDecompress(stream, out));
    EXPECT_EQ(out, bytesOf("abcabcabc"));

    // Distance 1, length 18 repeats one byte: a run.
    Bytes run(19);
    ASSERT_TRUE(LzssDecompress(Bytes{0x01, 'z', 0x00, 0x78}, run));
    EXPECT_EQ(run, Bytes(19, 'z'));
}

TEST(PackCodec, CorruptLzssStreamsFail) {
    Bytes out(9);
    EXPECT_FALSE(LzssDecompress(Bytes{0x00, 0x00, 0x00}, out)) << "reference before the first byte";
    EXPECT_FALSE(LzssDecompress(Bytes{0x07, 'a', 'b', 'c', 0x02, 0x98}, out)) << "reserved bit 15";
    EXPECT_FALSE(LzssDecompress(Bytes{0x07, 'a', 'b', 'c', 0x02}, out)) << "half a reference";
    EXPECT_FALSE(LzssDecompress(Bytes{0x07, 'a', 'b'}, out)) << "cut short";
    EXPECT_FALSE(LzssDecompress(Bytes{0x07, 'a', 'b', 'c', 0x02, 0x18, 0x00}, out)) << "bytes left over";
    EXPECT_FALSE(LzssDecompress(Bytes{0x17, 'a', 'b', 'c', 0x02, 0x18}, out)) << "a stray flag bit";
    Bytes shorter(8);
    EXPECT_FALSE(LzssDecompress(Bytes{0x07, 'a', 'b', 'c', 0x02, 0x18}, shorter)) << "runs past the size";
}

TEST(PackCodec, HeadersThatPromiseTooMuchAreRefusedBeforeAllocating) {
    StoredHeader header;
    EXPECT_FALSE(ReadStoredHeader(Bytes{1, 2, 3}, header)) << "no room for a header";
    EXPECT_FALSE(ReadStoredHeader(lzssStored(1000, Bytes(10, 0xFF)), header))
        << "10 LZSS bytes cannot make 1000";
    EXPECT_TRUE(ReadStoredHeader(lzssStored(90, Bytes(10, 0xFF)), header));
    Bytes lzo;
    appendLe32(lzo, 0x7FFFFFFFu);
    lzo.resize(100, 0);
    EXPECT_FALSE(ReadStoredHeader(lzo, header)) << "2 GiB claimed from 96 bytes";
    Bytes out = {1, 2, 3};
    EXPECT_FALSE(DecodeStoredEntry(lzo, out));
    EXPECT_TRUE(out.empty()) << "a failed decode hands out nothing";
}

TEST(PackCodec, DamagedLzoStreamsFailCleanly) {
    const Bytes data = bytesOf(test::varied(5000, 2) + std::string(5000, 'x'));
    const Bytes stored = EncodeStoredEntry(data, PackFormat::Lzo);
    int failures = 0;
    for (std::size_t i = 4; i < stored.size(); i += 7) {
        Bytes broken = stored;
        broken[i] ^= 0x5A;
        Bytes out;
        if (!DecodeStoredEntry(broken, out)) {
            ++failures;
        } else {
            EXPECT_EQ(out.size(), data.size()) << "a decode that passes has the promised size";
        }
    }
    EXPECT_GT(failures, 0);
    Bytes cut(stored.begin(), stored.end() - 1);
    Bytes out;
    EXPECT_FALSE(DecodeStoredEntry(cut, out)) << "missing end marker";
    Bytes longer = stored;
    longer[0] += 1;
    EXPECT_FALSE(DecodeStoredEntry(longer, out)) << "length one more than the stream makes";
}

// ---- Container -----------------------------------------------------------------------------------

Bytes buildPack(const std::vector<PackFile>& files, PackFormat format = PackFormat::Lzss) {
    Bytes pack;
    std::string error;
    EXPECT_TRUE(BuildMediaPack(files, format, pack, error)) << error;
    return pack;
}

std::vector<PackFile> smallMedia() {
    return {{"a.txt", bytesOf("alpha")}, {"pell/ship.png", bytesOf(test::varied(3000, 4))}, {"empty", {}}};
}

std::int32_t le32At(const Bytes& b, std::size_t at) {
    std::int32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

TEST(PackContainer, TrailerMagicAndNegativeOffsets) {
    const Bytes pack = buildPack(smallMedia());
    ASSERT_GT(pack.size(), 7u);
    EXPECT_EQ(std::string(pack.end() - 7, pack.end() - 4), "pkQ");
    const std::int32_t dir = le32At(pack, pack.size() - 4);
    EXPECT_LT(dir, 0) << "counted from the end";
    const std::size_t dirAt = pack.size() + dir;
    EXPECT_EQ(pack[dirAt], 5) << "first name length";
    EXPECT_EQ(std::string(pack.begin() + dirAt + 1, pack.begin() + dirAt + 6), "a.txt");
    EXPECT_EQ(le32At(pack, dirAt + 6), -static_cast<std::int32_t>(pack.size())) << "first data at the start";
    EXPECT_EQ(pack[pack.size() - 8], 0) << "directory end marker before the trailer";
}

TEST(PackContainer, DirectoryReadsBackWholeAndAfterAnyPrefix) {
    const std::vector<PackFile> media = smallMedia();
    Bytes pack = buildPack(media);
    for (std::size_t prefix : {0u, 1u, 4096u}) {
        Bytes file(prefix, 0xEE);
        file.insert(file.end(), pack.begin(), pack.end());
        std::vector<PackEntry> entries;
        ASSERT_TRUE(ReadPackDirectory(MemoryPackSource(file), entries)) << "prefix " << prefix;
        ASSERT_EQ(entries.size(), media.size());
        for (std::size_t i = 0; i < media.size(); ++i) {
            EXPECT_EQ(entries[i].name, media[i].name);
            Bytes data;
            ASSERT_TRUE(ReadPackEntry(MemoryPackSource(file), entries[i], data));
            EXPECT_EQ(data, media[i].data) << media[i].name;
        }
    }
}

TEST(PackContainer, OffsetsFromTheStartWorkForAStandAlonePack) {
    const Bytes stored = EncodeStoredEntry(bytesOf("plain"), PackFormat::Lzss);
    Bytes pack = stored;
    const auto dirAt = static_cast<std::uint32_t>(pack.size());
    pack.push_back(1);
    pack.push_back('p');
    appendLe32(pack, 0);
    appendLe32(pack, static_cast<std::uint32_t>(stored.size()));
    pack.push_back(0);
    pack.insert(pack.end(), {'p', 'k', 'Q'});
    appendLe32(pack, dirAt);
    std::vector<PackEntry> entries;
    ASSERT_TRUE(ReadPackDirectory(MemoryPackSource(pack), entries));
    Bytes data;
    ASSERT_TRUE(ReadPackEntry(MemoryPackSource(pack), entries.at(0), data));
    EXPECT_EQ(data, bytesOf("plain"));
}

// Overwrites 4 bytes of the pack.
Bytes patched(Bytes pack, std::size_t at, std::int32_t value) {
    std::memcpy(pack.data() + at, &value, 4);
    return pack;
}

TEST(PackContainer, LyingDirectoriesAreRefused) {
    const Bytes pack = buildPack({{"a", bytesOf("alpha")}});
    const std::size_t trailerOffset = pack.size() - 4;
    const std::size_t dirAt = pack.size() + le32At(pack, trailerOffset);
    const std::size_t dataOffsetAt = dirAt + 2, dataSizeAt = dirAt + 6;
    const auto n = static_cast<std::int32_t>(pack.size());
    struct Case {
        const char* what;
        Bytes bytes;
    };
    Bytes badMagic = pack;
    badMagic[pack.size() - 6] = 'K';
    Bytes noEnd = pack;
    noEnd[pack.size() - 8] = 3;  // the end marker becomes the length of a name that runs into the trailer
    const Case cases[] = {
        {"wrong magic", badMagic},
        {"directory before the start", patched(pack, trailerOffset, -n - 1)},
        {"directory far before the start", patched(pack, trailerOffset, INT32_MIN)},
        {"directory in the trailer", patched(pack, trailerOffset, -7)},
        {"directory past the end", patched(pack, trailerOffset, n + 100)},
        {"data before the start", patched(pack, dataOffsetAt, -n - 1)},
        {"data running into the trailer", patched(pack, dataSizeAt, n)},
        {"negative data size", patched(pack, dataSizeAt, -1)},
        {"huge data size", patched(pack, dataSizeAt, INT32_MAX)},
        {"directory without end", noEnd},
        {"too short for a trailer", Bytes{'p', 'k', 'Q', 0, 0, 0}},
    };
    for (const Case& c : cases) {
        std::vector<PackEntry> entries;
        EXPECT_FALSE(ReadPackDirectory(MemoryPackSource(c.bytes), entries)) << c.what;
        EXPECT_TRUE(entries.empty()) << c.what;
    }
    // Counted from the start, a data offset may not count from the end.
    const Bytes positiveDir = patched(pack, trailerOffset, static_cast<std::int32_t>(dirAt));
    std::vector<PackEntry> entries;
    EXPECT_FALSE(ReadPackDirectory(MemoryPackSource(positiveDir), entries));
}

TEST(PackContainer, EveryCutAndEveryFlippedByteFailsCleanlyOrStaysInBounds) {
    const Bytes pack = buildPack(smallMedia());
    for (std::size_t keep = 0; keep < pack.size(); ++keep) {
        const Bytes cut(pack.begin(), pack.begin() + static_cast<std::ptrdiff_t>(keep));
        std::vector<PackEntry> entries;
        EXPECT_FALSE(ReadPackDirectory(MemoryPackSource(cut), entries)) << "cut to " << keep << " bytes";
    }
    for (std::size_t i = 0; i < pack.size(); ++i) {
        Bytes flipped = pack;
        flipped[i] ^= 0x81;
        std::vector<PackEntry> entries;
        if (!ReadPackDirectory(MemoryPackSource(flipped), entries)) continue;
        for (const PackEntry& e : entries) {
            ASSERT_LE(e.offset + static_cast<std::int64_t>(e.stored), static_cast<std::int64_t>(flipped.size()) - 7)
                << "byte " << i;
            Bytes data;
            ReadPackEntry(MemoryPackSource(flipped), e, data);  // may fail; must not overrun
        }
    }
}

// ---- Builder and index ------------------------------------------------------------------------

TEST(PackBuilder, RefusesNamesThatCannotBeLookedUpOrExtractedSafely) {
    EXPECT_TRUE(ValidPackName("pell/ship.png"));
    EXPECT_TRUE(ValidPackName(std::string(255, 'n')));
    const std::vector<std::string> bad = {"", "/abs", "a//b", "a/", "../x", "a/./b", "a\\b", std::string(256, 'n'),
                                          std::string("a\0b", 3)};
    for (const std::string& name : bad) {
        EXPECT_FALSE(ValidPackName(name)) << "\"" << name << "\"";
    }
    Bytes pack;
    std::string error;
    EXPECT_FALSE(BuildMediaPack({{"A.png", {}}, {"a.PNG", {}}}, PackFormat::Lzo, pack, error));
    EXPECT_NE(error.find("a.PNG"), std::string::npos) << error;
    EXPECT_FALSE(BuildMediaPack({{"../up", {}}}, PackFormat::Lzo, pack, error));
    EXPECT_TRUE(pack.empty());
}

TEST(PackIndex, FindsByPathTailPreferringTheLongestAndIgnoringCase) {
    std::vector<PackEntry> entries(4);
    entries[0].name = "ship.png";
    entries[1].name = "pell/ship.png";
    entries[2].name = "Dune/Null.MP3";
    entries[3].name = "a.png";
    const PackIndex index(entries);
    EXPECT_EQ(index.find("Media/pell/ship.png"), 1);
    EXPECT_EQ(index.find("Media\\PELL\\SHIP.PNG"), 1) << "backslashes and case";
    EXPECT_EQ(index.find("other/ship.png"), 0);
    EXPECT_EQ(index.find("ship.png"), 0);
    EXPECT_EQ(index.find("dune/null.mp3"), 2);
    EXPECT_EQ(index.find("null.mp3"), -1) << "a name with folders needs them";
    EXPECT_EQ(index.find("xa.png"), -1) << "tails start after a slash only";
    EXPECT_EQ(index.find(""), -1);
    EXPECT_EQ(PackIndex().find("a.png"), -1);
}

}  // namespace
}  // namespace qvt
