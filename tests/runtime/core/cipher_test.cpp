#include "core/cipher.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace qvt {
namespace {

// ---- helpers ---------------------------------------------------------------------------

std::vector<std::uint8_t> bytesFromHex(const std::string& hex) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        out.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return out;
}

std::string upperCase(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

RuntimeString textOf(const std::vector<std::uint8_t>& bytes) {
    return RuntimeString(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::string str(const RuntimeString& s) { return std::string(s.view()); }

// Reverses the byte order inside each 4-byte half of every 8-byte block.
std::string swapHalves(const std::string& bytes) {
    std::string out = bytes;
    for (std::size_t i = 0; i + 4 <= out.size(); i += 4) {
        std::swap(out[i], out[i + 3]);
        std::swap(out[i + 1], out[i + 2]);
    }
    return out;
}

// Plain text bytes in 1..255, so a round trip is never cut short by a zero byte.
std::string randomText(std::mt19937& rng, std::size_t length) {
    std::uniform_int_distribution<int> byte(1, 255);
    std::string s(length, '\0');
    for (char& c : s) c = static_cast<char>(byte(rng));
    return s;
}

// ---- the standard block cipher ----------------------------------------------------------

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
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
    {"07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
    {"3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
    {"04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A"},
    {"0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918"},
    {"0170F175468FB5E6", "0756D8E0774761D2", "432193B78951FC98"},
    {"43297FAD38E373FE", "762514B829BF486A", "13F04154D69D1AE5"},
    {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
    // Keys of other lengths: the schedule takes key bytes cyclically.
    {"F0", "FEDCBA9876543210", "F9AD597C49DB005E"},
    {"F0E1D2", "FEDCBA9876543210", "E9C2B70A1BC65CF3"},
    {"F0E1D2C3B4A59687", "FEDCBA9876543210", "E87A244E2CC85E82"},
    {"F0E1D2C3B4A5968778695A4B3C2D1E0F00112233445566", "FEDCBA9876543210", "80C7D7D45A5479AD"},
    {"F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677", "FEDCBA9876543210",
     "05044B62FA52D080"},
};

std::uint64_t wordOf(const char* hex) { return std::stoull(hex, nullptr, 16); }

TEST(BlowfishBlock, StandardVectorsOnHalves) {
    for (const Vector& v : kVectors) {
        const auto key = bytesFromHex(v.key);
        const Blowfish cipher(key.data(), key.size());
        const std::uint64_t plain = wordOf(v.plain);
        const std::uint64_t expected = wordOf(v.cipher);

        std::uint32_t l = static_cast<std::uint32_t>(plain >> 32);
        std::uint32_t r = static_cast<std::uint32_t>(plain);
        cipher.encryptBlock(l, r);
        EXPECT_EQ((std::uint64_t{l} << 32) | r, expected)
            << "key " << v.key << " plain " << v.plain;

        cipher.decryptBlock(l, r);
        EXPECT_EQ((std::uint64_t{l} << 32) | r, plain) << "decrypt, key " << v.key;
    }
}

TEST(BlowfishBlock, SetKeyReplacesTheWholeState) {
    const auto first = bytesFromHex("0123456789ABCDEF");
    const auto second = bytesFromHex("FEDCBA9876543210");
    Blowfish cipher(first.data(), first.size());
    cipher.setKey(second.data(), second.size());
    std::uint32_t l = 0x01234567u;
    std::uint32_t r = 0x89ABCDEFu;
    cipher.encryptBlock(l, r);
    EXPECT_EQ(l, 0x0ACEAB0Fu) << "second key must not be mixed into the first one's state";
    EXPECT_EQ(r, 0xC6A0A28Du);
}

TEST(BlowfishBlock, BlocksUseLittleEndianHalves) {
    const auto key = bytesFromHex("0123456789ABCDEF");
    const Blowfish cipher(key.data(), key.size());
    // Standard plain 1111111111111111 -> 61F9C3802281B096; two blocks to check the stride.
    std::uint8_t bytes[16] = {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11,
                              0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11};
    cipher.encryptBlocks(bytes, 2);
    const std::uint8_t expected[8] = {0x80, 0xC3, 0xF9, 0x61, 0x96, 0xB0, 0x81, 0x22};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(bytes[i], expected[i % 8]) << "byte " << i;
    cipher.decryptBlocks(bytes, 2);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(bytes[i], 0x11) << "byte " << i << " after decrypt";
}

// ---- EncryptText / DecryptText ---------------------------------------------------------

TEST(EncryptText, StandardVectorsWithHalvesReversed) {
    for (const Vector& v : kVectors) {
        const RuntimeString key = textOf(bytesFromHex(v.key));
        const auto plainBytes = bytesFromHex(v.plain);
        const std::string plain = swapHalves(std::string(plainBytes.begin(), plainBytes.end()));
        const auto cipherBytes = bytesFromHex(v.cipher);
        std::string expectedHex;
        for (char c : swapHalves(std::string(cipherBytes.begin(), cipherBytes.end()))) {
            char digits[3];
            std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(c));
            expectedHex += digits;
        }

        const RuntimeString hex = EncryptText(key, RuntimeString(plain));
        EXPECT_EQ(str(hex), expectedHex) << "key " << v.key << " plain " << v.plain;

        // Deciphering gives the plain block back, up to its first zero byte.
        const std::string untilZero = plain.substr(0, plain.find('\0'));
        EXPECT_EQ(str(DecryptText(key, hex)), untilZero) << "key " << v.key;
        EXPECT_EQ(str(DecryptText(key, RuntimeString(upperCase(expectedHex)))), untilZero)
            << "upper-case cipher text, key " << v.key;
    }
}

TEST(EncryptText, LengthsAndRoundTrips) {
    std::mt19937 rng(20240607);
    const std::string keys[] = {"k", "m4rq7e2dw", std::string(56, 'x'), randomText(rng, 80)};
    for (const std::string& keyText : keys) {
        const RuntimeString key(keyText);
        for (std::size_t n = 0; n <= 40; ++n) {
            const std::string plain = randomText(rng, n);
            const std::string hex = str(EncryptText(key, RuntimeString(plain)));
            EXPECT_EQ(hex.size(), (n + 7) / 8 * 16) << "length " << n;
            EXPECT_EQ(hex.find_first_not_of("0123456789abcdef"), std::string::npos)
                << "only lower-case hex digits, length " << n;
            EXPECT_EQ(str(DecryptText(key, RuntimeString(hex))), plain)
                << "round trip, length " << n << ", key length " << keyText.size();
        }
    }
}

TEST(EncryptText, BlockBoundaries) {
    const RuntimeString key("m4rq7e2dw");
    EXPECT_EQ(EncryptText(key, "ORVELSOF").length(), 16u) << "8 characters fill one block";
    EXPECT_EQ(EncryptText(key, "ORVELSOFT").length(), 32u) << "9 characters begin a second";
    EXPECT_TRUE(EncryptText(key, "").empty());
    EXPECT_TRUE(DecryptText(key, "").empty());
    EXPECT_EQ(str(DecryptText(key, EncryptText(key, "ORVELSOF"))), "ORVELSOF");

    // ECB: equal blocks encipher equally, and the zero fill of a short last block is the same
    // as spelling the zero bytes out.
    const std::string twice = str(EncryptText(key, "ABCDEFGHABCDEFGH"));
    EXPECT_EQ(twice.substr(0, 16), twice.substr(16));
    const RuntimeString spelledOut("ABC\0\0\0\0\0", 8);
    EXPECT_EQ(str(EncryptText(key, "ABC")), str(EncryptText(key, spelledOut)));
}

TEST(EncryptText, OnlyTheFirst72KeyBytesCount) {
    std::mt19937 rng(7);
    const std::string key72 = randomText(rng, 72);
    const RuntimeString plain("hiscore");
    const std::string base = str(EncryptText(RuntimeString(key72), plain));
    EXPECT_EQ(str(EncryptText(RuntimeString(key72 + "tail"), plain)), base);
    std::string changed = key72;
    changed[71] = static_cast<char>(changed[71] ^ 1);
    EXPECT_NE(str(EncryptText(RuntimeString(changed), plain)), base) << "byte 72 still counts";
}

TEST(EncryptText, EmptyKeyGivesEmptyText) {
    EXPECT_TRUE(EncryptText("", "secret").empty());
    EXPECT_TRUE(DecryptText("", "0123456789abcdef").empty());
}

// A stored zero byte is enciphered like any other; deciphering stops at it.
TEST(EncryptText, EmbeddedZeroCutsTheDecipheredText) {
    const RuntimeString key("m4rq7e2dw");
    const RuntimeString withZero("ab\0cd", 5);
    const RuntimeString hex = EncryptText(key, withZero);
    EXPECT_EQ(hex.length(), 16u);
    EXPECT_NE(str(hex), str(EncryptText(key, "ab"))) << "bytes after the zero are enciphered";
    EXPECT_EQ(str(DecryptText(key, hex)), "ab");
}

TEST(DecryptText, OddFinalCharacterIsIgnored) {
    const RuntimeString key("m4rq7e2dw");
    const std::string hex = str(EncryptText(key, "10000"));
    for (const char* tail : {"0", "f", "Z", "\xff"}) {
        EXPECT_EQ(str(DecryptText(key, RuntimeString(hex + tail))), "10000") << "tail " << tail;
    }
}

// v(c) = c - '0' up to '9', c - 'a' + 10 above, so '/' is -1 and 'g'..'v' are 16..31:
// every byte b can be written as hi = b / 16 - 1 (or '/') and lo = 'g' + b % 16.
TEST(DecryptText, NonHexCharactersFollowTheDigitArithmetic) {
    const RuntimeString key("m4rq7e2dw");
    const auto bytes = bytesFromHex(str(EncryptText(key, "ORVELSOFT")));
    std::string odd;
    for (std::uint8_t b : bytes) {
        odd += b < 16 ? '/' : "0123456789abcdef"[b / 16 - 1];
        odd += static_cast<char>('g' + b % 16);
    }
    EXPECT_EQ(str(DecryptText(key, RuntimeString(odd))), "ORVELSOFT") << odd;
    EXPECT_EQ(str(DecryptText(key, RuntimeString(upperCase(odd)))), "ORVELSOFT")
        << "letters are lower-cased before decoding";
}

// Bytes above 127 count as negative whatever the host's char: "\xff" is -1 - '0' = -49, so
// "\xff0" decodes to 16 * -49 = -784, which is 0xf0 modulo 256.
TEST(DecryptText, HighBytesCountAsSigned) {
    const RuntimeString key("m4rq7e2dw");
    const std::string rest(14, '1');
    const RuntimeString viaHex = DecryptText(key, RuntimeString("f0" + rest));
    ASSERT_FALSE(viaHex.empty()) << "pick another block: this one deciphers to a zero byte first";
    EXPECT_EQ(str(DecryptText(key, RuntimeString("\xff" "0" + rest))), str(viaHex));
}

// m = n + n mod 8 may pass the decoded bytes; the gap is deciphered zero fill.
TEST(DecryptText, PartialBlocksDecipherZeroFill) {
    const RuntimeString key("m4rq7e2dw");
    const Blowfish cipher(reinterpret_cast<const std::uint8_t*>("m4rq7e2dw"), 9);
    for (std::size_t n : {1u, 3u, 7u, 9u, 12u, 15u}) {
        std::string hex;
        for (std::size_t k = 0; k < n; ++k) hex += "5a";
        const std::size_t m = n + n % 8;
        std::vector<std::uint8_t> buffer((m + 7) / 8 * 8, 0);
        for (std::size_t k = 0; k < n; ++k) buffer[k] = 0x5a;
        cipher.decryptBlocks(buffer.data(), buffer.size() / 8);
        std::string expected(reinterpret_cast<const char*>(buffer.data()), m);
        expected = expected.substr(0, expected.find('\0'));

        const std::string got = str(DecryptText(key, RuntimeString(hex)));
        EXPECT_EQ(got, expected) << "n = " << n;
        EXPECT_LE(got.size(), m) << "n = " << n;
    }
}

TEST(DecryptText, ArbitraryInputIsSafe) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> anyByte(0, 255);
    for (std::size_t len = 0; len < 200; ++len) {
        std::string junk(len, '\0');
        for (char& c : junk) c = static_cast<char>(anyByte(rng));
        const RuntimeString out = DecryptText(RuntimeString("k"), RuntimeString(junk));
        const std::size_t n = len / 2;
        EXPECT_LE(out.length(), n + n % 8) << "input length " << len;
        EXPECT_EQ(out.view().find('\0'), std::string_view::npos) << "input length " << len;
    }
}

TEST(DecryptText, WrongKeyGivesOtherText) {
    const RuntimeString hex = EncryptText("m4rq7e2dw", "ORVELSOFT");
    EXPECT_NE(str(DecryptText("m4rq7e2dx", hex)), "ORVELSOFT");
}

}  // namespace
}  // namespace qvt
