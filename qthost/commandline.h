// SPDX-License-Identifier: MIT
#pragma once

#include <optional>

namespace quorrax {

// Reads the command line before anything needs a window or a display: answers --help and
// --version, refuses what it does not know, and makes a display that cannot be opened end
// the program with one line and status 1 instead of Qt's abort. Gives the exit status
// when the program is to end at once; call it first thing in main.
std::optional<int> handleCommandLine(int argc, char **argv);

// Qt takes text to and from the system as UTF-8 and, where the player's locale says
// otherwise (none set at all, "C", or a locale of another character set), switches the C
// library's character type itself with a warning of four lines at every start. The game
// makes the same choice quietly before Qt starts, and keeps every other part of the locale
// as the player set it. The high-score file and its paths are bytes, whatever the locale.
// Call it before anything of Qt.
void chooseUtf8Text();

} // namespace quorrax
