// The settings text forms and parse rules: what a player's text reads as, and what is written.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "settings/text_forms.h"

namespace {

struct IntCase {
    const char* text;
    std::int32_t expected;
};

TEST(ParseInt, FollowsTheIntegerRules) {
    const IntCase cases[] = {
        {"50", 50},         {"50abc", 50},    {"abc", 0},        {"12.9", 12},   {"0x20", 0},
        {"+7", 7},          {"-5", -5},       {"010", 10},       {"  42", 42},   {"\t-3", -3},
        {"", 0},            {"   ", 0},       {"-", 0},          {"+", 0},       {"- 5", 0},
        {"2147483647", 2147483647},           {"2147483648", 2147483647},           {"2147483646", 2147483646},
        {"-2147483647", -2147483647},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"-2147483649", std::numeric_limits<std::int32_t>::min()},
        {"99999999999999999999999999999", 2147483647},
        {"-99999999999999999999999999999", std::numeric_limits<std::int32_t>::min()},
        {"00000000000000000000000000012", 12},
        {"12829", 12829},   {"1 2", 1},       {"--1", 0},
        {"\v7", 7},         {"\f7", 7},       {"\n7", 7},       {"\r7", 7},     {"\r\n \t\v\f-7", -7},
    };
    for (const auto& c : cases) EXPECT_EQ(parseInt(c.text), c.expected) << '"' << c.text << '"';
}

// A text may be part of a longer one (a line, a buffer): a parse reads its own characters only,
// however the bytes after it go on.
TEST(ParseValues, ReadOnlyTheTextsOwnCharacters) {
    struct Case {
        std::string_view text;  // the first `length` characters of a longer text
        std::int32_t asInt;
        float asFloat;
    };
    const Case cases[] = {
        {std::string_view("12345", 2), 12, 12.0f},
        {std::string_view("-7.25e3", 4), -7, -7.2f},
        {std::string_view("1.5e37", 4), 1, 0.0f},  // "1.5e": an "e" with no digits
        {std::string_view("   9", 2), 0, 0.0f},  // blanks to its end, and more after it
        {std::string_view("0.125", 0), 0, 0.0f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseInt(c.text), c.asInt) << c.text;
        EXPECT_EQ(parseFloat(c.text), c.asFloat) << c.text;
        EXPECT_EQ(parseBool(c.text), c.asInt != 0) << c.text;
    }
}

TEST(ParseBool, IsTheIntegerParseTestedAgainstZero) {
    const std::pair<const char*, bool> cases[] = {
        {"1", true},  {"2", true},    {"-1", true},  {"   1", true}, {"99999999999", true}, {"1abc", true},
        {"0", false}, {"-0", false},  {"true", false}, {"yes", false}, {"on", false},       {"", false},
        {"0x1", false}, {"0.9", false},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(parseBool(text), expected) << '"' << text << '"';
}

struct FloatCase {
    const char* text;
    float expected;
};

TEST(ParseFloat, FollowsTheFloatRules) {
    const FloatCase cases[] = {
        {"1.5", 1.5f},   {"2e1", 20.0f},  {"0,5", 0.0f},   {"1,5", 1.0f},   {"1e39", 0.0f},  {"-1e39", 0.0f},
        {"1.5e", 0.0f},  {"2e+", 0.0f},   {"3E-x", 0.0f},  {"1.5x", 1.5f},  {"-0.25", -0.25f}, {"+0.5", 0.5f},
        {"  0.5", 0.5f}, {".5", 0.5f},    {"5.", 5.0f},    {"-.5", -0.5f},  {".", 0.0f},     {"-", 0.0f},
        {"e5", 0.0f},    {"inf", 0.0f},   {"-inf", 0.0f},  {"nan", 0.0f},   {"infinity", 0.0f}, {"", 0.0f},
        {"1E2", 100.0f}, {"1e-2", 0.01f}, {"0x10", 0.0f},  {"1.5e3x", 1500.0f}, {"3.4028235e38", 3.4028235e38f},
        {"0.1234567", 0.1234567f},        {"1 .5", 1.0f},  {"1e0005", 100000.0f},   {"5.e3", 5000.0f},
        {"-.5e1", -5.0f},  {"+12.5", 12.5f}, {".25", 0.25f},  {"-.125", -0.125f},
    };
    for (const auto& c : cases) {
        const float got = parseFloat(c.text);
        EXPECT_EQ(std::memcmp(&got, &c.expected, sizeof got) == 0 || got == c.expected, true)
            << '"' << c.text << "\" gave " << got << ", expected " << c.expected;
        EXPECT_TRUE(std::isfinite(got)) << c.text;
    }
}

TEST(ParseFloat, TooSmallGivesAZeroOfItsSignTooLargeGivesZero) {
    struct Case {
        std::string text;
        bool negativeZero;
    };
    const std::string zeros(100, '0'), ones(100, '1');
    // Too small or too large is told by where the first significant digit stands: the digits
    // before the point, the zeros after it, and the exponent (with its sign, or none) all move
    // it, and a number's digits can outweigh its exponent either way.
    const Case cases[] = {
        {"-1e-50", true},  {"1e-50", false},  {"-0.0000000000000000000000000000000000000000000000001", true},
        {"-1.17549e-38647", true},  {"-1e39", false},  {"-340282356779733661637539395458142568448", false},
        {"-0.001e-99999999999", true},  {"-1e+39", false},  {"+1e-50", false},  {"-0000000001e-50", true},
        {"-0." + zeros + "1e55", true},        // 1e-46: the zeros after the point make it small
        {"-0." + zeros + "1e55 rain", true},   // the same, with the words after it left alone
        {"-0." + zeros.substr(50) + "1e100", false},  // 1e49: a large exponent outweighs them
        {"-" + ones + "e-60", false},          // 1.1e39: the digits outweigh the exponent
        {"-1" + zeros + "e-60", false},        // 1e40: zeros count as digits after the first one
        {"-" + ones + ".5E-150", true},         // 1.1e-51
        {"-0." + std::string(250, '0') + "1e300", false},  // 1e50: the exponent read as the number it is
        {"-0." + std::string(350, '0') + "1e300", true},   // 1e-50
    };
    for (const Case& c : cases) {
        const float got = parseFloat(c.text);
        EXPECT_EQ(got, 0.0f) << c.text;
        EXPECT_EQ(std::signbit(got), c.negativeZero) << c.text;
    }
    EXPECT_EQ(parseFloat("1e-45"), 1e-45f);  // the smallest subnormal is still a float
    EXPECT_EQ(parseFloat("-1e-45"), -1e-45f);
}

TEST(ParseFloat, GivesTheNearestFloatOfLongText) {
    // 255 characters of digits still round to the nearest float, not via double.
    std::string digits = "0." + std::string(250, '3');
    EXPECT_EQ(parseFloat(digits), 1.0f / 3.0f);
    EXPECT_EQ(parseFloat("16777217"), 16777216.0f);
}

TEST(FormatValues, UseTheFixedTextForms) {
    EXPECT_STREQ(formatBool(true).c_str(), "1");
    EXPECT_STREQ(formatBool(false).c_str(), "0");

    const std::pair<std::int32_t, const char*> ints[] = {
        {12829, "12829"}, {-5, "-5"}, {0, "0"}, {2147483647, "2147483647"},
        {std::numeric_limits<std::int32_t>::min(), "-2147483648"},
    };
    for (const auto& [value, text] : ints) EXPECT_STREQ(formatInt(value).c_str(), text);

    const std::pair<float, const char*> floats[] = {
        {1.0f, "1"},          {0.5f, "0.5"},         {0.1234567f, "0.123457"}, {1e7f, "1e+07"},
        {0.00001f, "1e-05"},  {0.0001f, "0.0001"},   {123456.0f, "123456"},    {1234567.0f, "1.23457e+06"},
        {-0.25f, "-0.25"},    {0.0f, "0"},           {-0.0f, "-0"},            {3.4028235e38f, "3.40282e+38"},
        {100.0f, "100"},      {1.1f, "1.1"},
    };
    for (const auto& [value, text] : floats) EXPECT_STREQ(formatFloat(value).c_str(), text) << value;
}

TEST(FormatValues, ReadBackAsWritten) {
    for (std::int32_t value : {0, 1, -1, 100, 12829, 2147483647, -2147483647 - 1})
        EXPECT_EQ(parseInt(formatInt(value).c_str()), value);
    for (float value : {0.0f, 1.0f, 0.5f, -0.25f, 100.0f, 1e7f, 1e-5f})
        EXPECT_EQ(parseFloat(formatFloat(value).c_str()), value);
}

}  // namespace
