#include "core/strings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string_view>

namespace qvt {
namespace {

using namespace std::string_view_literals;

// ---- Number to text -------------------------------------------------------------------

struct NumberCase {
    double value;
    std::string_view text;
};

TEST(NumberToStringTest, TenSignificantDigitsInGeneralFormat) {
    const NumberCase cases[] = {
        {0.0, "0"},
        {3.0, "3"},
        {100.0, "100"},
        {640.0, "640"},
        {0.5, "0.5"},
        {0.1, "0.1"},
        {1.0 / 3.0, "0.3333333333"},
        {2.0 / 3.0, "0.6666666667"},
        {-2.25, "-2.25"},
        {0.0001, "0.0001"},
        {0.00001, "1e-05"},
        {1e9, "1000000000"},
        {1234567890.0, "1234567890"},
        {1e10, "1e+10"},
        {12345678901.0, "1.23456789e+10"},
        {-0.0, "0"},
        {1e300, "1e+300"},
    };
    for (const auto& c : cases) {
        RuntimeString text = NumberToString(c.value);
        EXPECT_EQ(text.view(), c.text) << "value " << c.value;
        EXPECT_EQ(NumberLen(c.value), static_cast<std::int32_t>(c.text.size()))
            << "value " << c.value;
        EXPECT_EQ(text.c_str()[text.length()], '\0') << "value " << c.value;
    }
}

TEST(NumberToStringTest, NegativeZeroPrintsLikeZero) {
    // The two compare equal, so their texts must too.
    EXPECT_EQ(NumberToString(-0.0).view(), NumberToString(0.0).view());
    EXPECT_EQ(NumberToString(-1.0 * 0.0).view(), "0"sv);
}

TEST(NumberToStringTest, ReservesOneBlockUpFront) {
    RuntimeString text = NumberToString(1.5);
    // 63 bytes reserved up front: one 80-byte block, so short appends do not reallocate.
    EXPECT_EQ(text.capacity(), 80u);
}

// ---- Text to number ---------------------------------------------------------------------

struct ParseCase {
    const char* text;
    double value;
};

TEST(StringToNumberTest, FollowsTheDecimalPrefixRule) {
    const ParseCase cases[] = {
        {" -3.5e2", -350.0}, {"12abc", 12.0},   {"", 0.0},        {".5", 0.5},
        {"1e", 1.0},         {"1e+", 1.0},      {"+", 0.0},       {"-", 0.0},
        {".", 0.0},          {"+.e5", 0.0},     {"0x10", 0.0},    {"inf", 0.0},
        {"nan", 0.0},        {"\t\n 42", 42.0}, {"+7.", 7.0},     {"1e1", 10.0},
        {"2E-3x", 0.002},    {"5 6", 5.0},      {"1.2.3", 1.2},   {"-0.25e+1", -2.5},
        {"00012", 12.0},     {"abc", 0.0},      {"1e400", HUGE_VAL}, {"-1e400", -HUGE_VAL},
        {"1e-400", 0.0},     {"0.000000000000000000000000000000001e-300", 0.0},
        {"1e-310", 1e-310},  {"100000000000000000000000000000000e300", HUGE_VAL},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StringToNumber(RuntimeString(c.text)), c.value) << "text \"" << c.text << "\"";
        EXPECT_EQ(StringToNumber(c.text), c.value) << "text \"" << c.text << "\"";
    }
    EXPECT_EQ(StringToNumber(static_cast<const char*>(nullptr)), 0.0);
}

TEST(StringToNumberTest, StopsAtEmbeddedZeroAndKeepsFullPrecision) {
    EXPECT_EQ(StringToNumber(RuntimeString("12\0" "34", 5)), 12.0);
    EXPECT_EQ(StringToNumber("0.1"), 0.1) << "must round like the compiler's literal";
    EXPECT_EQ(StringToNumber("123456789012345678901234567890"), 123456789012345678901234567890.0);
}

TEST(StringToNumberTest, RoundTripsNumberText) {
    for (double v : {0.0, 1.0, -2.25, 640.0, 1e-5, 1e10, 12345.678}) {
        EXPECT_EQ(StringToNumber(NumberToString(v)), v) << "value " << v;
    }
}

// ---- Length and substring ------------------------------------------------------------------

TEST(StringLenTest, CountsUpToTheFirstZeroByte) {
    RuntimeString embedded("AB\0CD", 5);
    EXPECT_EQ(embedded.length(), 5u);
    EXPECT_EQ(StringLen(embedded), 2);
    EXPECT_EQ(StringLen(RuntimeString("HELLO")), 5);
    EXPECT_EQ(StringLen(RuntimeString()), 0);
}

TEST(StringMidTest, ClampsStartAndCount) {
    const RuntimeString hello("HELLO");
    EXPECT_EQ(StringMid(hello, 1, 3).view(), "ELL"sv);
    EXPECT_EQ(StringMid(hello, 4, 10).view(), "O"sv);
    EXPECT_EQ(StringMid(hello, 0, 5).view(), "HELLO"sv);
    EXPECT_EQ(StringMid(hello, 2, -1).view(), "LLO"sv) << "negative count runs to the end";
    EXPECT_TRUE(StringMid(hello, 5, 1).empty());
    EXPECT_TRUE(StringMid(hello, 1, 0).empty());
    EXPECT_TRUE(StringMid(hello, -1, 3).empty());
    EXPECT_TRUE(StringMid(RuntimeString(), 0, 3).empty());
}

TEST(StringMidTest, ExtremeArgumentsDoNotWrap) {
    const RuntimeString hello("HELLO");
    EXPECT_EQ(StringMid(hello, 1, INT32_MAX).view(), "ELLO"sv);
    EXPECT_TRUE(StringMid(hello, INT32_MAX, INT32_MAX).empty());
    EXPECT_TRUE(StringMid(hello, INT32_MIN, INT32_MAX).empty());
    EXPECT_EQ(StringMid(hello, 0, INT32_MIN).view(), "HELLO"sv);
}

// ---- Growth ---------------------------------------------------------------------------------

TEST(RuntimeStringGrowthTest, RoundsToTheNextSixteenAboveNeed) {
    struct {
        std::uint32_t n;
        std::uint32_t capacity;
    } const cases[] = {{1, 16}, {14, 16}, {15, 32}, {19, 32}, {31, 48}, {63, 80}};
    for (const auto& c : cases) {
        RuntimeString s;
        s.reserve(c.n, false);
        EXPECT_EQ(s.capacity(), c.capacity) << "n + 1 = " << c.n + 1;
    }
    RuntimeString none;
    none.reserve(0, false);
    EXPECT_TRUE(none.usesSharedEmpty());
}

TEST(RuntimeStringGrowthTest, AppendKeepsTextAndReallocatesEverySixteen) {
    RuntimeString s;
    int growths = 0;
    std::uint32_t last = s.capacity();
    for (int i = 0; i < 100; ++i) {
        s.append("x");
        if (s.capacity() != last) ++growths;
        last = s.capacity();
    }
    EXPECT_EQ(s.length(), 100u);
    EXPECT_EQ(StringLen(s), 100);
    EXPECT_EQ(growths, 7) << "capacities 16, 32, ..., 112";
}

// ---- Concatenation --------------------------------------------------------------------------

TEST(StringConcatTest, AllOperandPairings) {
    const RuntimeString ab("ab");
    const RuntimeString cd("cd");
    EXPECT_EQ(StringConcat(ab, cd).view(), "abcd"sv);
    EXPECT_EQ(StringConcat("x=", cd).view(), "x=cd"sv);
    EXPECT_EQ(StringConcat(ab, "!").view(), "ab!"sv);
    EXPECT_EQ(StringConcat(2.5, " lives").view(), "2.5 lives"sv);
    EXPECT_EQ(StringConcat("LEVEL ", 3.0).view(), "LEVEL 3"sv);
    EXPECT_EQ(StringConcat(ab, 1.0 / 3.0).view(), "ab0.3333333333"sv);
    EXPECT_EQ(StringConcat(-0.0, cd).view(), "0cd"sv);
    EXPECT_EQ((ab + cd + "e").view(), "abcde"sv);
}

TEST(StringConcatTest, EmptyAndEmbeddedZeroOperands) {
    const RuntimeString empty;
    EXPECT_TRUE(StringConcat(empty, empty).empty());
    EXPECT_TRUE(StringConcat(empty, empty).usesSharedEmpty()) << "no block for nothing";
    EXPECT_EQ(StringConcat(static_cast<const char*>(nullptr), RuntimeString("a")).view(), "a"sv);
    const RuntimeString zeroed("a\0b", 3);
    RuntimeString joined = StringConcat(zeroed, zeroed);
    EXPECT_EQ(joined.view(), "a\0ba\0b"sv) << "concatenation copies stored bytes";
}

// ---- Comparison ----------------------------------------------------------------------------

TEST(StringCompareTest, ByteOrderPrefixesAndCase) {
    const RuntimeString abcUpper("ABC");
    const RuntimeString abcLower("abc");
    EXPECT_EQ(StringCompare(abcUpper, Relation::Less, abcLower), 1) << "upper case orders first";
    EXPECT_EQ(StringCompare(abcUpper, Relation::Equal, abcLower), 0);
    EXPECT_EQ(StringCompare("AB", Relation::Less, abcUpper), 1) << "a prefix orders first";
    EXPECT_EQ(StringCompare(abcUpper, Relation::Greater, "AB"), 1);
    EXPECT_EQ(StringCompare("", Relation::Less, "A"), 1);
    EXPECT_EQ(StringCompare(nullptr, Relation::Equal, RuntimeString()), 1);
    // Bytes are unsigned: 0xE9 (e acute in Windows-1252) orders after 'z'.
    EXPECT_EQ(StringCompare("\xE9", Relation::Greater, "z"), 1);
}

TEST(StringCompareTest, EveryRelationAgreesWithTheOrder) {
    const char* const texts[] = {"", "A", "AB", "ABC", "B", "a", "\x80"};
    for (const char* a : texts) {
        for (const char* b : texts) {
            const int order = std::string_view(a).compare(b);  // char_traits<char> is unsigned
            const RuntimeString sa(a);
            const RuntimeString sb(b);
            EXPECT_EQ(StringCompare(sa, Relation::Equal, sb), order == 0) << a << " = " << b;
            EXPECT_EQ(StringCompare(sa, Relation::NotEqual, b), order != 0) << a << " <> " << b;
            EXPECT_EQ(StringCompare(a, Relation::Less, sb), order < 0) << a << " < " << b;
            EXPECT_EQ(StringCompare(a, Relation::LessEqual, b), order <= 0) << a << " <= " << b;
            EXPECT_EQ(StringCompare(sa, Relation::Greater, sb), order > 0) << a << " > " << b;
            EXPECT_EQ(StringCompare(sa, Relation::GreaterEqual, sb), order >= 0) << a << " >= " << b;
        }
    }
}

TEST(StringCompareTest, EmbeddedZeroEndsComparisonButNotEquals) {
    const RuntimeString first("AB\0C", 4);
    const RuntimeString second("AB\0D", 4);
    const RuntimeString shortOne("AB");
    EXPECT_EQ(StringCompare(first, Relation::Equal, second), 1) << "compared up to the zero";
    EXPECT_EQ(StringCompare(first, Relation::Equal, shortOne), 1);
    EXPECT_FALSE(StringEquals(first, second)) << "StringEquals sees all stored bytes";
    EXPECT_FALSE(StringEquals(first, shortOne)) << "lengths differ";
    EXPECT_TRUE(StringEquals(first, RuntimeString("AB\0C", 4)));
    EXPECT_TRUE(StringEquals(RuntimeString(), RuntimeString("")));
    EXPECT_TRUE(RuntimeString("ab") == RuntimeString("ab"));
}

TEST(StringNumberCompareTest, TextIsReadAsANumber) {
    EXPECT_EQ(StringNumberCompare(RuntimeString("10"), Relation::Equal, 10.0), 1);
    EXPECT_EQ(StringNumberCompare("1e1", Relation::Equal, 10.0), 1);
    EXPECT_EQ(StringNumberCompare("9", Relation::Less, 10.0), 1) << "numeric, not byte order";
    EXPECT_EQ(StringNumberCompare(10.0, Relation::Greater, "9"), 1);
    EXPECT_EQ(StringNumberCompare(0.0, Relation::Equal, RuntimeString("abc")), 1);
    EXPECT_EQ(StringNumberCompare(" 3x", Relation::GreaterEqual, 3.0), 1);
    EXPECT_EQ(StringNumberCompare("3", Relation::NotEqual, 3.0), 0);
    EXPECT_EQ(StringNumberCompare("3", Relation::LessEqual, 2.0), 0);
    EXPECT_EQ(StringNumberCompare("3", Relation::Equal, std::nan("")), 0);
    EXPECT_EQ(StringNumberCompare("3", Relation::NotEqual, std::nan("")), 1);
}

TEST(StringNumberCompareTest, ThreeWayIsTheSignOfLeftMinusRight) {
    EXPECT_EQ(StringNumberCompare(RuntimeString("5"), 7.0), -1);
    EXPECT_EQ(StringNumberCompare("7", 5.0), 1);
    EXPECT_EQ(StringNumberCompare("5.0", 5.0), 0);
    EXPECT_EQ(StringNumberCompare(7.0, "5"), 1);
    EXPECT_EQ(StringNumberCompare(5.0, RuntimeString("7")), -1);
}

}  // namespace
}  // namespace qvt
