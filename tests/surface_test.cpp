#include "shell/qt/pictures.h"
#include "shell/surface.h"

#include <gtest/gtest.h>

#include <random>

#include <string>
#include <vector>

namespace quorrax {
namespace {

// Renders a surface region as rows of '#' (the colour) and '.' (anything else).
std::vector<std::string> picture(const Surface &s, int left, int top, int width, int height, Color color)
{
    std::vector<std::string> rows;
    for (int y = top; y < top + height; ++y) {
        std::string row;
        for (int x = left; x < left + width; ++x)
            row += s.Point(x, y) == std::int32_t(color) ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

TEST(SurfaceTest, PointReadsColoursAndMinusOneOutside)
{
    Surface s(420, 300);
    s.setPixel(0, 0, red);
    s.setPixel(419, 299, blue);
    struct Case {
        std::int64_t x, y;
        std::int32_t expected;
    };
    const Case cases[] = {
        {0, 0, 0x0000FF},  {419, 299, 0xFF0000}, {1, 1, 0},     {-1, 0, -1},      {0, -1, -1},
        {420, 0, -1},      {0, 300, -1},         {420, 300, -1}, {-1000000, 5, -1}, {5, 1LL << 40, -1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(s.Point(c.x, c.y), c.expected) << c.x << "," << c.y;
}

TEST(SurfaceTest, RasterOperationsWorkBitByBit)
{
    struct Case {
        Rop rop;
        Color destination, source, expected;
    };
    const Case cases[] = {
        {Rop::SrcCopy, 0x123456, 0xABCDEF, 0xABCDEF},
        {Rop::SrcAnd, 0x00FFFF, 0xFF00FF, 0x0000FF},
        {Rop::SrcAnd, red, white, red},
        {Rop::SrcAnd, red, black, black},
        {Rop::SrcInvert, 0x0F0F0F, 0xFF00FF, 0xF00FF0},
        {Rop::SrcInvert, blue, black, blue},
    };
    for (const Case &c : cases) {
        Surface dst(3, 3, c.destination);
        const Surface src(3, 3, c.source);
        BitBlt(dst, 0, 0, 3, 3, src, c.rop);
        EXPECT_EQ(dst.pixel(1, 1), c.expected) << std::hex << std::uint32_t(c.rop);
    }
}

TEST(SurfaceTest, TransfersClipAtTheDestinationEdgesAndNeverWrap)
{
    const Surface sprite(7, 7, yellow);
    struct Case {
        std::int64_t x, y;
        int painted;
    };
    const Case cases[] = {
        {0, 0, 49}, {-3, -3, 16}, {17, 7, 9}, {-2, 8, 10}, {20, 10, 0}, {-7, 0, 0}, {3, -7, 0},
    };
    for (const Case &c : cases) {
        Surface field(20, 10);
        BitBlt(field, c.x, c.y, 7, 7, sprite, Rop::SrcCopy);
        int painted = 0;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x)
                painted += field.pixel(x, y) == yellow;
        EXPECT_EQ(painted, c.painted) << c.x << "," << c.y;
    }
    // Nothing of a sprite hanging over the right edge shows at the left edge.
    Surface field(20, 10);
    BitBlt(field, 17, 2, 7, 7, sprite, Rop::SrcCopy);
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(field.pixel(0, y), black);
}

TEST(SurfaceTest, TransferSizeIsLimitedToTheSource)
{
    Surface field(20, 20);
    const Surface sprite(5, 5, red);
    BitBlt(field, 0, 0, 20, 20, sprite, Rop::SrcCopy);
    EXPECT_EQ(field.pixel(4, 4), red);
    EXPECT_EQ(field.pixel(5, 5), black);
}

TEST(SurfaceTest, RoundPenPaintsAFivePixelBandReachingTwoPastEachEnd)
{
    struct Case {
        int x1, y1, x2, y2;
        std::vector<std::string> expected; // the 9 x 10 region from (6, 6)
    };
    const Case cases[] = {
        // A one-pixel move up from (10, 11) to (10, 10).
        {10, 10, 10, 11,
         {".........",
          ".........",
          "...###...",
          "..#####..",
          "..#####..",
          "..#####..",
          "..#####..",
          "...###...",
          ".........",
          "........."}},
        // A one-pixel move right from (10, 10) to (11, 10).
        {11, 10, 10, 10,
         {".........",
          ".........",
          "...####..",
          "..######.",
          "..######.",
          "..######.",
          "...####..",
          ".........",
          ".........",
          "........."}},
        // A single point.
        {10, 10, 10, 10,
         {".........",
          ".........",
          "...###...",
          "..#####..",
          "..#####..",
          "..#####..",
          "...###...",
          ".........",
          ".........",
          "........."}},
    };
    for (const Case &c : cases) {
        Surface s(30, 30);
        s.Line(c.x1, c.y1, c.x2, c.y2, red);
        EXPECT_EQ(picture(s, 6, 6, 9, 10, red), c.expected) << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
    }
}

TEST(SurfaceTest, RoundPenNeverReachesThreeAwayAlongAnAxis)
{
    // The crash test relies on this for every direction of a one-pixel move.
    const int moves[][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
    for (const auto &move : moves) {
        Surface s(40, 40);
        const int x = 20 + move[0];
        const int y = 20 + move[1];
        s.Line(x, y, 20, 20, blue);
        EXPECT_EQ(s.Point(x + 3 * move[0], y + 3 * move[1]), 0);
        EXPECT_EQ(s.Point(x + 2 * move[0], y + 2 * move[1]), std::int32_t(blue));
    }
}

TEST(SurfaceTest, PenIsClippedAtTheEdges)
{
    Surface s(10, 10);
    s.Line(0, 0, 0, 1, red);
    s.Line(-50, -50, -50, -49, red);
    EXPECT_EQ(s.pixel(0, 0), red);
    EXPECT_EQ(s.pixel(2, 1), red);
    EXPECT_EQ(s.pixel(3, 0), black);
    EXPECT_EQ(s.pixel(9, 9), black);
}

TEST(SurfaceTest, PictureReplacementTakesSizeAndPixels)
{
    Surface picAo(5, 5, blue);
    const Surface picJamaAo(7, 7, blue);
    picAo.setPicture(picJamaAo);
    EXPECT_EQ(picAo.width(), 7);
    EXPECT_EQ(picAo.ScaleHeight(), 7.0);
    picAo.setPicture(Surface(5, 5, blue));
    EXPECT_EQ(picAo.ScaleWidth(), 5.0);
}

// Whole-field copies pass over rows whose stamps say they already hold the source's
// pixels. Whatever is drawn in between, in any order, the copies must still be exact.
TEST(SurfaceTest, WholeFieldCopiesStayExactWhateverIsDrawnBetween)
{
    constexpr int w = 24;
    constexpr int h = 16;
    Surface surfaces[3] = {Surface(w, h), Surface(w, h), Surface(w, h)};
    std::vector<Color> model[3];
    for (auto &m : model)
        m.assign(w * h, black);
    const Surface sprite(5, 5, yellow);
    std::mt19937 random(12345);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    for (int step = 0; step < 20000; ++step) {
        const int a = pick(3);
        const int b = pick(3);
        const Color color = RGB(pick(256), pick(256), pick(256));
        switch (pick(6)) {
        case 0:
        case 1: // the whole-field copies of the match loop
            BitBlt(surfaces[a], 0, 0, w, h, surfaces[b], Rop::SrcCopy);
            model[a] = model[b];
            break;
        case 2: {
            const int x = pick(w);
            const int y = pick(h);
            surfaces[a].setPixel(x, y, color);
            model[a][y * w + x] = color;
            break;
        }
        case 3: {
            const int x = pick(w + 6) - 3;
            const int y = pick(h + 6) - 3;
            BitBlt(surfaces[a], x, y, 5, 5, sprite, Rop::SrcCopy);
            for (int dy = 0; dy < 5; ++dy)
                for (int dx = 0; dx < 5; ++dx)
                    if (x + dx >= 0 && x + dx < w && y + dy >= 0 && y + dy < h)
                        model[a][(y + dy) * w + x + dx] = yellow;
            break;
        }
        case 4: {
            // A copy that is not a whole field is an ordinary drawing step.
            BitBlt(surfaces[a], 0, 0, w, h / 2, surfaces[b], Rop::SrcInvert);
            for (int i = 0; i < w * (h / 2); ++i)
                model[a][i] ^= model[b][i];
            break;
        }
        case 5:
            if (pick(20) == 0) {
                surfaces[a].fill(color);
                model[a].assign(w * h, color);
            } else {
                Color *row = surfaces[a].rowForWriting(pick(h));
                row[pick(w)] = color;
                for (int y = 0; y < h; ++y)
                    std::copy_n(surfaces[a].bits() + y * w, w, model[a].begin() + y * w);
            }
            break;
        }
        ASSERT_TRUE(std::equal(model[a].begin(), model[a].end(), surfaces[a].bits())) << "step " << step;
    }
}

TEST(SurfaceTest, MasksAreExactForTheArtwork)
{
    for (const Picture which : {Picture::Arrow, Picture::Explosion}) {
        const Surface sprite = loadPicture(which);
        const Surface mask = makeMask(sprite);
        for (int y = 0; y < sprite.height(); ++y)
            for (int x = 0; x < sprite.width(); ++x)
                EXPECT_EQ(mask.pixel(x, y), sprite.pixel(x, y) == black ? white : black);

        // Masked onto black it gives exactly the sprite; onto a colour, the colour shows
        // only around the shape.
        Surface onBlack(40, 40);
        BitBlt(onBlack, 4, 4, 32, 32, mask, Rop::SrcAnd);
        BitBlt(onBlack, 4, 4, 32, 32, sprite, Rop::SrcInvert);
        Surface onBlue(40, 40, blue);
        BitBlt(onBlue, 4, 4, 32, 32, mask, Rop::SrcAnd);
        BitBlt(onBlue, 4, 4, 32, 32, sprite, Rop::SrcInvert);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                EXPECT_EQ(onBlack.pixel(x + 4, y + 4), sprite.pixel(x, y));
                EXPECT_EQ(onBlue.pixel(x + 4, y + 4), sprite.pixel(x, y) == black ? blue : sprite.pixel(x, y));
            }
    }
}

} // namespace
} // namespace quorrax
