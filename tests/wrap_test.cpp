#include "game_fixture.h"

#include <gtest/gtest.h>

namespace quorrax::testing {
namespace {

TEST(WrapTest, ChainOfTestsInItsOrder)
{
    constexpr Long W = 420;
    constexpr Long H = 300;
    struct Case {
        Long x, y, expectedX, expectedY;
    };
    const Case cases[] = {
        {0, 150, W, 150},    {-1, 150, W, 150},  {1, 150, 1, 150},         {W, 150, 0, 150},
        {W - 1, 150, W - 1, 150}, {W + 1, 150, 0, 150}, {100, 0, 100, H},  {100, -1, 100, H},
        {100, H, 100, 0},    {100, H - 1, 100, H - 1}, {100, H + 1, 100, 0}, {100, 1, 100, 1},
        // Both out at once: only X is put right in this call.
        {0, 0, W, 0},        {W, H, 0, H},       {-1, H + 5, W, H + 5},    {W, -1, 0, -1},
    };
    for (const Case &c : cases) {
        Game game;
        frmMain &f = game.form;
        f.AkaX = c.x;
        f.AkaY = c.y;
        f.AoX = c.x;
        f.AoY = c.y;
        f.JamaX = c.x;
        f.JamaY = c.y;
        f.AkaHantai();
        f.AoHantai();
        f.JamaHantai();
        SCOPED_TRACE(::testing::Message() << "(" << c.x << ", " << c.y << ")");
        for (const auto &[x, y] : {std::pair{f.AkaX, f.AkaY}, {f.AoX, f.AoY}, {f.JamaX, f.JamaY}}) {
            EXPECT_EQ(x, c.expectedX);
            EXPECT_EQ(y, c.expectedY);
        }
    }
}

TEST(WrapTest, ACornerTakesTwoCalls)
{
    Game game;
    frmMain &f = game.form;
    f.AkaX = 0;
    f.AkaY = 0;
    f.AkaHantai();
    EXPECT_EQ(f.AkaX, 420);
    EXPECT_EQ(f.AkaY, 0);
    f.AkaX = 419; // its next move to the left
    f.AkaHantai();
    EXPECT_EQ(f.AkaY, 300);
}

TEST(WrapTest, BoundsAreReadFromTheWorkSurfaceEachTime)
{
    Game game;
    frmMain &f = game.form;
    f.picWork.setPicture(Surface(50, 40));
    f.AkaX = 50;
    f.AkaY = 10;
    f.AkaHantai();
    EXPECT_EQ(f.AkaX, 0);
    f.AkaX = 20;
    f.AkaY = 0;
    f.AkaHantai();
    EXPECT_EQ(f.AkaY, 40);
}

} // namespace
} // namespace quorrax::testing
