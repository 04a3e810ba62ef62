#include "core/strings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <utility>

namespace qvt {

namespace {

// The one zero byte that every storage-less string points at. Never written, never freed.
char sharedEmpty[1] = {0};

std::uint32_t grownCapacity(std::uint32_t n) {
    // Always a multiple of 16 and always more than n + 1: 15 -> 32, 19 -> 32.
    return ((n + 1) & ~std::uint32_t{15}) + 16;
}

}  // namespace

RuntimeString::RuntimeString() noexcept : data_(sharedEmpty), capacity_(0), length_(0) {}

RuntimeString::RuntimeString(const char* text) : RuntimeString() {
    if (text != nullptr) append(text, std::strlen(text));
}

RuntimeString::RuntimeString(const char* bytes, std::size_t count) : RuntimeString() {
    append(bytes, count);
}

RuntimeString::RuntimeString(std::string_view bytes) : RuntimeString(bytes.data(), bytes.size()) {}

RuntimeString::RuntimeString(const RuntimeString& other) : RuntimeString() {
    append(other.data_, other.length_);
}

RuntimeString::RuntimeString(RuntimeString&& other) noexcept
    : data_(std::exchange(other.data_, sharedEmpty)),
      capacity_(std::exchange(other.capacity_, 0)),
      length_(std::exchange(other.length_, 0)) {}

RuntimeString& RuntimeString::operator=(const RuntimeString& other) {
    if (data_ == other.data_) return *this;
    if (other.length_ != 0) {
        reserve(other.length_, false);
        std::memcpy(data_, other.data_, other.length_);
        setLength(other.length_);
    } else {
        if (ownsStorage()) data_[0] = 0;
        length_ = 0;
    }
    return *this;
}

RuntimeString& RuntimeString::operator=(RuntimeString&& other) noexcept {
    if (this != &other) {
        clear();
        data_ = std::exchange(other.data_, sharedEmpty);
        capacity_ = std::exchange(other.capacity_, 0);
        length_ = std::exchange(other.length_, 0);
    }
    return *this;
}

RuntimeString::~RuntimeString() { clear(); }

bool RuntimeString::usesSharedEmpty() const noexcept { return data_ == sharedEmpty; }

void RuntimeString::clear() noexcept {
    if (ownsStorage()) std::free(data_);
    data_ = sharedEmpty;
    capacity_ = 0;
    length_ = 0;
}

void RuntimeString::reserve(std::uint32_t n, bool keep) {
    if (n == 0 || capacity_ >= n + 1) return;
    std::uint32_t newCapacity = grownCapacity(n);
    auto* block = static_cast<char*>(std::malloc(newCapacity));
    if (block == nullptr) std::abort();  // nothing sensible to hand back; fail loudly
    if (keep && length_ != 0) {
        std::memcpy(block, data_, length_);
        block[length_] = 0;
    } else {
        block[0] = 0;
        length_ = 0;
    }
    if (ownsStorage()) std::free(data_);
    data_ = block;
    capacity_ = newCapacity;
}

void RuntimeString::setLength(std::uint32_t n) {
    if (!ownsStorage()) {
        length_ = 0;
        return;
    }
    if (n >= capacity_) n = capacity_ - 1;
    length_ = n;
    data_[n] = 0;
}

void RuntimeString::rescanLength() {
    if (!ownsStorage()) {
        length_ = 0;
        return;
    }
    length_ = static_cast<std::uint32_t>(strnlen(data_, capacity_ - 1));
    data_[length_] = 0;
}

void RuntimeString::append(const char* bytes, std::size_t count) {
    if (count == 0) return;
    auto newLength = static_cast<std::uint32_t>(length_ + count);
    // Appending a piece of ourselves must survive the reallocation.
    if (bytes >= data_ && bytes < data_ + length_ + 1 && ownsStorage()) {
        RuntimeString copy(bytes, count);
        append(copy.data_, count);
        return;
    }
    reserve(newLength, true);
    std::memcpy(data_ + length_, bytes, count);
    length_ = newLength;
    data_[length_] = 0;
}

void RuntimeString::append(const char* text) {
    if (text != nullptr) append(text, std::strlen(text));
}

// ---- Numbers and text ---------------------------------------------------------------

namespace {

// Room for any ten-digit general form ("-1.234567891e-308" is 17 bytes).
constexpr std::size_t kNumberRoom = 63;

// Writes the number's text form to out (at least kNumberRoom bytes) and returns its length.
std::size_t formatNumber(double value, char* out) {
    // -0 == 0, so both print alike; "-0" on screen reads as a bug.
    if (value == 0.0) value = 0.0;
    // to_chars with a precision is printf's "%.10g" without the locale's decimal point.
    auto result = std::to_chars(out, out + kNumberRoom, value, std::chars_format::general, 10);
    auto n = static_cast<std::size_t>(result.ptr - out);
    if (n == 2 && out[0] == '.' && out[1] == '0') {
        out[0] = '0';
        n = 1;
    } else if (n > 0 && out[n - 1] == '.') {
        --n;
    }
    return n;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal order of magnitude of "digits[.digits][e[sign]digits]"; only used to tell an
// overflow from an underflow, so the exponent is clamped.
long long decimalOrder(const char* p, const char* end) {
    long long intDigits = 0;
    long long fracZeros = 0;
    bool seen = false;
    bool afterPoint = false;
    for (; p < end && *p != 'e' && *p != 'E'; ++p) {
        if (*p == '.') {
            afterPoint = true;
        } else if (!afterPoint) {
            if (seen || *p != '0') {
                seen = true;
                ++intDigits;
            }
        } else if (!seen) {
            if (*p == '0') ++fracZeros;
            else seen = true;
        }
    }
    long long order = intDigits > 0 ? intDigits - 1 : -(fracZeros + 1);
    if (p < end) {
        ++p;
        bool negative = *p == '-';
        if (*p == '+' || *p == '-') ++p;
        long long exponent = 0;
        for (; p < end; ++p) exponent = std::min(exponent * 10 + (*p - '0'), 1000000000LL);
        order += negative ? -exponent : exponent;
    }
    return order;
}

// End of the longest "digits[.digits][e[sign]digits]" prefix with at least one mantissa
// digit, or begin when there is none.
const char* decimalEnd(const char* begin) {
    const char* p = begin;
    while (isDigit(*p)) ++p;
    bool anyDigit = p != begin;
    if (*p == '.') {
        const char* fraction = ++p;
        while (isDigit(*p)) ++p;
        anyDigit = anyDigit || p != fraction;
    }
    if (!anyDigit) return begin;
    if (*p == 'e' || *p == 'E') {
        const char* e = p + 1;
        if (*e == '+' || *e == '-') ++e;
        if (isDigit(*e)) {
            while (isDigit(*e)) ++e;
            p = e;
        }
    }
    return p;
}

}  // namespace

RuntimeString NumberToString(double value) {
    RuntimeString text;
    text.reserve(kNumberRoom, false);
    text.setLength(static_cast<std::uint32_t>(formatNumber(value, text.data())));
    return text;
}

std::int32_t NumberLen(double value) {
    char buffer[kNumberRoom + 1];
    return static_cast<std::int32_t>(formatNumber(value, buffer));
}

double StringToNumber(const char* text) {
    if (text == nullptr) return 0.0;
    while (isBlank(*text)) ++text;
    bool negative = *text == '-';
    if (*text == '+' || *text == '-') ++text;
    const char* end = decimalEnd(text);
    if (end == text) return 0.0;
    // from_chars rather than strtod: no locale, and the span is already plain decimal.
    double value = 0.0;
    auto result = std::from_chars(text, end, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        value = decimalOrder(text, end) >= 0 ? HUGE_VAL : 0.0;
    }
    return negative ? -value : value;
}

double StringToNumber(const RuntimeString& text) { return StringToNumber(text.c_str()); }

// ---- Length and substring -------------------------------------------------------------

std::int32_t StringLen(const RuntimeString& text) {
    return static_cast<std::int32_t>(std::strlen(text.c_str()));
}

RuntimeString StringMid(const RuntimeString& source, std::int32_t start, std::int32_t count) {
    // 64-bit so that start + count cannot wrap.
    const std::int64_t length = source.length();
    const std::int64_t s = start;
    std::int64_t c = count < 0 ? length : count;
    if (s + c > length) c = length - s;
    if (c <= 0 || s >= length || s < 0) return RuntimeString();
    return RuntimeString(source.c_str() + s, static_cast<std::size_t>(c));
}

// ---- Concatenation ------------------------------------------------------------------------

namespace {

RuntimeString joinBytes(std::string_view left, std::string_view right) {
    RuntimeString out;
    out.reserve(static_cast<std::uint32_t>(left.size() + right.size()), false);
    // An empty view may carry a null pointer, which memcpy must not see even for 0 bytes.
    if (!left.empty()) std::memcpy(out.data(), left.data(), left.size());
    if (!right.empty()) std::memcpy(out.data() + left.size(), right.data(), right.size());
    out.setLength(static_cast<std::uint32_t>(left.size() + right.size()));
    return out;
}

std::string_view textView(const char* text) {
    return text != nullptr ? std::string_view(text) : std::string_view();
}

// Formats into the caller's buffer so that a number operand costs no temporary string.
std::string_view numberView(double value, char (&buffer)[kNumberRoom + 1]) {
    return {buffer, formatNumber(value, buffer)};
}

}  // namespace

RuntimeString StringConcat(const RuntimeString& left, const RuntimeString& right) {
    return joinBytes(left.view(), right.view());
}

RuntimeString StringConcat(const char* left, const RuntimeString& right) {
    return joinBytes(textView(left), right.view());
}

RuntimeString StringConcat(const RuntimeString& left, const char* right) {
    return joinBytes(left.view(), textView(right));
}

RuntimeString StringConcat(double left, const char* right) {
    char buffer[kNumberRoom + 1];
    return joinBytes(numberView(left, buffer), textView(right));
}

RuntimeString StringConcat(const char* left, double right) {
    char buffer[kNumberRoom + 1];
    return joinBytes(textView(left), numberView(right, buffer));
}

RuntimeString StringConcat(const RuntimeString& left, double right) {
    char buffer[kNumberRoom + 1];
    return joinBytes(left.view(), numberView(right, buffer));
}

RuntimeString StringConcat(double left, const RuntimeString& right) {
    char buffer[kNumberRoom + 1];
    return joinBytes(numberView(left, buffer), right.view());
}

// ---- Comparison -------------------------------------------------------------------------

namespace {

// strcmp compares as unsigned char, which is the byte order wanted here.
int compareText(const char* left, const char* right) {
    return std::strcmp(left != nullptr ? left : "", right != nullptr ? right : "");
}

std::int32_t holds(Relation rel, int order) {
    switch (rel) {
        case Relation::Equal: return order == 0;
        case Relation::NotEqual: return order != 0;
        case Relation::Less: return order < 0;
        case Relation::LessEqual: return order <= 0;
        case Relation::Greater: return order > 0;
        case Relation::GreaterEqual: return order >= 0;
    }
    return 0;
}

// Direct double comparisons, so a NaN operand makes every relation but <> false.
std::int32_t holds(Relation rel, double left, double right) {
    switch (rel) {
        case Relation::Equal: return left == right;
        case Relation::NotEqual: return left != right;
        case Relation::Less: return left < right;
        case Relation::LessEqual: return left <= right;
        case Relation::Greater: return left > right;
        case Relation::GreaterEqual: return left >= right;
    }
    return 0;
}

std::int32_t threeWay(double left, double right) {
    if (left < right) return -1;
    if (left > right) return 1;
    return 0;
}

}  // namespace

bool StringEquals(const RuntimeString& a, const RuntimeString& b) {
    return a.length() == b.length() && std::memcmp(a.c_str(), b.c_str(), a.length()) == 0;
}

std::int32_t StringCompare(const RuntimeString& left, Relation rel, const RuntimeString& right) {
    return holds(rel, compareText(left.c_str(), right.c_str()));
}

std::int32_t StringCompare(const char* left, Relation rel, const RuntimeString& right) {
    return holds(rel, compareText(left, right.c_str()));
}

std::int32_t StringCompare(const RuntimeString& left, Relation rel, const char* right) {
    return holds(rel, compareText(left.c_str(), right));
}

std::int32_t StringCompare(const char* left, Relation rel, const char* right) {
    return holds(rel, compareText(left, right));
}

std::int32_t StringNumberCompare(const RuntimeString& left, Relation rel, double right) {
    return holds(rel, StringToNumber(left), right);
}

std::int32_t StringNumberCompare(const char* left, Relation rel, double right) {
    return holds(rel, StringToNumber(left), right);
}

std::int32_t StringNumberCompare(double left, Relation rel, const RuntimeString& right) {
    return holds(rel, left, StringToNumber(right));
}

std::int32_t StringNumberCompare(double left, Relation rel, const char* right) {
    return holds(rel, left, StringToNumber(right));
}

std::int32_t StringNumberCompare(const RuntimeString& left, double right) {
    return threeWay(StringToNumber(left), right);
}

std::int32_t StringNumberCompare(const char* left, double right) {
    return threeWay(StringToNumber(left), right);
}

std::int32_t StringNumberCompare(double left, const RuntimeString& right) {
    return threeWay(left, StringToNumber(right));
}

std::int32_t StringNumberCompare(double left, const char* right) {
    return threeWay(left, StringToNumber(right));
}

}  // namespace qvt
