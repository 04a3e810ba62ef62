// Typed text from the system (UTF-8 of any shape) into Windows-1252 bytes: never more bytes
// than the buffer or the input.
#include "fuzz.h"
#include "input/typed_text.h"

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    std::uint8_t out[64];
    const std::size_t n = qvt::input::utf8ToWindows1252(std::string_view(reinterpret_cast<const char*>(data), size),
                                                         out, sizeof out);
    if (n > sizeof out || n > size) std::abort();
}
