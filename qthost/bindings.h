// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

namespace quorrax {

// What a game pad offers, whatever its make: four ways (its d-pad or its left stick), and
// the button that confirms (the south button, A or cross, and Start).
enum class PadControl { None, Up, Down, Left, Right, Confirm };

// Whose control a binding is: any player's on the front screens, or the red or the blue
// player's in a match.
enum class Seat { Any, Red, Blue };

// One of the game's key codes with the keys and the pad control that make it. The key
// translation, the pad translation, the README and the manual all read these rows.
struct Binding {
    std::int16_t gameKey;
    int qtKeys[2];       // Qt's key codes that make it (0 for none)
    const char *keyName; // the key as the player reads it
    PadControl pad;
    Seat seat;
    const char *does; // what it does, as the README and the manual say it
};

std::span<const Binding> bindings();

// The game key a pad's control makes. In a match a pad steers a line: in Single every pad
// the red one, in Battle the first pad seen the red and the second the blue, and any
// further pad none. Outside a match every pad works the front screens. 0 for none.
std::int16_t padBinding(PadControl control, int seat, bool inMatch, bool battle);

} // namespace quorrax
