// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Pictures drawn pixel by pixel: every pixel gets one colour of the picture's small palette,
// never a blend, because the sprites are drawn through exact masks and the title may use
// only its four yellows on black.

namespace quorrax::art {

struct Rgb {
    int r, g, b;
};

constexpr Rgb black{0, 0, 0};
constexpr Rgb white{255, 255, 255};
constexpr Rgb red{255, 0, 0};
constexpr Rgb blue{0, 0, 255};
// The title's brightest yellow, and the yellow of the sprites.
constexpr Rgb yellow{255, 255, 0};

// A picture being drawn: one palette colour per pixel, black where nothing is drawn.
class Canvas
{
public:
    Canvas(int width, int height) : m_width(width), m_height(height), m_pixels(std::size_t(width * height), black) {}

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }

    void set(int x, int y, Rgb c)
    {
        if (contains(x, y))
            m_pixels[std::size_t(y * m_width + x)] = c;
    }
    Rgb at(int x, int y) const { return contains(x, y) ? m_pixels[std::size_t(y * m_width + x)] : black; }

    // Writes the picture as a PNG file.
    bool save(const std::string &path) const;

private:
    int m_width;
    int m_height;
    std::vector<Rgb> m_pixels;
};

// A set of pixels, the shape of a letter or a sprite before it is shaded.
class Mask
{
public:
    Mask(int width, int height) : m_width(width), m_height(height), m_bits(std::size_t(width * height), 0) {}
    int width() const { return m_width; }
    int height() const { return m_height; }
    bool operator()(int x, int y) const
    {
        return x >= 0 && y >= 0 && x < m_width && y < m_height && m_bits[std::size_t(y * m_width + x)];
    }
    void set(int x, int y, bool on = true)
    {
        if (x >= 0 && y >= 0 && x < m_width && y < m_height)
            m_bits[std::size_t(y * m_width + x)] = on ? 1 : 0;
    }

private:
    int m_width;
    int m_height;
    std::vector<std::uint8_t> m_bits;
};

using Polygon = std::vector<std::array<double, 2>>;

// Even-odd test of a point against one polygon.
bool insidePolygon(const Polygon &poly, double px, double py);

// A straight piece of trail: the band of the given width around the segment from
// (x0, y0) to (x1, y1), which must be horizontal or vertical, square at its ends.
void trailBand(Mask &mask, int x0, int y0, int x1, int y1, int width);

// The pictures of the game, each from its own file.
Canvas drawTitle();
Canvas drawArrow();
Canvas drawExplosion();
Canvas drawIcon32();
Canvas drawIcon16();

} // namespace quorrax::art
