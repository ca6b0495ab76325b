// SPDX-License-Identifier: MIT
#include "game/surface.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorrax {
namespace {

// A 3 x 3 source onto a 20 x 10 field filled with `under`: the colour at (1, 1) and how
// many pixels of the field took the result colour.
TEST(SurfaceTest, TransfersCombineBitByBitAndClipAtTheEdges)
{
    const struct {
        Rop rop;
        Color under, source;
        std::int64_t x, y;
        Color result;
        int count;
    } rows[] = {
        {Rop::SrcCopy, 0x123456, 0xABCDEF, 0, 0, 0xABCDEF, 9},
        {Rop::SrcAnd, 0x00FFFF, 0xFF00FF, 0, 0, 0x0000FF, 9},
        {Rop::SrcAnd, red, white, 0, 0, red, 200}, // a mask's white keeps the field
        {Rop::SrcInvert, 0x0F0F0F, 0xFF00FF, 0, 0, 0xF00FF0, 9},
        {Rop::SrcInvert, blue, black, 0, 0, blue, 200}, // a sprite's black keeps it too
        {Rop::SrcCopy, black, yellow, -1, -1, yellow, 4},
        {Rop::SrcCopy, black, yellow, 18, 8, black, 196}, // cut at the far corner, nothing wraps
        {Rop::SrcCopy, black, yellow, -3, 0, black, 200},
    };
    for (const auto &row : rows) {
        Surface field(20, 10, row.under);
        BitBlt(field, row.x, row.y, 3, 3, Surface(3, 3, row.source), row.rop);
        int count = 0;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x)
                count += field.pixel(x, y) == row.result;
        EXPECT_EQ(field.pixel(1, 1), row.result) << std::hex << std::uint32_t(row.rop);
        EXPECT_EQ(count, row.count) << std::hex << std::uint32_t(row.rop);
    }
}

TEST(SurfaceTest, RoundPenDrawsABandFiveWideReachingTwoPastEachEnd)
{
    // A one-pixel move up from (10, 11) to (10, 10), seen from (6, 6).
    const std::vector<std::string> expected = {".........", ".........", "...###...", "..#####..", "..#####..",
                                               "..#####..", "..#####..", "...###...", ".........", "........."};
    Surface s(30, 30);
    s.Line(10, 10, 10, 11, red);
    std::vector<std::string> drawn;
    for (int y = 6; y < 16; ++y) {
        drawn.emplace_back();
        for (int x = 6; x < 15; ++x)
            drawn.back() += s.Point(x, y) == std::int32_t(red) ? '#' : '.';
    }
    EXPECT_EQ(drawn, expected);
}

} // namespace
} // namespace quorrax
