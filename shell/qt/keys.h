#pragma once

#include <cstdint>

namespace quorrax {

// Qt's key code as the game's key code: letters as their upper-case codes whatever
// Shift and Caps Lock say, Return and keypad Enter both as Return. 0 for keys the game
// has no code for.
std::int16_t toVirtualKey(int qtKey);

} // namespace quorrax
