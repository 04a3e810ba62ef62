#include "core/cipher.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace qvt {
namespace {

std::string fromHex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoul(hex.substr(i, 2), nullptr, 16));
    return out;
}

std::string toHex(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) out += {"0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]};
    return out;
}

std::string upperCase(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string str(const RuntimeString& s) { return std::string(s.view()); }

// Reverses the byte order inside each 4-byte half.
std::string swapHalves(std::string out) {
    for (std::size_t i = 0; i + 4 <= out.size(); i += 4) {
        std::swap(out[i], out[i + 3]);
        std::swap(out[i + 1], out[i + 2]);
    }
    return out;
}

// Bytes in 1..255, so a round trip is never cut short by a zero byte.
std::string randomText(std::mt19937& rng, std::size_t length) {
    std::string s(length, '\0');
    for (char& c : s) c = static_cast<char>(std::uniform_int_distribution<int>(1, 255)(rng));
    return s;
}

// Published Blowfish ECB vectors (key, plain, cipher; big-endian as printed there).
struct Vector {
    const char* key;
    const char* plain;
    const char* cipher;
};

constexpr Vector kVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
    // Keys of other lengths: the schedule takes key bytes cyclically.
    {"F0", "FEDCBA9876543210", "F9AD597C49DB005E"},
    {"F0E1D2", "FEDCBA9876543210", "E9C2B70A1BC65CF3"},
    {"F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677", "FEDCBA9876543210", "05044B62FA52D080"},
};

TEST(BlowfishTest, StandardVectorsOnHalvesAndAsLittleEndianText) {
    Blowfish cipher;  // re-keyed for every vector: setKey must replace the whole state
    for (const Vector& v : kVectors) {
        SCOPED_TRACE(std::string("key ") + v.key + " plain " + v.plain);
        const std::string key = fromHex(v.key);
        cipher.setKey(reinterpret_cast<const std::uint8_t*>(key.data()), key.size());
        const std::uint64_t plain = std::stoull(v.plain, nullptr, 16);
        std::uint32_t l = static_cast<std::uint32_t>(plain >> 32);
        std::uint32_t r = static_cast<std::uint32_t>(plain);
        cipher.encryptBlock(l, r);
        EXPECT_EQ((std::uint64_t{l} << 32) | r, std::stoull(v.cipher, nullptr, 16));
        cipher.decryptBlock(l, r);
        EXPECT_EQ((std::uint64_t{l} << 32) | r, plain);

        // EncryptText reads each half little-endian: the same vector with halves reversed.
        const std::string text = swapHalves(fromHex(v.plain));
        const std::string hex = toHex(swapHalves(fromHex(v.cipher)));
        const RuntimeString rkey(key);
        EXPECT_EQ(str(EncryptText(rkey, RuntimeString(text))), hex);
        const std::string untilZero = text.substr(0, text.find('\0'));
        EXPECT_EQ(str(DecryptText(rkey, RuntimeString(hex))), untilZero);
        EXPECT_EQ(str(DecryptText(rkey, RuntimeString(upperCase(hex)))), untilZero) << "upper case";
    }
}

TEST(EncryptTextTest, LengthsAndRoundTrips) {
    std::mt19937 rng(20240607);
    for (const std::string& keyText : {std::string("k"), std::string("m4rq7e2dw"), randomText(rng, 80)}) {
        const RuntimeString key(keyText);
        for (std::size_t n = 0; n <= 17; ++n) {
            const std::string plain = randomText(rng, n);
            const std::string hex = str(EncryptText(key, RuntimeString(plain)));
            EXPECT_EQ(hex.size(), (n + 7) / 8 * 16) << "length " << n;
            EXPECT_EQ(hex.find_first_not_of("0123456789abcdef"), std::string::npos) << hex;
            EXPECT_EQ(str(DecryptText(key, RuntimeString(hex))), plain) << "length " << n;
        }
    }
    const RuntimeString key("m4rq7e2dw");
    const std::string twice = str(EncryptText(key, "ABCDEFGHABCDEFGH"));
    EXPECT_EQ(twice.substr(0, 16), twice.substr(16)) << "ECB: equal blocks encipher equally";
    EXPECT_EQ(str(EncryptText(key, "ABC")), str(EncryptText(key, RuntimeString("ABC\0\0\0\0\0", 8))))
        << "a short block is zero-filled";
    EXPECT_TRUE(EncryptText("", "secret").empty()) << "empty key";
    EXPECT_TRUE(DecryptText("", "0123456789abcdef").empty()) << "empty key";
}

TEST(EncryptTextTest, OnlyTheFirst72KeyBytesCount) {
    std::mt19937 rng(7);
    const std::string key72 = randomText(rng, 72);
    const std::string base = str(EncryptText(RuntimeString(key72), "hiscore"));
    EXPECT_EQ(str(EncryptText(RuntimeString(key72 + "tail"), "hiscore")), base);
    std::string changed = key72;
    changed[71] = static_cast<char>(changed[71] ^ 1);
    EXPECT_NE(str(EncryptText(RuntimeString(changed), "hiscore")), base) << "byte 72 still counts";
}

TEST(EncryptTextTest, EmbeddedZeroIsEncipheredAndCutsTheDecipheredText) {
    const RuntimeString key("m4rq7e2dw");
    const RuntimeString hex = EncryptText(key, RuntimeString("ab\0cd", 5));
    EXPECT_EQ(hex.length(), 16u);
    EXPECT_NE(str(hex), str(EncryptText(key, "ab"))) << "bytes after the zero are enciphered";
    EXPECT_EQ(str(DecryptText(key, hex)), "ab");
}

TEST(DecryptTextTest, OddTailIgnoredAndNonHexFollowsTheDigitArithmetic) {
    const RuntimeString key("m4rq7e2dw");
    const std::string hex = str(EncryptText(key, "ORVELSOFT"));
    for (const char* tail : {"0", "Z", "\xff"}) EXPECT_EQ(str(DecryptText(key, RuntimeString(hex + tail))), "ORVELSOFT") << tail;
    // v(c) = c - '0' up to '9', c - 'a' + 10 above: '/' is -1 and 'g'..'v' are 16..31, so
    // byte b can be written as hi = b / 16 - 1 (or '/') and lo = 'g' + b % 16.
    std::string odd;
    for (unsigned char b : fromHex(hex)) odd += {b < 16 ? '/' : "0123456789abcdef"[b / 16 - 1], static_cast<char>('g' + b % 16)};
    EXPECT_EQ(str(DecryptText(key, RuntimeString(odd))), "ORVELSOFT") << odd;
    EXPECT_EQ(str(DecryptText(key, RuntimeString(upperCase(odd)))), "ORVELSOFT") << "lower-cased first";
    // Bytes above 127 count as negative: "\xff0" is 16 * (-1 - '0') = -784, 0xf0 modulo 256.
    const std::string rest(14, '1');
    const RuntimeString viaHex = DecryptText(key, RuntimeString("f0" + rest));
    ASSERT_FALSE(viaHex.empty());
    EXPECT_EQ(str(DecryptText(key, RuntimeString("\xff" "0" + rest))), str(viaHex));
}

// m = n + n mod 8 may pass the decoded bytes; the gap is deciphered zero fill.
TEST(DecryptTextTest, PartialBlocksDecipherZeroFill) {
    const Blowfish cipher(reinterpret_cast<const std::uint8_t*>("m4rq7e2dw"), 9);
    for (std::size_t n : {1u, 3u, 7u, 9u, 12u, 15u}) {
        const std::size_t m = n + n % 8;
        std::vector<std::uint8_t> buffer((m + 7) / 8 * 8, 0);
        std::fill_n(buffer.begin(), n, 0x5a);
        cipher.decryptBlocks(buffer.data(), buffer.size() / 8);
        std::string expected(reinterpret_cast<const char*>(buffer.data()), m);
        expected = expected.substr(0, expected.find('\0'));
        std::string hex;
        for (std::size_t k = 0; k < n; ++k) hex += "5a";
        EXPECT_EQ(str(DecryptText(RuntimeString("m4rq7e2dw"), RuntimeString(hex))), expected) << "n = " << n;
    }
}

}  // namespace
}  // namespace qvt
