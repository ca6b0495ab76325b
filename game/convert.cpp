// SPDX-License-Identifier: MIT
#include "game/convert.h"

#include <cstdint>
#include <limits>
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

} // namespace

// The rounding works on the decimal digits as written, never through a binary fraction,
// so that a half is recognised as exactly a half however many digits follow it.
std::optional<std::int32_t> CLng(std::string_view text)
{
    while (!text.empty() && isSpaceOrTab(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpaceOrTab(text.back()))
        text.remove_suffix(1);

    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
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
        return std::nullopt;
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

    constexpr std::uint64_t maxPositive = std::numeric_limits<std::int32_t>::max();
    if (magnitude > maxPositive + (negative ? 1 : 0))
        return std::nullopt;
    const std::int64_t value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return static_cast<std::int32_t>(value);
}

} // namespace quorrax
