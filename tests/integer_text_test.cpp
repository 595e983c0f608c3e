// The integer text rules of the settings file, as one table.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

#include "ui/sysutils.h"

namespace nuvo {
namespace {

using namespace std::string_view_literals;

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

struct IntegerTextCase {
    std::string_view text;
    std::optional<std::int32_t> expected;  // nullopt: the conversion fails
};

const IntegerTextCase kIntegerTextCases[] = {
    // decimal, with an optional sign
    {"0", 0},
    {"350", 350},
    {"+5", 5},
    {"-40", -40},
    {"-0", 0},
    {"007", 7},
    {"2147483647", kMax},
    {"-2147483648", kMin},
    {"+2147483647", kMax},
    {"2147483648", std::nullopt},
    {"-2147483649", std::nullopt},
    {"4294967296", std::nullopt},
    {"99999999999999999999999999", std::nullopt},      // would overflow any accumulator
    {"-99999999999999999999999999", std::nullopt},
    {"000000000000000000002147483647", kMax},          // leading zeros do not count
    // hexadecimal after "$", 32-bit two's complement
    {"$1F4", 500},
    {"$1f4", 500},
    {"$0", 0},
    {"$7FFFFFFF", kMax},
    {"$80000000", kMin},
    {"$FFFFFFFF", -1},
    {"$ffffffff", -1},
    {"$000000001", 1},                                  // nine digits, eight of them zeros
    {"$0000000000000000FFFFFFFF", -1},
    {"$100000000", std::nullopt},                       // nine significant digits
    {"$FFFFFFFFF", std::nullopt},
    // blanks: code 32 only, and only at the start
    {" 12", 12},
    {"     -12", -12},
    {"  $10", 16},
    {"12 ", std::nullopt},
    {"\t12", std::nullopt},
    {"- 5", std::nullopt},
    {"+ 5", std::nullopt},
    {"$ 10", std::nullopt},
    {"", std::nullopt},
    {"   ", std::nullopt},
    // anything else fails
    {"+", std::nullopt},
    {"-", std::nullopt},
    {"$", std::nullopt},
    {"-$10", std::nullopt},
    {"+$10", std::nullopt},
    {"$-10", std::nullopt},
    {"$G", std::nullopt},
    {"12mm", std::nullopt},
    {"yes", std::nullopt},
    {"1e3", std::nullopt},
    {"1,000", std::nullopt},
    {"12\0"sv, std::nullopt},
    {"0x", std::nullopt},
    {"0x1F4", std::nullopt},  // "0x" is read as "$" by the INI-file object, not here
    {"0XFFFFFFFF", std::nullopt},
};

TEST(IntegerText, TryStrToIntFollowsTheRules) {
    for (const IntegerTextCase& row : kIntegerTextCases) {
        SCOPED_TRACE(::testing::Message() << "text \"" << row.text << "\"");
        EXPECT_EQ(TryStrToInt(row.text), row.expected);
    }
}

TEST(IntegerText, StrToIntDefGivesTheDefaultOnlyWhenTheConversionFails) {
    EXPECT_EQ(StrToIntDef("-$10", 350), 350);
    EXPECT_EQ(StrToIntDef("", -7), -7);
    EXPECT_EQ(StrToIntDef("0", 350), 0);
    EXPECT_EQ(StrToIntDef("$FFFFFFFF", 350), -1);
}

TEST(IntegerText, IntToStrWritesDecimalThatReadsBack) {
    const std::pair<std::int32_t, std::string_view> cases[] = {
        {0, "0"}, {350, "350"}, {-40, "-40"}, {kMax, "2147483647"}, {kMin, "-2147483648"}};
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(IntToStr(value), text);
        EXPECT_EQ(TryStrToInt(IntToStr(value)), value);
    }
}

}  // namespace
}  // namespace nuvo
