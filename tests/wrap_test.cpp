// SPDX-License-Identifier: MIT
#include "game_fixture.h"

#include <gtest/gtest.h>

namespace quorrax::test {
namespace {

// A head past an edge comes back at the opposite one: column 0 counts as beyond the left
// edge and goes to W, W goes to 0, and a head out on both axes has its X put right first.
TEST(WrapTest, EachHeadComesBackAtTheOppositeEdge)
{
    constexpr Long W = 420;
    constexpr Long H = 300;
    const struct {
        Long x, y, expectedX, expectedY;
    } rows[] = {
        {0, 150, W, 150},     {-1, 150, W, 150}, {1, 150, 1, 150},  {W, 150, 0, 150}, {W - 1, 150, W - 1, 150},
        {W + 1, 150, 0, 150}, {100, 0, 100, H},  {100, -1, 100, H}, {100, H, 100, 0}, {100, H - 1, 100, H - 1},
        {100, H + 1, 100, 0}, {100, 1, 100, 1},  {0, 0, W, 0},      {W, H, 0, H},     {-1, H + 5, W, H + 5},
        {W, -1, 0, -1},
    };
    for (const auto &row : rows) {
        ScriptedHost host;
        frmMain f(host);
        f.AkaX = f.AoX = f.JamaX = row.x;
        f.AkaY = f.AoY = f.JamaY = row.y;
        f.AkaHantai();
        f.AoHantai();
        f.JamaHantai();
        SCOPED_TRACE(testing::Message() << "(" << row.x << ", " << row.y << ")");
        for (const auto &[x, y] : {std::pair{f.AkaX, f.AkaY}, {f.AoX, f.AoY}, {f.JamaX, f.JamaY}})
            EXPECT_EQ(std::make_pair(x, y), std::make_pair(row.expectedX, row.expectedY));
    }
}

} // namespace
} // namespace quorrax::test
