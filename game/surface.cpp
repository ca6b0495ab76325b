// SPDX-License-Identifier: MIT
#include "game/surface.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace quorrax {

namespace {

// Stamps are never handed out twice, so a stamp names one content of one row.
std::uint64_t freshStamp()
{
    static std::uint64_t last = 0;
    return ++last;
}

} // namespace

Surface::Surface(int width, int height, Color fill)
    : m_width(width),
      m_height(height),
      m_pixels(std::size_t(width) * std::size_t(height), fill),
      m_rowStamps(std::size_t(height))
{
    assert(width >= 0 && height >= 0);
    changed(0, height - 1);
}

void Surface::changed(std::int64_t top, std::int64_t bottom)
{
    for (std::int64_t y = std::max<std::int64_t>(top, 0); y <= bottom && y < m_height; ++y)
        m_rowStamps[std::size_t(y)] = freshStamp();
    ++m_generation;
}

Color *Surface::rowForWriting(int y)
{
    assert(y >= 0 && y < m_height);
    changed(y, y);
    return m_pixels.data() + std::size_t(y) * std::size_t(m_width);
}

std::int32_t Surface::Point(std::int64_t x, std::int64_t y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return -1;
    return std::int32_t(m_pixels[std::size_t(y) * std::size_t(m_width) + std::size_t(x)]);
}

Color Surface::pixel(int x, int y) const
{
    assert(x >= 0 && y >= 0 && x < m_width && y < m_height);
    return m_pixels[std::size_t(y) * std::size_t(m_width) + std::size_t(x)];
}

void Surface::setPixel(int x, int y, Color color)
{
    assert(x >= 0 && y >= 0 && x < m_width && y < m_height);
    m_pixels[std::size_t(y) * std::size_t(m_width) + std::size_t(x)] = color;
    changed(y, y);
}

void Surface::fill(Color color)
{
    std::fill(m_pixels.begin(), m_pixels.end(), color);
    changed(0, m_height - 1);
}

void Surface::setPicture(const Surface &other)
{
    m_width = other.m_width;
    m_height = other.m_height;
    m_pixels = other.m_pixels;
    m_rowStamps = other.m_rowStamps;
    ++m_generation;
}

void Surface::Line(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, Color color)
{
    // Squared distances are compared in quarter pixels so that the test stays exact:
    // a pixel is painted when its centre is within 2.5 pixels of the segment.
    constexpr std::int64_t reach = 2;
    const std::int64_t left = std::max<std::int64_t>(std::min(x1, x2) - reach, 0);
    const std::int64_t right = std::min<std::int64_t>(std::max(x1, x2) + reach, m_width - 1);
    const std::int64_t top = std::max<std::int64_t>(std::min(y1, y2) - reach, 0);
    const std::int64_t bottom = std::min<std::int64_t>(std::max(y1, y2) + reach, m_height - 1);
    if (left > right || top > bottom)
        return;

    const double dx = double(x2 - x1);
    const double dy = double(y2 - y1);
    const double lengthSquared = dx * dx + dy * dy;
    for (std::int64_t y = top; y <= bottom; ++y) {
        Color *row = m_pixels.data() + std::size_t(y) * std::size_t(m_width);
        for (std::int64_t x = left; x <= right; ++x) {
            double t = 0;
            if (lengthSquared > 0)
                t = std::clamp((double(x - x1) * dx + double(y - y1) * dy) / lengthSquared, 0.0, 1.0);
            const double ex = double(x - x1) - t * dx;
            const double ey = double(y - y1) - t * dy;
            if (ex * ex + ey * ey <= 6.25)
                row[x] = color;
        }
    }
    changed(top, bottom);
}

void BitBlt(Surface &dst, std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height, const Surface &src,
            Rop rop)
{
    // Clip to the source (nothing is read outside it) and to the destination.
    width = std::min<std::int64_t>(width, src.width());
    height = std::min<std::int64_t>(height, src.height());
    std::int64_t sx = 0;
    std::int64_t sy = 0;
    if (x < 0) {
        sx = -x;
        width += x;
        x = 0;
    }
    if (y < 0) {
        sy = -y;
        height += y;
        y = 0;
    }
    width = std::min<std::int64_t>(width, dst.width() - x);
    height = std::min<std::int64_t>(height, dst.height() - y);
    if (width <= 0 || height <= 0)
        return;

    const bool wholeRows = x == 0 && sx == 0 && width == dst.width() && width == src.width();
    for (std::int64_t row = 0; row < height; ++row) {
        const std::size_t fromRow = std::size_t(sy + row);
        const std::size_t toRow = std::size_t(y + row);
        const Color *from = src.bits() + fromRow * std::size_t(src.width()) + std::size_t(sx);
        Color *to = dst.m_pixels.data() + toRow * std::size_t(dst.width()) + std::size_t(x);
        switch (rop) {
        case Rop::SrcCopy:
            if (wholeRows) {
                // A whole-field copy meets mostly rows that already hold what it brings:
                // only the heads and the newest segments differ from one copy to the next.
                if (dst.m_rowStamps[toRow] != src.m_rowStamps[fromRow]) {
                    std::memmove(to, from, std::size_t(width) * sizeof(Color));
                    dst.m_rowStamps[toRow] = src.m_rowStamps[fromRow];
                }
                continue;
            }
            std::memmove(to, from, std::size_t(width) * sizeof(Color));
            break;
        case Rop::SrcAnd:
            for (std::int64_t i = 0; i < width; ++i)
                to[i] &= from[i];
            break;
        case Rop::SrcInvert:
            for (std::int64_t i = 0; i < width; ++i)
                to[i] ^= from[i];
            break;
        }
        dst.m_rowStamps[toRow] = freshStamp();
    }
    ++dst.m_generation;
}

Surface makeMask(const Surface &sprite)
{
    Surface mask(sprite.width(), sprite.height(), white);
    for (int y = 0; y < sprite.height(); ++y)
        for (int x = 0; x < sprite.width(); ++x)
            if (sprite.pixel(x, y) != black)
                mask.setPixel(x, y, black);
    return mask;
}

} // namespace quorrax
