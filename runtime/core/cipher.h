// Text enciphering: Blowfish, block by block (ECB), zero fill, lower-case hex outside.
//
// The byte order is not Blowfish's usual big-endian one: each 8-byte block is read as two
// little-endian 32-bit halves (bytes 0..3 the left half, 4..7 the right) and written back
// the same way. Files and server requests made elsewhere depend on this order.
//
// An empty key makes both operations return the empty text: the key schedule needs at least
// one key byte and there is no error channel to report a missing one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/strings.h"

namespace qvt {

// One keyed Blowfish state (16 rounds, 4168 bytes; lives happily on the stack).
class Blowfish {
public:
    static constexpr std::size_t kMaxKeyBytes = 72;  // later key bytes have no effect
    static constexpr std::size_t kBlockBytes = 8;

    // Unkeyed state: the standard initial tables (hex digits of pi).
    Blowfish() noexcept;

    // Keyed state, as setKey.
    Blowfish(const std::uint8_t* key, std::size_t count) noexcept;

    // Standard key schedule; bytes taken cyclically, first byte most significant.
    // count 0 gives the unkeyed state (there is nothing to schedule).
    void setKey(const std::uint8_t* key, std::size_t count) noexcept;

    // Enciphers one block given as its two halves, in place.
    void encryptBlock(std::uint32_t& left, std::uint32_t& right) const noexcept;
    // Inverse of encryptBlock.
    void decryptBlock(std::uint32_t& left, std::uint32_t& right) const noexcept;

    // ECB over blockCount 8-byte blocks in place, halves read and written little-endian.
    void encryptBlocks(std::uint8_t* bytes, std::size_t blockCount) const noexcept;
    // Inverse of encryptBlocks.
    void decryptBlocks(std::uint8_t* bytes, std::size_t blockCount) const noexcept;

private:
    std::uint32_t p_[18];
    std::uint32_t s_[4][256];
};

// Longest plain text EncryptText accepts (its hex must fit a RuntimeString); longer gives "".
inline constexpr std::uint32_t kMaxEncryptTextBytes = 0x7fffff00u;

// `EncryptText`: key's bytes key the cipher; text zero-filled to whole blocks; 16 lower-case
// hex digits per block. Empty text or empty key give the empty text. All stored bytes count,
// embedded zero bytes included (DecryptText then stops at the first of them).
RuntimeString EncryptText(const RuntimeString& key, const RuntimeString& text);

// `DecryptText`: hex digits of either case; a final odd digit is ignored; non-hex characters
// decode by the same arithmetic without complaint. The result stops at the first zero byte
// and never exceeds n + n mod 8 bytes (n = length / 2). Empty key gives the empty text.
RuntimeString DecryptText(const RuntimeString& key, const RuntimeString& cipherText);

}  // namespace qvt
