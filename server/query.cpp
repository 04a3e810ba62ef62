#include "query.h"

#include <cstring>
#include <optional>
#include <vector>

#include "core/cipher.h"

namespace hiscored {

namespace {

// Two blocks hold the longest name (10 bytes) and the longest score (10 digits).
constexpr std::size_t kMaxHexDigits = 32;

const qvt::Blowfish& wireCipher() {
    static const qvt::Blowfish cipher(reinterpret_cast<const std::uint8_t*>(kWireKey), std::strlen(kWireKey));
    return cipher;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The plain text of whole blocks of hex; none when the hex or the zero fill is not right.
std::optional<std::string> decipher(const char* hex) {
    std::size_t n = std::strlen(hex);
    if (n == 0 || n > kMaxHexDigits || n % 16 != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes(n / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        int hi = hexValue(hex[2 * i]), lo = hexValue(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    wireCipher().decryptBlocks(bytes.data(), bytes.size() / 8);
    std::size_t text = 0;
    while (text < bytes.size() && bytes[text] != 0) ++text;
    // EncryptText fills only the last block, and only with zeros.
    if (bytes.size() - text >= 8) return std::nullopt;
    for (std::size_t i = text; i < bytes.size(); ++i) {
        if (bytes[i] != 0) return std::nullopt;
    }
    return std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(text));
}

WriteCheck refuse(int status, const char* reason) {
    WriteCheck c;
    c.status = status;
    c.reason = reason;
    return c;
}

}  // namespace

WriteCheck CheckWrite(const char* isoud, const char* eakcs) {
    if (isoud == nullptr || eakcs == nullptr) return refuse(400, "missing isoud or eakcs");
    std::optional<std::string> name = decipher(isoud);
    if (!name) return refuse(400, "isoud is not a name enciphered with the game's key");
    std::optional<std::string> score = decipher(eakcs);
    if (!score) return refuse(400, "eakcs is not a score enciphered with the game's key");
    if (name->empty() || name->size() > kMaxNameBytes) return refuse(400, "name must be 1 to 10 characters");
    for (unsigned char c : *name) {
        if (c < '!' || c > '~') return refuse(400, "name may hold only the characters ! to ~");
    }
    std::int64_t value = 0;
    bool digits = !score->empty() && score->size() <= 10;
    for (char c : *score) {
        if (c < '0' || c > '9') digits = false;
        if (digits) value = value * 10 + (c - '0');
    }
    if (!digits || value < 1 || value > kMaxScore) {
        return refuse(400, "score must be a whole number from 1 to 9999999999");
    }
    WriteCheck c;
    c.status = 200;
    c.name = *name;
    c.score = value;
    return c;
}

std::string EncipherForWire(const std::string& text) {
    qvt::RuntimeString hex = qvt::EncryptText(kWireKey, qvt::RuntimeString(std::string_view(text)));
    return std::string(hex.c_str(), hex.length());
}

}  // namespace hiscored
