// SPDX-License-Identifier: MIT
#include "game/convert.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace quorrax {
namespace {

// The blanks a number may stand between: spaces and tabs only.
constexpr bool isSpaceOrTab(char c)
{
    return c == ' ' || c == '\t';
}
constexpr bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A signed 32-bit magnitude has at most ten digits; anything longer is out of range
// whatever its fraction rounds to.
constexpr std::size_t maxDigits = 10;

// A number as the high score may be written: its sign, and its magnitude rounded to a whole
// number, which is missing where it has more digits than any signed 32-bit one. The
// rounding works on the decimal digits as written, never through a binary fraction, so that
// a half is recognised as exactly a half however many digits follow it.
struct Number {
    bool negative = false;
    std::optional<std::uint64_t> magnitude;
};

std::optional<Number> readNumber(std::string_view text)
{
    while (!text.empty() && isSpaceOrTab(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpaceOrTab(text.back()))
        text.remove_suffix(1);

    Number number;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        number.negative = text.front() == '-';
        text.remove_prefix(1);
    }

    const std::size_t point = text.find('.');
    std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (whole.empty() && fraction.empty())
        return std::nullopt;
    for (char c : whole)
        if (!isDigit(c))
            return std::nullopt;
    for (char c : fraction)
        if (!isDigit(c))
            return std::nullopt;

    while (!whole.empty() && whole.front() == '0')
        whole.remove_prefix(1);
    if (whole.size() > maxDigits)
        return number;
    std::uint64_t magnitude = 0;
    for (char c : whole)
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');

    if (!fraction.empty()) {
        const char first = fraction.front();
        const bool moreThanHalf =
            first > '5' || (first == '5' && fraction.find_first_not_of('0', 1) != std::string_view::npos);
        const bool half = first == '5' && !moreThanHalf;
        if (moreThanHalf || (half && magnitude % 2 == 1))
            ++magnitude;
    }
    number.magnitude = magnitude;
    return number;
}

constexpr std::uint64_t maxPositive = std::numeric_limits<std::int32_t>::max();

} // namespace

std::optional<std::int32_t> CLng(std::string_view text)
{
    const std::optional<Number> number = readNumber(text);
    if (!number || !number->magnitude || *number->magnitude > maxPositive + (number->negative ? 1 : 0))
        return std::nullopt;
    const auto magnitude = static_cast<std::int64_t>(*number->magnitude);
    return static_cast<std::int32_t>(number->negative ? -magnitude : magnitude);
}

bool exceedsLong(std::string_view text)
{
    const std::optional<Number> number = readNumber(text);
    return number && !number->negative && (!number->magnitude || *number->magnitude > maxPositive);
}

} // namespace quorrax
