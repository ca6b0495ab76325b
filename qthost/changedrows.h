// SPDX-License-Identifier: MIT
#pragma once

#include "game/surface.h"

#include <QImage>
#include <QRect>

#include <cstdint>
#include <vector>

namespace quorrax {

// What changed in the game's back buffer since the window last took it. Between two ticks
// only a few pixels change: the window system is handed just those, as few rectangles as
// the changed runs of neighbouring rows make, not the whole field.
class ChangedRows
{
public:
    // Copies what changed in `buffer` since the last call into `image` (RGBX, the buffer's
    // size) and returns the rectangles that hold the changes; none when nothing changed.
    // Every pixel outside them is as it was.
    std::vector<QRect> take(const Surface &buffer, QImage &image);

private:
    std::vector<Color> m_shown;               // the pixels as last taken
    std::vector<std::uint64_t> m_shownStamps; // the stamps of the rows in m_shown
    std::uint64_t m_shownGeneration = ~std::uint64_t(0);
};

} // namespace quorrax
