// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace quorrax {

// Writes the icons that desktops and software centres show for the game into a folder:
// quorrax-16.png to quorrax-256.png and the scalable quorrax.svg, each the black field as
// a tile on a transparent background, with the three trails on it.
bool writeDesktopIcons(const std::string &dir);

} // namespace quorrax
