#include "core/cipher.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace qvt {
namespace {

std::string str(const RuntimeString& s) { return std::string(s.view()); }

TEST(EncryptTextTest, PublishedVectorsAsLittleEndianHalves) {
    // Published ECB vectors with the byte order inside each 4-byte half reversed, as
    // EncryptText reads and writes them (printed: 4EF997456198DD78, F9AD597C49DB005E).
    // A one-byte key is taken cyclically. The second key must replace the whole schedule
    // kept from the first.
    const std::string vectors[][3] = {  // key, text, cipher text
        {std::string(8, '\0'), std::string(8, '\0'), "4597f94e78dd9861"},
        {"\xF0", "\x98\xBA\xDC\xFE\x10\x32\x54\x76", "7c59adf95e00db49"}};
    for (const auto& [keyBytes, text, cipherHex] : vectors) {
        SCOPED_TRACE(cipherHex);
        const RuntimeString key(keyBytes);
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
    EXPECT_EQ(str(EncryptText(key, "ABC")), str(EncryptText(key, RuntimeString("ABC\0\0", 5))))
        << "a short block is zero-filled";
    const RuntimeString hex = EncryptText(key, RuntimeString("ab\0cd", 5));
    EXPECT_EQ(str(DecryptText(key, hex)), "ab") << "cut off at the zero when deciphered";
    EXPECT_TRUE(EncryptText("", "secret").empty()) << "empty key";
}

}  // namespace
}  // namespace qvt
