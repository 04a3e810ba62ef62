// DecryptText on arbitrary key and cipher text, and an EncryptText round trip of what came
// out. Input: first byte = key length (mod 80, so keys past 72 bytes are reached), then the
// key, then the cipher text.
#include "fuzz.h"
#include "core/cipher.h"

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    const std::size_t keyLength = std::min<std::size_t>(data[0] % 80, size - 1);
    const char* rest = reinterpret_cast<const char*>(data + 1);
    const qvt::RuntimeString key(rest, keyLength);
    const qvt::RuntimeString plain = qvt::DecryptText(key, qvt::RuntimeString(rest + keyLength, size - 1 - keyLength));
    if (std::memchr(plain.c_str(), 0, plain.length()) != nullptr) std::abort();
    if (!key.empty() && qvt::DecryptText(key, qvt::EncryptText(key, plain)).view() != plain.view()) std::abort();
}
