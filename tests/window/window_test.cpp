#include "gamesession.h"

#include <QFile>

#include <memory>

// The real game in a real window: a few runs from start to end that prove the Qt host and
// the window system together. The game's rules are checked on the scripted host.

namespace quorrax::window {
namespace {

const QRect highScoreLine(0, 0, 151, 16), titleLettering(0, 18, fieldWidth, 228), headline(30, 30, 300, 34);
const QRect rightOfRed(170, 0, 30, 148); // where a red line that turned right runs
constexpr int singleRow = 100, battleRow = 168;

// The title picture with a yellow high-score line; with `before`, the line as it was there.
Check titleScreen(const Shot *before = nullptr)
{
    return [title = asset("title.png"), was = before ? before->client : QImage()](const Shot &shot) {
        return allOf({showsPicture(shot.client, title, {0, 0}, titleLettering), hasColour(shot.client, highScoreLine, yellow, 20),
                      was.isNull() ? Verdict{true, {}} : sameArea(was, shot.client, highScoreLine)});
    };
}

Check arrowAt(int row)
{
    return [arrow = asset("arrow.png"), row](const Shot &shot) {
        return allOf({showsPicture(shot.client, arrow, {70, row}, arrow.rect()),
                      Verdict{countNonBlack(shot.client, QRect(70, singleRow + battleRow - row, 32, 32)) == 0, "other row empty"}});
    };
}

// The red line turned right and ran into the yellow trail at x 210: its look-ahead, 3
// pixels ahead, met the trail's edge at x 208 with the head at x 205, where the explosion
// sits. Key timing is real, so the row of the turn is searched for.
Check blueWonByRedCrash()
{
    return [burst = asset("explosion.png")](const Shot &shot) {
        Verdict found{false, "no explosion centred on x 205 at any y from 90 to 150"};
        for (int y = 90; y <= 150 && !found.ok; ++y)
            if (showsSprite(shot.client, burst, {205 - 16, y - 16}).ok && shot.at(185, y) == red)
                found = {true, "explosion at (205, " + std::to_string(y) + ")"};
        return allOf({found, hasColour(shot.client, headline, green, 300)});
    };
}

class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_screen.start()); }

    // From the start, through the title, the mode screen and the countdown to the first
    // moves of a Battle.
    void playUntilTheLinesMove(GameSession &game, Shot *title = nullptr)
    {
        ASSERT_TRUE(game.start());
        ASSERT_TRUE(game.waitFor("the title picture with the yellow high-score line", titleScreen(), title));
        ASSERT_TRUE(game.waitForFocus(game.window().id));
        ASSERT_TRUE(game.key(QStringLiteral("Return")));
        ASSERT_TRUE(game.waitFor("the arrow at (70, 100)", arrowAt(singleRow)));
        ASSERT_TRUE(game.key(QStringLiteral("Down")));
        ASSERT_TRUE(game.waitFor("the arrow at (70, 168)", arrowAt(battleRow)));
        ASSERT_TRUE(game.key(QStringLiteral("Return")));
        ASSERT_TRUE(game.waitFor("countdown digits in green", [](const Shot &s) { return hasColour(s.client, {160, 100, 101, 101}, green, 200); }));
        ASSERT_TRUE(game.waitFor("the red line moving up", [](const Shot &s) { return Verdict{s.at(160, 145) == red, describe(s.at(160, 145))}; }));
    }

    VirtualScreen m_screen;
};

TEST_F(WindowTest, BattleTurnIntoTheYellowTrailLetsBlueWin)
{
    GameSession game(m_screen, m_screen.scratch(QStringLiteral("game")));
    Shot title;
    ASSERT_NO_FATAL_FAILURE(playUntilTheLinesMove(game, &title));
    ASSERT_TRUE(game.key(QStringLiteral("s")));
    ASSERT_TRUE(game.waitFor("\"BLUE Won!\" with the explosion on the red head", blueWonByRedCrash()));
    ASSERT_TRUE(game.key(QStringLiteral("Return")));
    ASSERT_TRUE(game.waitFor("the title again with the same high score", titleScreen(&title)));
}

TEST_F(WindowTest, HelpHoldsTheMatchAndHandsTheKeysBack)
{
    GameSession game(m_screen, m_screen.scratch(QStringLiteral("game")));
    ASSERT_NO_FATAL_FAILURE(playUntilTheLinesMove(game));
    // "Game" is the menu bar's only menu, at its left end; "Help..." is its first item.
    const XWindow main = game.window();
    ASSERT_TRUE(game.clickAt(main.frame.topLeft() + QPoint(20, (main.frame.height() - fieldHeight) / 2)));
    XWindow menu, help;
    ASSERT_TRUE(game.waitForWindow({"--class", "quorrax"}, [&](const XWindow &w) { return w.id != main.id; }, &menu));
    ASSERT_TRUE(game.clickAt(menu.frame.topLeft() + QPoint(menu.frame.width() / 2, menu.frame.height() / 4)));
    ASSERT_TRUE(game.waitForWindow({"--name", "^説明$"}, [](const XWindow &) { return true; }, &help));
    // Beside the game, so that the whole field shows.
    ASSERT_TRUE(game.xdotool({"windowmove", QString::number(help.id), QString::number(main.frame.right() + 10), "0"}));
    auto stillShots = std::make_shared<std::pair<QImage, int>>();
    Shot paused;
    ASSERT_TRUE(game.waitFor("five screenshots of the same field while Help is open", [stillShots](const Shot &shot) {
        const bool still = shot.client == stillShots->first;
        *stillShots = {shot.client, still ? stillShots->second + 1 : 0};
        return Verdict{stillShots->second >= 5 && shot.at(160, 145) == red, "still for " + std::to_string(stillShots->second)};
    }, &paused));
    ASSERT_EQ(countColour(paused.client, rightOfRed, red), 0) << "red turned right before any key";
    ASSERT_TRUE(game.waitForFocus(help.id));
    ASSERT_TRUE(game.key(QStringLiteral("Return")));
    ASSERT_TRUE(game.waitForFocus(main.id));
    ASSERT_TRUE(game.key(QStringLiteral("s")));
    ASSERT_TRUE(game.waitFor("the red line turned right", [](const Shot &s) { return hasColour(s.client, rightOfRed, red, 10); }));
    ASSERT_TRUE(game.pressCloseBox());
    ASSERT_TRUE(game.waitForCleanExit());
    QFile file(game.highScoreFile());
    EXPECT_EQ(file.open(QIODevice::ReadOnly) ? file.readAll() : "(no file)", "[Quorrax]\r\nHighScore=0\r\n");
}

} // namespace
} // namespace quorrax::window
