// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

namespace quorrax {

// A colour as the game stores it: red in the lowest byte, then green, then blue.
// The top byte is always 0, so black is 0 and a pixel read can use -1 for "outside".
using Color = std::uint32_t;

constexpr Color RGB(int r, int g, int b)
{
    return Color(r & 0xFF) | (Color(g & 0xFF) << 8) | (Color(b & 0xFF) << 16);
}

constexpr Color black = RGB(0, 0, 0);
constexpr Color white = RGB(255, 255, 255);
constexpr Color red = RGB(255, 0, 0);
constexpr Color green = RGB(0, 255, 0);
constexpr Color blue = RGB(0, 0, 255);
constexpr Color yellow = RGB(255, 255, 0);

// The three raster operations of the block transfer, with their published codes.
enum class Rop : std::uint32_t {
    SrcCopy = 0xCC0020,   // destination := source
    SrcAnd = 0x8800C6,    // destination := destination AND source
    SrcInvert = 0x660046, // destination := destination XOR source
};

// A hidden picture surface: a plain block of pixels that keeps what is drawn on it.
class Surface
{
public:
    Surface() = default;
    Surface(int width, int height, Color fill = black);

    int width() const { return m_width; }
    int height() const { return m_height; }
    double ScaleWidth() const { return m_width; }
    double ScaleHeight() const { return m_height; }

    // Pixel read: the colour at (x, y), or -1 where the point lies outside the surface.
    std::int32_t Point(std::int64_t x, std::int64_t y) const;

    // A segment drawn with the 5-pixel round pen: every pixel whose centre lies within
    // 2.5 pixels of the segment. The band is 5 wide, the ends reach 2 past each end point,
    // and nothing is painted 3 or more pixels away along either axis.
    void Line(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, Color color);

    // Picture replacement: this surface takes over the other's picture, width and height.
    void setPicture(const Surface &other);

    void fill(Color color);
    Color pixel(int x, int y) const;
    void setPixel(int x, int y, Color color);

    const Color *bits() const { return m_pixels.data(); }
    // A row to draw into: it counts as changed.
    Color *rowForWriting(int y);

    // Counts every change, so a viewer can tell cheaply whether anything was drawn.
    std::uint64_t generation() const { return m_generation; }

    // Each row carries a stamp that names its content: rows with equal stamps hold equal
    // pixels, on this surface or any other of the same width. Every change gives a row a
    // fresh stamp, and a whole-row copy hands the source row's stamp on. So a whole-field
    // copy can pass over the rows it would only write again, and a viewer can find the
    // changed rows without reading them.
    std::uint64_t rowStamp(int y) const { return m_rowStamps[std::size_t(y)]; }

private:
    friend void BitBlt(Surface &, std::int64_t, std::int64_t, std::int64_t, std::int64_t, const Surface &, Rop);
    void changed(std::int64_t top, std::int64_t bottom);

    int m_width = 0;
    int m_height = 0;
    std::vector<Color> m_pixels;
    std::vector<std::uint64_t> m_rowStamps;
    std::uint64_t m_generation = 0;
};

// Block transfer of a width x height rectangle of src, read from src's (0, 0), onto dst
// at (x, y) with the given raster operation. Whatever falls outside dst is not drawn, and
// nothing is read outside src.
void BitBlt(Surface &dst, std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height, const Surface &src,
            Rop rop);

// The mask of a sprite: black where the sprite has colour, white where it is black.
Surface makeMask(const Surface &sprite);

} // namespace quorrax
