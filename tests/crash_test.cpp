#include "game_fixture.h"

#include <gtest/gtest.h>

namespace quorrax::testing {
namespace {

struct Offset {
    int dx, dy;
};
constexpr Offset ahead[] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}}; // by direction code

TEST(CrashTest, OnlyThePixelThreeAheadIsTested)
{
    for (Integer muki = 0; muki < 4; ++muki) {
        for (int distance = 1; distance <= 5; ++distance) {
            Game game;
            frmMain &f = game.form;
            f.GMode = vbFalse;
            f.Playing = vbTrue;
            f.AkaX = 100;
            f.AkaY = 100;
            f.AkaMuki = muki;
            f.picWork.setPixel(100 + distance * ahead[muki].dx, 100 + distance * ahead[muki].dy, RGB(1, 0, 0));
            f.AkaGO();
            SCOPED_TRACE(::testing::Message() << "direction " << muki << " distance " << distance);
            EXPECT_EQ(f.Playing, distance == 3 ? vbFalse : vbTrue);
            if (distance == 3) {
                EXPECT_EQ(f.AkaWin, vbFalse);
                EXPECT_EQ(f.BakuX, 100);
                EXPECT_EQ(f.BakuY, 100);
            }
        }
    }
}

TEST(CrashTest, LookAheadOutsideTheFieldIsNoObstacle)
{
    struct Case {
        Long x, y;
        Integer muki;
    };
    const Case cases[] = {{5, 1, muki::Up},   {418, 5, muki::Right}, {5, 298, muki::Down}, {1, 5, muki::Left},
                          {5, 2, muki::Up},   {420, 5, muki::Right}, {5, 300, muki::Down}, {0, 5, muki::Left}};
    for (const Case &c : cases) {
        Game game;
        frmMain &f = game.form;
        f.picWork.fill(red);
        f.Playing = vbTrue;
        f.GMode = vbFalse;
        f.AkaX = c.x;
        f.AkaY = c.y;
        f.AkaMuki = c.muki;
        f.AoX = c.x;
        f.AoY = c.y;
        f.AoMuki = c.muki;
        f.AkaGO();
        f.AoGO();
        EXPECT_EQ(f.Playing, vbTrue) << c.x << "," << c.y;
    }
}

TEST(CrashTest, BlueIsTestedOnlyInBattle)
{
    for (const Boolean gmode : {vbTrue, vbFalse}) {
        Game game;
        frmMain &f = game.form;
        f.GMode = gmode;
        f.Playing = vbTrue;
        f.AoX = 50;
        f.AoY = 50;
        f.AoMuki = muki::Right;
        f.picWork.setPixel(53, 50, yellow);
        f.AoGO();
        EXPECT_EQ(f.Playing, gmode ? vbTrue : vbFalse);
        EXPECT_EQ(f.AkaWin, gmode ? vbFalse : vbTrue);
    }
}

TEST(CrashTest, WhenBothCrashInOneTickTheBlueTestDecides)
{
    struct Case {
        bool redHits, blueHits;
        Boolean expectedAkaWin;
        Long expectedBakuX, expectedBakuY;
    };
    const Case cases[] = {
        {true, true, vbTrue, 40, 40},   // red is tested first, blue last: "RED Won!" on blue
        {true, false, vbFalse, 10, 10}, // red alone: the explosion stays on the red head
        {false, true, vbTrue, 40, 40},
    };
    for (const Case &c : cases) {
        Game game;
        frmMain &f = game.form;
        f.GMode = vbFalse;
        f.Playing = vbTrue;
        f.AkaX = 10;
        f.AkaY = 10;
        f.AkaMuki = muki::Up;
        f.AoX = 40;
        f.AoY = 40;
        f.AoMuki = muki::Down;
        if (c.redHits)
            f.picWork.setPixel(10, 7, blue);
        if (c.blueHits)
            f.picWork.setPixel(40, 43, red);
        f.AkaGO();
        f.AoGO();
        SCOPED_TRACE(::testing::Message() << "red " << c.redHits << " blue " << c.blueHits);
        EXPECT_EQ(f.Playing, vbFalse);
        EXPECT_EQ(f.AkaWin, c.expectedAkaWin);
        EXPECT_EQ(f.BakuX, c.expectedBakuX);
        EXPECT_EQ(f.BakuY, c.expectedBakuY);
    }
}

} // namespace
} // namespace quorrax::testing
