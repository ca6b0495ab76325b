// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorrax {

// The text-to-Long conversion of the high score: blanks around the number, an optional
// sign, and a decimal fraction rounded to the nearest whole number, halves to even.
// Anything else, or a number outside the signed 32-bit range, gives no value.
std::optional<std::int32_t> CLng(std::string_view text);

// Whether the text is a number in the form CLng reads that lies above the signed 32-bit
// range: a high score beyond any the game can reach.
bool exceedsLong(std::string_view text);

} // namespace quorrax
