// DecryptText on arbitrary key and cipher text; an EncryptText round trip on the same bytes.
// Input layout: first byte = key length (mod 80, so keys past 72 bytes are reached), then
// the key, then the cipher text.
#include "fuzz.h"
#include "core/cipher.h"

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    std::size_t keyLength = data[0] % 80;
    if (keyLength > size - 1) keyLength = size - 1;
    const char* rest = reinterpret_cast<const char*>(data + 1);
    const qvt::RuntimeString key(rest, keyLength);
    const qvt::RuntimeString text(rest + keyLength, size - 1 - keyLength);

    const qvt::RuntimeString plain = qvt::DecryptText(key, text);
    const std::uint32_t n = text.length() / 2;
    if (plain.length() > n + n % 8) std::abort();
    if (std::memchr(plain.c_str(), 0, plain.length()) != nullptr) std::abort();

    // Whatever came out (no zero bytes by construction) must survive a round trip.
    if (!key.empty()) {
        const qvt::RuntimeString again = qvt::DecryptText(key, qvt::EncryptText(key, plain));
        if (again.view() != plain.view()) std::abort();
    }
}
