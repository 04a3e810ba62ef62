// Typed text from the system (UTF-8 of any shape) into Windows-1252 bytes.
#include "fuzz.h"
#include "input/typed_text.h"

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::uint8_t out[64];
    std::size_t n = qvt::input::utf8ToWindows1252(text, out, sizeof out);
    if (n > sizeof out || n > size) std::abort();
    // Plain ASCII passes through unchanged.
    bool ascii = true;
    for (std::uint8_t b : text) ascii = ascii && b < 0x80;
    if (ascii && n != (size < sizeof out ? size : sizeof out)) std::abort();
}
