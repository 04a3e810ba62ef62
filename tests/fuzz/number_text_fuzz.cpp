// StringToNumber on arbitrary bytes (hiscore files and server replies reach it), checked
// against strtod wherever strtod reads plain decimal, and the number-to-text rule on
// whatever came out.
#include <cctype>
#include <cmath>

#include "fuzz.h"
#include "core/strings.h"

namespace {

// strtod also reads hex, "inf", "nan"; those spans are not numbers to the runtime.
bool plainDecimal(const char* begin, const char* end) {
    for (const char* p = begin; p < end; ++p) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
        if (c == 'x' || c == 'i' || c == 'n' || c == 'p') return false;
    }
    return true;
}

}  // namespace

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    const qvt::RuntimeString text(reinterpret_cast<const char*>(data), size);
    const double value = qvt::StringToNumber(text);

    const std::string copy(text.c_str());  // up to the first zero byte, as the parser reads
    char* end = nullptr;
    const double reference = std::strtod(copy.c_str(), &end);
    if (plainDecimal(copy.c_str(), end) && std::memcmp(&value, &reference, sizeof value) != 0) {
        std::abort();
    }
    if (std::isnan(value)) std::abort();

    const qvt::RuntimeString printed = qvt::NumberToString(value);
    if (printed.length() != static_cast<std::uint32_t>(qvt::NumberLen(value))) std::abort();
    if (printed.length() == 0 || printed.length() > 63) std::abort();
    if (std::isfinite(value)) {
        // Ten significant digits survive the trip back.
        const double again = qvt::StringToNumber(printed);
        if (std::fabs(again - value) > std::fabs(value) * 1e-9) std::abort();
    }
}
