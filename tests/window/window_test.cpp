#include "gamesession.h"
#include "pixels.h"
#include "xserver.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <memory>

namespace quorrax::window {
namespace {

// A whole Single match: the countdown takes up to 4 s and the match about 3 s, longer on a
// sanitizer build.
constexpr int matchEndMs = 30'000;

const QRect wholeField(0, 0, fieldWidth, fieldHeight);
const QRect highScoreLine(0, 0, 151, 16);
const QRect titleLettering(0, 18, fieldWidth, 228); // rows 18..245, below the high-score line
const QRect prompt(260, 260, 160, 26);
const QRect countdownDigits(160, 100, 101, 101);
const QRect headline(30, 30, 300, 34);     // "Game Over!", "RED Won!", "BLUE Won!"
const QRect newHighScore(35, 66, 310, 34); // "You Got High Score!"
const QRect scoreText(10, 10, 70, 14);
constexpr int singleRow = 100;
constexpr int battleRow = 168;
// Where a red line that turned right meets the trail of the yellow line going up at x 210:
// its look-ahead, 3 pixels in front, reaches the trail's left edge at x 208.
constexpr int redStopX = 205;

// The menu's pop-up has no name of its own for xdotool, but the game's window class.
const QStringList gameWindows = {QStringLiteral("--class"), QStringLiteral("quorrax")};
const QStringList helpWindow = {QStringLiteral("--name"), QStringLiteral("^説明$")};

Verdict pixelIs(const QImage &client, QPoint at, QRgb colour)
{
    const QRgb seen = client.pixel(at);
    return {seen == colour, "pixel (" + std::to_string(at.x()) + ", " + std::to_string(at.y()) + ") is " +
                                describe(seen) + ", expected " + describe(colour)};
}

Check titleScreen()
{
    const QImage title = asset("title.png");
    return [title](const Shot &shot) {
        return allOf({showsPicture(shot.client, title, {0, 0}, titleLettering),
                      hasColour(shot.client, highScoreLine, yellow, 20)});
    };
}

Check changedFrom(const Shot &before, const QRect &area)
{
    const QImage was = before.client;
    return [was, area](const Shot &shot) {
        const Verdict same = sameArea(was, shot.client, area);
        return Verdict{!same.ok, same.seen};
    };
}

Check sameAs(const Shot &before, const QRect &area)
{
    const QImage was = before.client;
    return [was, area](const Shot &shot) { return sameArea(was, shot.client, area); };
}

Check both(Check first, Check second)
{
    return [first, second](const Shot &shot) { return allOf({first(shot), second(shot)}); };
}

Check modeScreen(int arrowRow)
{
    const QImage arrow = asset("arrow.png");
    const int otherRow = arrowRow == singleRow ? battleRow : singleRow;
    return [arrow, arrowRow, otherRow](const Shot &shot) {
        const int stray = countNonBlack(shot.client, QRect(70, otherRow, 32, 32));
        return allOf({showsPicture(shot.client, arrow, {70, arrowRow}, arrow.rect()),
                      Verdict{stray == 0, std::to_string(stray) + " non-black pixels where the arrow of the row at y " +
                                              std::to_string(otherRow) + " would be"}});
    };
}

Check headsAtStart(bool single)
{
    return [single](const Shot &shot) {
        return allOf(
            {showsHead(shot.client, {158, 148}, 5, red),
             single ? showsHead(shot.client, {257, 147}, 7, blue) : showsHead(shot.client, {258, 148}, 5, blue),
             showsHead(shot.client, {207, 147}, 7, yellow)});
    };
}

Check countdown()
{
    return [](const Shot &shot) { return hasColour(shot.client, countdownDigits, green, 200); };
}

// The red line has left its start: its trail reaches 5 pixels above the start point.
Check redMovingUp()
{
    return [](const Shot &shot) { return pixelIs(shot.client, {160, 145}, red); };
}

// The red line turned right at some row and ran into the yellow trail: the explosion sits on
// its head at x 205, and its trail runs along that row.
Check blueWonByRedCrash()
{
    const QImage burst = asset("explosion.png");
    return [burst](const Shot &shot) {
        // Key timing is real, so the turn may come a few ticks later: look for the row.
        int row = -1;
        Verdict closest{false, "no row searched"};
        int closestExact = -1;
        for (int y = 90; y <= 150 && row < 0; ++y) {
            int exact = 0;
            const Verdict here = showsSprite(shot.client, burst, {redStopX - 16, y - 16}, &exact);
            if (here.ok) {
                row = y;
            } else if (exact > closestExact) {
                closestExact = exact;
                closest = here;
                closest.seen += " at y " + std::to_string(y);
            }
        }
        const Verdict text = hasColour(shot.client, headline, green, 300);
        if (row < 0)
            return allOf({text, Verdict{false, "no explosion centred on x " + std::to_string(redStopX) +
                                                   " at any y from 90 to 150; closest: " + closest.seen}});
        return allOf(
            {text,
             Verdict{true, "explosion centred on (" + std::to_string(redStopX) + ", " + std::to_string(row) + ")"},
             pixelIs(shot.client, {redStopX - 20, row}, red)});
    };
}

Check singleResult()
{
    return [](const Shot &shot) {
        return allOf({hasColour(shot.client, headline, green, 300), hasColour(shot.client, newHighScore, green, 200),
                      hasColour(shot.client, scoreText, green, 20)});
    };
}

// The match stands still in the middle: each screenshot shows the same field as the one
// before, with the lines under way and no result text yet.
Check matchStandingStill()
{
    auto previous = std::make_shared<QImage>();
    return [previous](const Shot &shot) {
        Verdict still{false, "the first screenshot"};
        if (!previous->isNull())
            still = sameArea(*previous, shot.client, wholeField);
        *previous = shot.client;
        const int resultText = countColour(shot.client, headline, green);
        return allOf({still, pixelIs(shot.client, {160, 145}, red),
                      Verdict{resultText == 0, std::to_string(resultText) + " pixels of result text in green"}});
    };
}

// The high-score file holds exactly the section and the one key, with a whole number.
::testing::AssertionResult holdsHighScore(const QString &path, long long *value)
{
    const std::optional<QString> text = readTextFile(path);
    if (!text)
        return ::testing::AssertionFailure() << "there is no high-score file at " << path.toStdString();
    QStringList lines;
    for (QString line : text->split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (!line.isEmpty())
            lines << line;
    }
    bool number = false;
    const QString prefix = QStringLiteral("HighScore=");
    if (lines.size() == 2 && lines[0] == QStringLiteral("[Quorrax]") && lines[1].startsWith(prefix))
        *value = lines[1].mid(prefix.size()).toLongLong(&number);
    if (!number)
        return ::testing::AssertionFailure()
               << "expected [Quorrax] and HighScore=N in " << path.toStdString() << ", found: " << text->toStdString();
    return ::testing::AssertionSuccess();
}

class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_screen.start()); }

    // Starts the game and waits for its title screen and for the keyboard focus.
    ::testing::AssertionResult startAtTitle(GameSession &game, Shot *title)
    {
        ::testing::AssertionResult result = game.start();
        if (result)
            result = game.waitFor("the title picture with the yellow high-score line", titleScreen(), title);
        if (result)
            result = game.waitForFocus(game.window().id);
        return result;
    }

    // From the title through the mode screen and the countdown to the first moves.
    void playUntilTheLinesMove(GameSession &game, bool single)
    {
        ASSERT_TRUE(game.key(QStringLiteral("Return")));
        ASSERT_TRUE(game.waitFor("the mode screen with the arrow at (70, 100)", modeScreen(singleRow)));
        if (!single) {
            ASSERT_TRUE(game.key(QStringLiteral("Down")));
            ASSERT_TRUE(game.waitFor("the arrow at (70, 168)", modeScreen(battleRow)));
        }
        ASSERT_TRUE(game.key(QStringLiteral("Return")));
        ASSERT_TRUE(
            game.waitFor(single ? "the Single heads at their start corners" : "the Battle heads at their start corners",
                         headsAtStart(single)));
        ASSERT_TRUE(game.waitFor("countdown digits in RGB(0, 255, 0)", countdown()));
        ASSERT_TRUE(game.waitFor("the red line moving up", redMovingUp()));
    }

    VirtualScreen m_screen;
};

TEST_F(WindowTest, BattleTurnIntoTheYellowTrailLetsBlueWin)
{
    GameSession game(m_screen, m_screen.scratch(QStringLiteral("game")));
    Shot title;
    ASSERT_TRUE(startAtTitle(game, &title));
    ASSERT_FALSE(readTextFile(game.highScoreFile())) << "the high-score file exists before the first exit";
    ASSERT_TRUE(game.waitFor("the prompt fading", changedFrom(title, prompt)));

    playUntilTheLinesMove(game, false);
    // Red, still close to its start, turns right towards the yellow line's trail.
    ASSERT_TRUE(game.key(QStringLiteral("s")));
    ASSERT_TRUE(game.waitFor("\"BLUE Won!\" with the explosion on the red head", blueWonByRedCrash()));

    ASSERT_TRUE(game.key(QStringLiteral("Return")));
    ASSERT_TRUE(
        game.waitFor("the title again with the same high score", both(titleScreen(), sameAs(title, highScoreLine))));
}

TEST_F(WindowTest, SingleMatchRaisesTheHighScoreAndTheCloseBoxSavesIt)
{
    const QString folder = m_screen.scratch(QStringLiteral("game"));
    Shot firstTitle;
    Shot laterTitle;
    long long saved = 0;
    {
        GameSession game(m_screen, folder);
        ASSERT_TRUE(startAtTitle(game, &firstTitle));
        playUntilTheLinesMove(game, true);
        // Without keys red runs up, comes back from the bottom and meets its own trail.
        ASSERT_TRUE(game.waitFor("\"Game Over!\", \"You Got High Score!\" and the score in green", singleResult(),
                                 nullptr, matchEndMs));
        ASSERT_TRUE(game.key(QStringLiteral("Return")));
        ASSERT_TRUE(game.waitFor("the title with a high-score line other than the first one",
                                 both(titleScreen(), changedFrom(firstTitle, highScoreLine)), &laterTitle));

        ASSERT_TRUE(game.pressCloseBox());
        ASSERT_TRUE(game.waitForCleanExit());
        ASSERT_TRUE(holdsHighScore(game.highScoreFile(), &saved));
        EXPECT_GT(saved, 0);
    }

    // The saved number is the one the title showed: the next start shows the same line.
    GameSession again(m_screen, folder);
    ASSERT_TRUE(startAtTitle(again, nullptr));
    ASSERT_TRUE(again.waitFor("the title showing the saved high score", sameAs(laterTitle, highScoreLine)));
    ASSERT_TRUE(again.pressCloseBox());
    ASSERT_TRUE(again.waitForCleanExit());
    long long savedAgain = -1;
    ASSERT_TRUE(holdsHighScore(again.highScoreFile(), &savedAgain));
    EXPECT_EQ(savedAgain, saved);
}

TEST_F(WindowTest, HelpHoldsTheMatchAndHandsTheKeysBack)
{
    GameSession game(m_screen, m_screen.scratch(QStringLiteral("game")));
    ASSERT_TRUE(startAtTitle(game, nullptr));
    playUntilTheLinesMove(game, false);

    // "Game" is the menu bar's only menu, at its left end; "Help..." is its first item.
    const QRect frame = game.window().frame;
    ASSERT_TRUE(game.clickAt(frame.topLeft() + QPoint(20, (frame.height() - fieldHeight) / 2)));
    const unsigned long mainWindow = game.window().id;
    const auto popUp = [mainWindow](const XWindow &window) { return window.id != mainWindow; };
    XWindow menu;
    ASSERT_TRUE(game.waitForWindow("the \"Game\" menu", gameWindows, popUp, &menu));
    // A click, unlike keys, reaches the pop-up even before it has grabbed the keyboard.
    ASSERT_TRUE(game.clickAt(menu.frame.topLeft() + QPoint(menu.frame.width() / 2, menu.frame.height() / 4)));
    XWindow help;
    ASSERT_TRUE(game.waitForWindow("the Help dialog", helpWindow, {}, &help));

    // The dialog opens over the middle of the screen, on top of the field: put it beside the
    // game so that the whole field can be watched.
    const QPoint aside(frame.right() + 10, 0);
    ASSERT_TRUE(game.moveWindow(help.id, aside));
    const auto movedAside = [aside](const XWindow &window) { return window.frame.topLeft() == aside; };
    ASSERT_TRUE(game.waitForWindow("the Help dialog beside the game", helpWindow, movedAside, &help));
    Shot paused;
    ASSERT_TRUE(game.waitFor("the match standing still while Help is open", matchStandingStill(), &paused));
    ASSERT_TRUE(game.holdsFor("the same field while Help stays open", sameAs(paused, wholeField), 8, 500));
    const QRect rightOfRed(170, 0, 30, 148);
    ASSERT_EQ(countColour(paused.client, rightOfRed, red), 0)
        << "red has turned right before any key" << game.keep(paused, "red turned early");

    ASSERT_TRUE(game.waitForFocus(help.id));
    ASSERT_TRUE(game.key(QStringLiteral("Return")));
    ASSERT_TRUE(game.waitForNoWindow("the Help dialog closed by Return", helpWindow));
    ASSERT_TRUE(game.waitForFocus(game.window().id));
    ASSERT_TRUE(game.key(QStringLiteral("s")));
    ASSERT_TRUE(game.waitFor("the red line turned right",
                             [rightOfRed](const Shot &shot) { return hasColour(shot.client, rightOfRed, red, 10); }));

    // The close box works from the match too; a Battle leaves the high score at 0.
    ASSERT_TRUE(game.pressCloseBox());
    ASSERT_TRUE(game.waitForCleanExit());
    long long saved = -1;
    ASSERT_TRUE(holdsHighScore(game.highScoreFile(), &saved));
    EXPECT_EQ(saved, 0);
}

TEST_F(WindowTest, StartsPlaysAndClosesUnderAWindowManager)
{
    ASSERT_TRUE(m_screen.startWindowManager());
    GameSession game(m_screen, m_screen.scratch(QStringLiteral("game")));
    ASSERT_TRUE(startAtTitle(game, nullptr));
    ASSERT_TRUE(game.key(QStringLiteral("Return")));
    ASSERT_TRUE(game.waitFor("the mode screen with the arrow at (70, 100)", modeScreen(singleRow)));

    ASSERT_TRUE(game.pressCloseBox());
    ASSERT_TRUE(game.waitForCleanExit());
    long long saved = -1;
    ASSERT_TRUE(holdsHighScore(game.highScoreFile(), &saved));
    EXPECT_EQ(saved, 0);
}

} // namespace
} // namespace quorrax::window
