// The runtime's text value and the number/text rules that every module shares.
//
// Texts are byte strings (Windows-1252); nothing here converts character sets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qvt {

// Owned, zero-terminated byte string. A string that owns nothing points at one shared,
// never-written zero byte, so an empty string costs no allocation.
// Invariant: data()[length()] == 0, and length() < capacity() whenever storage is owned.
class RuntimeString {
public:
    RuntimeString() noexcept;                               // StringInitEmpty
    RuntimeString(const char* text);                        // StringFromText (null = empty)
    RuntimeString(const char* bytes, std::size_t count);    // copies count bytes as given
    explicit RuntimeString(std::string_view bytes);
    RuntimeString(const RuntimeString& other);              // StringCopy
    RuntimeString(RuntimeString&& other) noexcept;
    RuntimeString& operator=(const RuntimeString& other);   // StringAssign
    RuntimeString& operator=(RuntimeString&& other) noexcept;
    ~RuntimeString();                                       // StringFree

    const char* c_str() const noexcept { return data_; }
    char* data() noexcept { return data_; }                 // writable only when capacity() > 0
    std::uint32_t length() const noexcept { return length_; }
    std::uint32_t capacity() const noexcept { return capacity_; }
    bool empty() const noexcept { return length_ == 0; }
    bool ownsStorage() const noexcept { return capacity_ != 0; }
    std::string_view view() const noexcept { return {data_, length_}; }

    // StringReserve: room for n bytes plus the terminator. Grows to
    // ((n + 1) rounded down to 16) + 16; keep copies the old bytes, otherwise the text is
    // cut to "" (the caller then sets the length).
    void reserve(std::uint32_t n, bool keep);
    // Sets the stored length after the caller wrote into data(); writes the terminator.
    void setLength(std::uint32_t n);
    // Recomputes the stored length by scanning for the first zero byte.
    void rescanLength();
    // StringAppend.
    void append(const char* bytes, std::size_t count);
    void append(const RuntimeString& other) { append(other.data_, other.length_); }
    void append(const char* text);
    // StringFree: releases storage and becomes the empty string.
    void clear() noexcept;

    // True when data() is the shared empty buffer (the buffer is never written or freed).
    bool usesSharedEmpty() const noexcept;

private:
    char* data_;
    std::uint32_t capacity_;
    std::uint32_t length_;
};

// ---- Numbers and text ---------------------------------------------------------------

// The one number-to-text rule: ten significant digits in the general format (plain
// decimal for decimal exponents -4..9, else mantissa and "e+NN"), no trailing point.
// Negative zero prints as "0".
RuntimeString NumberToString(double value);
// Length in bytes of NumberToString(value), without building the string.
std::int32_t NumberLen(double value);
// Decimal prefix of the text as a number: blanks, sign, digits, point, exponent; 0 when
// nothing fits. Hex, "inf" and "nan" are not numbers here.
double StringToNumber(const RuntimeString& text);
double StringToNumber(const char* text);  // null reads as ""

// ---- Length and substring -------------------------------------------------------------

// Bytes before the first zero byte (scanned; an embedded zero ends the count).
std::int32_t StringLen(const RuntimeString& text);
// count bytes from start (0-based); count < 0 means to the end. Out-of-range start or an
// empty span gives "", a count past the end is cut to the end.
RuntimeString StringMid(const RuntimeString& source, std::int32_t start, std::int32_t count);

// ---- Concatenation (a new string; number operands go through NumberToString) ---------

RuntimeString StringConcat(const RuntimeString& left, const RuntimeString& right);
RuntimeString StringConcat(const char* left, const RuntimeString& right);
RuntimeString StringConcat(const RuntimeString& left, const char* right);
RuntimeString StringConcat(double left, const char* right);
RuntimeString StringConcat(const char* left, double right);
RuntimeString StringConcat(const RuntimeString& left, double right);
RuntimeString StringConcat(double left, const RuntimeString& right);

// ---- Comparison -------------------------------------------------------------------------

// The relations the game's comparisons use, read as "left REL right".
enum class Relation : std::int32_t { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };

// Same stored length and the same bytes, embedded zeros included.
bool StringEquals(const RuntimeString& a, const RuntimeString& b);

// 1 when "left rel right" holds, else 0. Bytes compare as unsigned values up to the first
// difference or the first zero byte; a prefix orders first; case matters. Null text = "".
std::int32_t StringCompare(const RuntimeString& left, Relation rel, const RuntimeString& right);
std::int32_t StringCompare(const char* left, Relation rel, const RuntimeString& right);
std::int32_t StringCompare(const RuntimeString& left, Relation rel, const char* right);
std::int32_t StringCompare(const char* left, Relation rel, const char* right);

// 1 when "left rel right" holds, else 0; the text side is read with StringToNumber.
std::int32_t StringNumberCompare(const RuntimeString& left, Relation rel, double right);
std::int32_t StringNumberCompare(const char* left, Relation rel, double right);
std::int32_t StringNumberCompare(double left, Relation rel, const RuntimeString& right);
std::int32_t StringNumberCompare(double left, Relation rel, const char* right);
// Three-way: -1, 0 or 1 as the sign of left - right (0 also when either side is NaN).
std::int32_t StringNumberCompare(const RuntimeString& left, double right);
std::int32_t StringNumberCompare(const char* left, double right);
std::int32_t StringNumberCompare(double left, const RuntimeString& right);
std::int32_t StringNumberCompare(double left, const char* right);

// ---- Operators (shorthand for the functions above) ---------------------------------------

inline RuntimeString operator+(const RuntimeString& a, const RuntimeString& b) { return StringConcat(a, b); }
inline RuntimeString operator+(const RuntimeString& a, const char* b) { return StringConcat(a, b); }
inline RuntimeString operator+(const char* a, const RuntimeString& b) { return StringConcat(a, b); }
inline bool operator==(const RuntimeString& a, const RuntimeString& b) { return StringEquals(a, b); }

}  // namespace qvt
