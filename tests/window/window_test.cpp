// SPDX-License-Identifier: MIT
#include "game_session.h"
#include "screens.h"

// The real game in a real window: a few runs from start to end that prove the Qt host and
// the window system together. The game's rules are checked on the scripted host.

namespace quorrax::window {
namespace {

// What the window system must see of the main window: its title and class; Qt's Motif
// hints for the game's window flags, that is functions resize 0x2 (which the size limits
// stop), move 0x4, minimise 0x8 and close 0x20, and decorations border 0x2, resize handles
// 0x4, title 0x8, menu 0x10 and minimise 0x20, with no maximise (neither the function 0x10
// nor the button 0x40); and the smallest and the largest size, both the window's own.
std::string fixedWindowFacts(const XWindow &main)
{
    const std::string size = std::to_string(fieldWidth) + " by " + std::to_string(main.frame.height());
    return "_NET_WM_NAME(UTF8_STRING) = \"Quorrax\"\nWM_CLASS(STRING) = \"quorrax\", \"Quorrax\"\n"
           "_MOTIF_WM_HINTS(_MOTIF_WM_HINTS) = 0x3, 0x2e, 0x3e, 0x0, 0x0\nWM_NORMAL_HINTS(WM_SIZE_HINTS):\n"
           "\t\tprogram specified minimum size: " +
           size + "\n\t\tprogram specified maximum size: " + size + "\n\t\twindow gravity: Static\n";
}

// Opens Help by the mouse ("Game" is the menu bar's only menu, at its left end; "Help..." is
// its first item) and moves it beside the game, so that the whole field shows.
Result openHelpBesideTheGame(GameSession &game, XWindow &help)
{
    const XWindow main = game.window();
    XWindow menu;
    Result done = game.clickAt(main.frame.topLeft() + QPoint(20, (main.frame.height() - fieldHeight) / 2));
    done = done ? game.waitForWindow(
                      {"--class", "quorrax"}, [&](const XWindow &w) { return w.id != main.id; }, &menu)
                : done;
    done = done ? game.clickAt(menu.frame.topLeft() + QPoint(menu.frame.width() / 2, menu.frame.height() / 4)) : done;
    done = done ? game.waitForWindow(
                      {"--name", "^説明$"}, [](const XWindow &) { return true; }, &help)
                : done;
    return done ? game.xdotool({"windowmove", QString::number(help.id), QString::number(main.frame.right() + 10), "0"})
                : done;
}

// One Battle in the real window. The window system sees a fixed window without a maximise
// button. Help, opened from the menu, holds the match, and a window of another client put
// over the field and taken away again leaves the field as it was. Then red turns right and
// loses; Return brings the title back, and the close box saves.
TEST(WindowTest, ABattleHeldByHelpAndCoveredThenLostByRedAndClosed)
{
    if (const QString missing = missingHere(true); !missing.isEmpty())
        GTEST_SKIP() << "not installed: " << missing.toStdString();
    VirtualScreen screen;
    ASSERT_TRUE(screen.start());
    GameSession game(screen, screen.scratch(QStringLiteral("game")));
    ASSERT_TRUE(game.start());
    ASSERT_TRUE(game.waitFor("the title picture with the yellow high-score line", titleScreen()));
    ASSERT_TRUE(game.waitForFocus(game.window().id));
    ASSERT_TRUE(game.key(QStringLiteral("Return")));
    ASSERT_TRUE(game.waitFor("the arrow at (70, 100)", arrowAt(100)));
    ASSERT_TRUE(game.key(QStringLiteral("Down")));
    ASSERT_TRUE(game.waitFor("the arrow at (70, 168)", arrowAt(168)));
    ASSERT_TRUE(game.key(QStringLiteral("Return")));
    ASSERT_TRUE(game.waitFor("countdown digits in green", [](const Shot &s) {
        return hasColour(s.client, {160, 100, 101, 101}, green, 200);
    }));
    ASSERT_TRUE(game.waitFor("the red line moving up", redMovingUp()));

    const XWindow main = game.window();
    EXPECT_EQ(game.windowFacts(), fixedWindowFacts(main));
    // In the middle of the 1024 x 768 screen, raised by up to the height of a title bar.
    const QPoint off = main.frame.center() - QPoint(512, 384);
    EXPECT_TRUE(std::abs(off.x()) <= 2 && off.y() <= 0 && off.y() >= -24) << off.x() << ", " << off.y();

    XWindow help;
    ASSERT_TRUE(openHelpBesideTheGame(game, help));
    Shot paused;
    ASSERT_TRUE(game.waitFor("the match beside Help", redMovingUp(), &paused));
    ASSERT_EQ(countColour(paused.client, rightOfRed, red), 0) << "red turned right before any key";
    // Nothing moves while Help is open, and nothing is lost under the other window.
    ASSERT_TRUE(game.coverAndUncover(paused));
    ASSERT_TRUE(game.waitForFocus(help.id));
    ASSERT_TRUE(game.key(QStringLiteral("Return")));
    ASSERT_TRUE(game.waitForFocus(main.id));

    ASSERT_TRUE(game.key(QStringLiteral("s")));
    ASSERT_TRUE(game.waitFor("\"BLUE Won!\" after red turned right", blueWonAfterRedTurnedRight()));
    ASSERT_TRUE(game.key(QStringLiteral("Return")));
    ASSERT_TRUE(game.waitFor("the title again with the same high score", titleScreen()));
    ASSERT_TRUE(game.pressCloseBoxAndWaitForTheEnd());
    EXPECT_EQ(game.highScoreFile(), "[Quorrax]\r\nHighScore=0\r\n") << "a Battle leaves the high score as it was";
}

} // namespace
} // namespace quorrax::window
