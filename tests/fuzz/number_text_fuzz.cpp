// StringToNumber on arbitrary bytes (hiscore files and server replies reach it), checked
// against strtod wherever strtod reads plain decimal, and the number-to-text rule on
// whatever came out.
#include <cmath>

#include "fuzz.h"
#include "core/strings.h"

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    const qvt::RuntimeString text(reinterpret_cast<const char*>(data), size);
    const double value = qvt::StringToNumber(text);
    char* end = nullptr;
    const double reference = std::strtod(text.c_str(), &end);  // up to the first zero byte
    // strtod also reads hex, "inf", "nan"; those are not numbers to the runtime.
    const std::string_view read(text.c_str(), static_cast<std::size_t>(end - text.c_str()));
    const bool plain = read.find_first_of("xXiInNpP") == std::string_view::npos;
    if (std::isnan(value) || (plain && std::memcmp(&value, &reference, sizeof value) != 0)) std::abort();
    const qvt::RuntimeString printed = qvt::NumberToString(value);
    if (printed.length() != static_cast<std::uint32_t>(qvt::NumberLen(value))) std::abort();
    if (printed.length() == 0 || printed.length() > 63) std::abort();
    // Ten significant digits survive the trip back.
    if (std::isfinite(value) && std::fabs(qvt::StringToNumber(printed) - value) > std::fabs(value) * 1e-9) {
        std::abort();
    }
}
