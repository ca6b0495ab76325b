// SPDX-License-Identifier: MIT
#pragma once

#include <optional>

namespace quorrax {

// Reads the command line before anything needs a window or a display: answers --help and
// --version, refuses what it does not know, and makes a display that cannot be opened end
// the program with one line and status 1 instead of Qt's abort. Gives the exit status
// when the program is to end at once; call it first thing in main.
std::optional<int> handleCommandLine(int argc, char **argv);

} // namespace quorrax
