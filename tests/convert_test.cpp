// SPDX-License-Identifier: MIT
#include "game/convert.h"

#include <gtest/gtest.h>

#include <optional>

// The high score as it may stand in the file: plain numbers, blanks around them, and
// fractions that round to the nearest whole number with halves going to the even one.
TEST(CLng, ConvertsTheHighScoreTextsAsTheGameExpects)
{
    using namespace std::string_view_literals;
    constexpr std::optional<std::int32_t> fails;
    const struct {
        std::string_view text;
        std::optional<std::int32_t> expected;
        // clang-format off
    } rows[] = {
        {"0", 0}, {"120", 120}, {"-120", -120}, {"+120", 120}, {"007", 7}, {"  42  ", 42}, {"\t42\t", 42},
        {" \t-42 \t", -42}, {"12.5", 12}, {"13.5", 14}, {"-2.5", -2}, {"-3.5", -4}, {".5", 0}, {"5.", 5},
        {"0.5000001", 1}, {"0.4999999999999999999999", 0}, {"2.50000000000000000000001", 3},
        {"2.5000000000000000000000", 2}, {"-0.5", 0}, {"-0.6", -1}, {"2147483647", 2147483647},
        {"-2147483648", -2147483648}, {"2147483647.4999", 2147483647}, {"2147483647.5", fails},
        {"2147483648", fails}, {"-2147483648.5", -2147483648}, {"-2147483648.6", fails}, {"99999999999", fails},
        {"00000000000000000000000012", 12}, {"4294967295", fails}, {"", fails}, {"   ", fails}, {"abc", fails},
        {"12abc", fails}, {"1 2", fails}, {"- 5", fails}, {"+-5", fails}, {"-", fails}, {".", fails},
        {"1.2.3", fails}, {"1,000", fails}, {"1e3", fails}, {"&H10", fails}, {"0x10", fails}, {"12\n", fails},
        {"\xA0" "12", fails}, {"1\0" "2"sv, fails},
    };
    // clang-format on
    for (const auto &row : rows)
        EXPECT_EQ(quorrax::CLng(row.text), row.expected) << "text \"" << row.text << "\"";
    // The numbers above the range, which stand for a score beyond any the game can reach.
    const std::pair<std::string, bool> beyond[] = {
        {"2147483647", false},  {"2147483648", true},    {" +4294967496\t", true}, {"2147483647.5", true},
        {"-2147483649", false}, {"99999999999x", false}, {"1e10", false},          {std::string(1023, '9'), true},
    };
    for (const auto &[text, exceeds] : beyond)
        EXPECT_EQ(quorrax::exceedsLong(text), exceeds) << "text \"" << text << "\"";
}
