// SPDX-License-Identifier: MIT
#include "qthost/changedrows.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace quorrax {

namespace {

// Runs of neighbouring rows that overlap or touch are joined, so that a head or a line of
// text goes out as one rectangle, not one a row. `open` holds the rectangles that reach
// down to the row before.
void addRun(std::vector<QRect> &open, const QRect &run)
{
    const auto above = std::find_if(open.begin(), open.end(), [&run](const QRect &r) {
        return r.left() <= run.right() + 1 && r.right() >= run.left() - 1;
    });
    if (above != open.end())
        *above = above->united(run);
    else
        open.push_back(run);
}

// Whatever did not reach row `y` is finished.
void closeAbove(std::vector<QRect> &open, std::vector<QRect> &done, int y)
{
    for (auto it = open.begin(); it != open.end();) {
        if (it->bottom() < y) {
            done.push_back(*it);
            it = open.erase(it);
        } else {
            ++it;
        }
    }
}

// Copies the changed pixels of one row into `shown` and `out`, and hands on its runs of
// changes; pixels that stay the same for fewer than 16 in a row do not split a run.
void takeRow(const Color *from, Color *shown, std::uint32_t *out, int width, int y, std::vector<QRect> &open)
{
    int x = 0;
    while (x < width) {
        if (from[x] == shown[x]) {
            ++x;
            continue;
        }
        const int start = x;
        int lastChange = x;
        for (; x < width && x - lastChange < 16; ++x) {
            if (from[x] != shown[x]) {
                lastChange = x;
                shown[x] = from[x];
                out[x] = from[x] | 0xFF000000u; // RGBX in memory: R, G, B, 255
            }
        }
        addRun(open, QRect(start, y, lastChange - start + 1, 1));
    }
}

} // namespace

std::vector<QRect> ChangedRows::take(const Surface &buffer, QImage &image)
{
    if (buffer.generation() == m_shownGeneration)
        return {};
    m_shownGeneration = buffer.generation();
    const int width = buffer.width();
    const int height = buffer.height();
    if (m_shown.size() != std::size_t(width) * std::size_t(height)) {
        m_shown.assign(std::size_t(width) * std::size_t(height), ~Color(0));
        m_shownStamps.assign(std::size_t(height), 0);
    }
    // Rows without a change, nearly all of them, are passed over at the speed of memory; a
    // row whose stamp is the one shown holds what is shown and is not even read.
    const std::size_t rowBytes = std::size_t(width) * sizeof(Color);
    uchar *const bits = image.bits(); // one detach check for the whole frame, not one per row
    std::vector<QRect> open, done;
    for (int y = 0; y < height; ++y) {
        const Color *from = buffer.bits() + std::size_t(y) * std::size_t(width);
        Color *shown = m_shown.data() + std::size_t(y) * std::size_t(width);
        const std::uint64_t stamp = buffer.rowStamp(y);
        const bool fresh = std::exchange(m_shownStamps[std::size_t(y)], stamp) != stamp;
        if (fresh && std::memcmp(from, shown, rowBytes) != 0)
            takeRow(from, shown, reinterpret_cast<std::uint32_t *>(bits + y * image.bytesPerLine()), width, y, open);
        closeAbove(open, done, y);
    }
    done.insert(done.end(), open.begin(), open.end());
    return done;
}

} // namespace quorrax
