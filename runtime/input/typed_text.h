// Typed text arrives from the system as UTF-8; the runtime's texts are Windows-1252.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qvt::input {

// The Windows-1252 byte of a Unicode code point, or -1 when the code page lacks it
// (including the C1 controls U+0080..U+009F, which it does not carry).
int windows1252FromCodePoint(char32_t cp);

// Converts UTF-8 into at most cap Windows-1252 bytes at out and returns how many were
// written. Characters the code page lacks and malformed sequences (overlong forms,
// surrogates, truncated or stray bytes) are dropped; the rest of the text still converts.
std::size_t utf8ToWindows1252(std::string_view utf8, std::uint8_t* out, std::size_t cap);

}  // namespace qvt::input
