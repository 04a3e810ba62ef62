#include "core/strings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string_view>
#include <tuple>

namespace qvt {
namespace {

using namespace std::string_view_literals;

TEST(NumberToStringTest, TenSignificantDigitsInGeneralFormat) {
    const std::pair<double, std::string_view> cases[] = {
        {-0.0, "0"}, {2.0 / 3.0, "0.6666666667"}, {0.0001, "0.0001"}, {0.00001, "1e-05"},
        {1234567890.0, "1234567890"}, {12345678901.0, "1.23456789e+10"}};
    for (auto [value, text] : cases) {
        const RuntimeString s = NumberToString(value);
        EXPECT_EQ(s.view(), text) << "value " << value;
        EXPECT_EQ(s.c_str()[s.length()], '\0');
    }
}

// Plain decimals are checked against strtod, and NumberLen against NumberToString, by
// tests/fuzz/number_text_fuzz; here what strtod reads and the runtime does not.
TEST(StringToNumberTest, FollowsTheDecimalPrefixRule) {
    const std::pair<const char*, double> cases[] = {
        {" -3.5e2", -350.0}, {"12abc", 12.0}, {"0x10", 0.0}, {"inf", 0.0}, {"1e400", HUGE_VAL}};
    for (auto [text, value] : cases) {
        EXPECT_EQ(StringToNumber(RuntimeString(text)), value) << text;
        EXPECT_EQ(StringToNumber(text), value) << text;
    }
    EXPECT_EQ(StringToNumber(static_cast<const char*>(nullptr)), 0.0);
    EXPECT_EQ(StringToNumber(RuntimeString("12\0" "34", 5)), 12.0) << "stops at a zero byte";
}

TEST(StringLenAndMidTest, CountToTheFirstZeroAndClampStartAndCount) {
    EXPECT_EQ(StringLen(RuntimeString("AB\0CD", 5)), 2);
    EXPECT_EQ(StringLen(RuntimeString()), 0);
    const RuntimeString hello("HELLO");
    const std::tuple<std::int32_t, std::int32_t, std::string_view> cases[] = {  // start, count
        {1, 3, "ELL"}, {2, -1, "LLO"}, {5, 1, ""}, {0, INT32_MIN, "HELLO"}, {-1, 3, ""},
        {1, INT32_MAX, "ELLO"}, {INT32_MAX, INT32_MAX, ""}};
    for (auto [start, count, text] : cases) EXPECT_EQ(StringMid(hello, start, count).view(), text);
    EXPECT_TRUE(StringMid(RuntimeString(), 0, 3).empty());
}

TEST(RuntimeStringTest, ReserveAppendAndAssignKeepTheRightBytes) {
    RuntimeString s(std::string(100, 'x'));
    s.reserve(200, true);
    EXPECT_EQ(s.view(), std::string(100, 'x')) << "keep copies the old bytes";
    RuntimeString twice("abcdefghijklmno");
    twice.append(twice);
    EXPECT_EQ(twice.view(), "abcdefghijklmnoabcdefghijklmno") << "itself, across a reallocation";
    RuntimeString copy("old text that is longer");
    const RuntimeString source("new");
    copy = source;
    EXPECT_EQ(copy.view(), "new") << "copy assignment";
}

TEST(StringConcatTest, AllOperandPairings) {
    const RuntimeString ab("ab"), cd("cd"), zeroed("a\0b", 3);
    const std::pair<RuntimeString, std::string_view> results[] = {
        {StringConcat(2.5, " lives"), "2.5 lives"}, {StringConcat("LEVEL ", 3.0), "LEVEL 3"},
        {ab + cd + "e", "abcde"}, {StringConcat(static_cast<const char*>(nullptr), cd), "cd"},
        {StringConcat(zeroed, zeroed), "a\0ba\0b"sv}};  // stored bytes, zeros included
    for (const auto& [result, text] : results) EXPECT_EQ(result.view(), text);
    EXPECT_TRUE(StringConcat(RuntimeString(), RuntimeString()).usesSharedEmpty())
        << "no block for nothing";
}

TEST(StringCompareTest, EveryRelationAgreesWithUnsignedByteOrderUpToAZero) {
    const char* const texts[] = {"", "A", "AB", "B", "a", "\x80"};
    for (const char* a : texts) {
        for (const char* b : texts) {
            const int order = std::string_view(a).compare(b);  // char_traits<char> is unsigned
            const RuntimeString sa(a), sb(b);
            SCOPED_TRACE(std::string(a) + " vs " + b);
            EXPECT_EQ(StringCompare(sa, Relation::Equal, sb), order == 0);
            EXPECT_EQ(StringCompare(sa, Relation::NotEqual, b), order != 0);
            EXPECT_EQ(StringCompare(a, Relation::Less, sb), order < 0);
            EXPECT_EQ(StringCompare(a, Relation::LessEqual, b), order <= 0);
            EXPECT_EQ(StringCompare(sa, Relation::Greater, sb), order > 0);
            EXPECT_EQ(StringCompare(sa, Relation::GreaterEqual, sb), order >= 0);
        }
    }
    EXPECT_EQ(StringCompare(nullptr, Relation::Equal, RuntimeString()), 1);
    const RuntimeString first("AB\0C", 4), second("AB\0D", 4);
    EXPECT_EQ(StringCompare(first, Relation::Equal, second), 1) << "compared up to the zero";
    EXPECT_FALSE(StringEquals(first, second)) << "StringEquals sees all stored bytes";
    EXPECT_TRUE(StringEquals(first, RuntimeString("AB\0C", 4)));
}

TEST(StringNumberCompareTest, TextIsReadAsANumber) {
    const double nan = std::nan("");
    const std::pair<std::int32_t, std::int32_t> results[] = {
        {StringNumberCompare(RuntimeString("1e1"), Relation::Equal, 10.0), 1},
        {StringNumberCompare("9", Relation::Less, 10.0), 1},  // numeric, not byte order
        {StringNumberCompare(10.0, Relation::Greater, "9"), 1},
        {StringNumberCompare("3", Relation::NotEqual, nan), 1},
        {StringNumberCompare(RuntimeString("5"), 7.0), -1}, {StringNumberCompare(7.0, "5"), 1},
        {StringNumberCompare("5", nan), 0}};
    for (auto [result, expected] : results) EXPECT_EQ(result, expected);
}

}  // namespace
}  // namespace qvt
