// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>

namespace quorrax {

// The dialogs are measured in twips: 1440 to the inch, so 15 to a pixel at 96 dots per
// inch, whatever the real screen is.
constexpr float twipsPerPixel = 15.0f;

constexpr float pixelsToTwips(int pixels)
{
    return static_cast<float>(pixels) * twipsPerPixel;
}

// A position that falls between two pixels goes to the nearest, halves to even. The game
// never leaves the default rounding mode, so nearbyint rounds exactly that way.
inline int twipsToPixels(float twips)
{
    return static_cast<int>(std::nearbyint(static_cast<double>(twips) / twipsPerPixel));
}

} // namespace quorrax
