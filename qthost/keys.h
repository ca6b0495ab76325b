// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

class QString;

namespace quorrax {

// Qt's key code as the game's key code, by the table of bindings: the steering letters
// whatever Shift and Caps Lock say (Qt reports a letter key by its upper-case letter),
// Return and keypad Enter both as Return, Up and Down. 0 for the keys no routine of the
// game reads.
std::int16_t toVirtualKey(int qtKey);

// The key as the game reads it on any keyboard layout. A layout whose letters are not
// Latin (Russian, Greek, ...) would leave the steering keys without a letter, so a letter of
// another script is taken as the Latin letter at the same place on the US layout, found by
// the key's X keycode. Latin layouts (AZERTY, QWERTZ) keep the letters printed on their
// keys, and keys that give no letter stay as they are.
int latinLetterKey(int qtKey, std::uint32_t scanCode);

// Whether text from the input method means that an input method for Japanese (or another
// East Asian script) has taken the player's keys: any text it holds while composing, or
// handed-over text with a character of those scripts. Dead keys and compose sequences also
// reach the window as handed-over text, but only as the accented letters and symbols of
// other scripts, which are no input method to switch off.
bool inputMethodTookKeys(const QString &preedit, const QString &commit);

} // namespace quorrax
