#include "core/cipher.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace qvt {
namespace {

std::string fromHex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoul(hex.substr(i, 2), nullptr, 16));
    return out;
}

std::string str(const RuntimeString& s) { return std::string(s.view()); }

TEST(EncryptTextTest, PublishedVectorsAsLittleEndianHalves) {
    // Published ECB vectors with the byte order inside each 4-byte half reversed, as
    // EncryptText reads and writes them (printed: 4EF997456198DD78, F9AD597C49DB005E,
    // 05044B62FA52D080). Keys of other lengths than 8: the schedule takes key bytes
    // cyclically. Each vector brings a new key, which must replace the whole schedule kept
    // from the last one.
    const char* const vectors[][3] = {  // key, text, cipher text
        {"0000000000000000", "0000000000000000", "4597f94e78dd9861"},
        {"F0", "98BADCFE10325476", "7c59adf95e00db49"},
        {"F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677", "98BADCFE10325476",
         "624b040580d052fa"}};
    for (const auto& [keyHex, textHex, cipherHex] : vectors) {
        SCOPED_TRACE(std::string("key ") + keyHex);
        const RuntimeString key(fromHex(keyHex));
        const std::string text = fromHex(textHex);
        EXPECT_EQ(str(EncryptText(key, RuntimeString(text))), cipherHex);
        std::string upper = cipherHex;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(str(DecryptText(key, RuntimeString(upper))), text.substr(0, text.find('\0')))
            << "upper case";
    }
}

// Round trips of any key and text, odd tails included: tests/fuzz/cipher_fuzz.
TEST(EncryptTextTest, BlocksKeyLimitAndZeroBytes) {
    const RuntimeString key("m4rq7e2dw");
    EXPECT_EQ(str(EncryptText(key, RuntimeString(std::string(17, 'x')))).size(), 48u)
        << "three blocks";
    // Only the first 72 key bytes count.
    std::string key72(72, 'k');
    const std::string base = str(EncryptText(RuntimeString(key72), "hiscore"));
    EXPECT_EQ(str(EncryptText(RuntimeString(key72 + "tail"), "hiscore")), base);
    key72[71] = static_cast<char>(key72[71] ^ 1);
    EXPECT_NE(str(EncryptText(RuntimeString(key72), "hiscore")), base) << "byte 72 still counts";
    EXPECT_EQ(str(EncryptText(key, "ABC")), str(EncryptText(key, RuntimeString("ABC\0\0\0\0\0", 8))))
        << "a short block is zero-filled";
    const RuntimeString hex = EncryptText(key, RuntimeString("ab\0cd", 5));
    EXPECT_NE(str(hex), str(EncryptText(key, "ab"))) << "bytes after a zero are enciphered";
    EXPECT_EQ(str(DecryptText(key, hex)), "ab") << "and cut off when deciphered";
    EXPECT_TRUE(EncryptText("", "secret").empty()) << "empty key";
    EXPECT_TRUE(DecryptText("", "0123456789abcdef").empty()) << "empty key";
}

}  // namespace
}  // namespace qvt
