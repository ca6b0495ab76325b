// SPDX-License-Identifier: MIT
#include "game_fixture.h"

#include <gtest/gtest.h>

namespace quorrax::test {
namespace {

// The red and the blue test, on a head at (100, 100) with one non-black pixel 1 to 5 pixels
// ahead: only the pixel 3 ahead ends the match, and the blue line never crashes in Single.
TEST(CrashTest, OnlyThePixelThreeAheadIsAnObstacle)
{
    constexpr int dx[] = {0, 1, 0, -1};
    constexpr int dy[] = {-1, 0, 1, 0};
    for (const bool blueLine : {false, true})
        for (const Boolean gmode : {vbTrue, vbFalse})
            for (Integer muki = 0; muki < 4; ++muki)
                for (int distance = 1; distance <= 5; ++distance) {
                    ScriptedHost host;
                    frmMain f(host);
                    f.GMode = gmode;
                    f.Playing = vbTrue;
                    f.AkaWin = blueLine ? vbFalse : vbTrue;
                    (blueLine ? f.AoX : f.AkaX) = 100;
                    (blueLine ? f.AoY : f.AkaY) = 100;
                    (blueLine ? f.AoMuki : f.AkaMuki) = muki;
                    f.picWork.setPixel(100 + distance * dx[muki], 100 + distance * dy[muki], RGB(1, 0, 0));
                    blueLine ? f.AoGO() : f.AkaGO();
                    const bool crash = distance == 3 && !(blueLine && gmode == vbTrue);
                    SCOPED_TRACE(testing::Message() << (blueLine ? "blue" : "red") << " mode " << gmode << " direction "
                                                    << muki << " distance " << distance);
                    EXPECT_EQ(f.Playing, crash ? vbFalse : vbTrue);
                    EXPECT_EQ(f.AkaWin, crash == blueLine ? vbTrue : vbFalse);
                    if (crash) {
                        EXPECT_EQ(std::make_pair(f.BakuX, f.BakuY), std::make_pair(Long(100), Long(100)));
                    }
                }
}

TEST(CrashTest, LookingOutsideTheFieldIsNoObstacle)
{
    const struct {
        Long x, y;
        Integer muki;
    } rows[] = {
        {5, 2, muki::Up}, {field::width - 3, 5, muki::Right}, {5, field::height - 3, muki::Down}, {2, 5, muki::Left},
        {5, 0, muki::Up}, {field::width, 5, muki::Right},     {5, field::height, muki::Down},     {0, 5, muki::Left}};
    for (const auto &row : rows) {
        ScriptedHost host;
        frmMain f(host);
        f.picWork.fill(red);
        f.GMode = vbFalse;
        f.Playing = vbTrue;
        f.AkaX = f.AoX = row.x;
        f.AkaY = f.AoY = row.y;
        f.AkaMuki = f.AoMuki = row.muki;
        f.AkaGO();
        f.AoGO();
        EXPECT_EQ(f.Playing, vbTrue) << row.x << "," << row.y;
    }
}

} // namespace
} // namespace quorrax::test
