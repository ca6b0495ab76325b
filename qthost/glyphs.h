// SPDX-License-Identifier: MIT
#pragma once

#include "game/surface.h"

#include <string_view>

namespace quorrax {

// The window's text output: glyphs from the window's font, without anti-aliasing, drawn
// into a surface's own pixels. Point sizes map at 96 dots per inch on every screen.
// Returns the line height in pixels.
int printGlyphs(Surface &target, int x, int y, std::string_view text, double points, Color color);

// The pixel size of a point size at 96 dots per inch (9 pt = 12 px, 72 pt = 96 px).
int pointsToPixels(double points);

} // namespace quorrax
