#include "game_fixture.h"

#include <gtest/gtest.h>

#include <limits>

namespace quorrax::testing {
namespace {

std::vector<std::string> textsAfterMatch(const ScriptedHost &host, std::uint32_t from)
{
    std::vector<std::string> out;
    for (const auto &p : host.prints)
        if (p.at >= from && p.text.rfind("Score:", 0) != 0)
            out.push_back(p.text);
    return out;
}

// The explosion stands centred on (x, y) of the finished field, drawn with its mask.
void expectExplosionAt(const frmMain &f, int x, int y)
{
    for (int row = 0; row < 32; ++row)
        for (int col = 0; col < 32; ++col) {
            const Color sprite = f.picBaku.pixel(col, row);
            if (sprite != black) {
                EXPECT_EQ(f.picWork.Point(x - 16 + col, y - 16 + row), std::int32_t(sprite)) << col << "," << row;
            }
        }
}

TEST(MatchTest, SingleMatchWithoutKeysEndsAndCountsTheCrashTick)
{
    Game game;
    game.startMatch(true);
    game.form.picShaikei.setPixel(160, 100, RGB(1, 1, 1)); // an obstacle straight ahead of red
    std::uint32_t matchOverAt = 0;
    game.host.keyWhen([&](const frmMain &f) {
        if (f.Working == screen::MatchOver && !matchOverAt)
            matchOverAt = game.host.now();
        return false;
    }, vk::Return);
    game.run();

    // The look-ahead meets the obstacle when red stands at y = 103: 47 moves up.
    EXPECT_EQ(game.matchTicks, 47);
    EXPECT_EQ(game.form.Score, 47);
    EXPECT_EQ(game.form.HighScore, 47);
    EXPECT_EQ(game.form.AkaX, 160);
    EXPECT_EQ(game.form.AkaY, 103);
    EXPECT_EQ(std::make_pair(game.form.BakuX, game.form.BakuY), std::make_pair(Long(160), Long(103)));
    EXPECT_EQ(game.form.Working, screen::MatchOver);
    expectExplosionAt(game.form, 160, 103);

    const auto &prints = game.host.prints;
    const auto gameOver = std::find_if(prints.begin(), prints.end(), [](const auto &p) { return p.text == "Game Over!"; });
    ASSERT_NE(gameOver, prints.end());
    EXPECT_EQ(std::make_tuple(gameOver->x, gameOver->y, gameOver->points, gameOver->color),
              std::make_tuple(30, 30, 36.0, green));
    const std::vector<std::string> expected = {"Game Over!", "You Got High Score!", "Press Return"};
    EXPECT_EQ(textsAfterMatch(game.host, gameOver->at), expected);
    int scoreLines = 0;
    for (const auto &p : prints)
        if (p.text.rfind("Score:", 0) == 0) {
            ++scoreLines;
            EXPECT_EQ(std::make_tuple(p.x, p.y, p.points, p.color), std::make_tuple(10, 10, 9.0, green));
        }
    EXPECT_EQ(scoreLines, 48); // every tick, and once more at the end
    EXPECT_EQ(prints.back().text, "Press Return");
}

TEST(MatchTest, HighScoreRisesOnlyWhenBeaten)
{
    struct Case {
        Long before;
        Long after;
        bool announced;
    };
    const Case cases[] = {{46, 47, true}, {47, 47, false}, {48, 48, false}};
    for (const Case &c : cases) {
        Game game;
        game.startMatch(true);
        game.form.picShaikei.setPixel(160, 100, RGB(1, 1, 1));
        game.host.keyWhen([&](const frmMain &) {
            game.form.HighScore = c.before;
            return true;
        }, 0);
        game.run();
        EXPECT_EQ(game.form.HighScore, c.after);
        bool announced = false;
        for (const auto &p : game.host.prints)
            announced |= p.text == "You Got High Score!";
        EXPECT_EQ(announced, c.announced);
    }
}

TEST(MatchTest, BattleRedIntoTheYellowTrailLetsBlueWin)
{
    Game game;
    game.startMatch(false);
    game.keyAtTick(1, vk::S);
    game.run();
    EXPECT_EQ(game.matchTicks, 46);
    EXPECT_EQ(game.form.AkaWin, vbFalse);
    EXPECT_EQ(std::make_pair(game.form.BakuX, game.form.BakuY), std::make_pair(Long(205), Long(149)));
    EXPECT_EQ(game.form.Score, 0);
    EXPECT_EQ(game.form.HighScore, 0);
    expectExplosionAt(game.form, 205, 149);
    const auto &prints = game.host.prints;
    const auto won = std::find_if(prints.begin(), prints.end(), [](const auto &p) { return p.points == 36; });
    ASSERT_NE(won, prints.end());
    EXPECT_EQ(won->text, "BLUE Won!");
    const std::vector<std::string> expected = {"BLUE Won!", "Press Return"};
    EXPECT_EQ(textsAfterMatch(game.host, won->at), expected);
    for (const auto &p : prints)
        EXPECT_EQ(p.text.rfind("Score:", 0), std::string::npos);
}

TEST(MatchTest, BothCrashingInOneTickLetsRedWinWithTheExplosionOnBlue)
{
    Game game;
    game.startMatch(false);
    game.keyAtTick(1, vk::S);
    game.keyAtTick(1, vk::J);
    game.run();
    EXPECT_EQ(game.matchTicks, 46);
    EXPECT_EQ(game.form.AkaWin, vbTrue);
    EXPECT_EQ(std::make_pair(game.form.BakuX, game.form.BakuY), std::make_pair(Long(215), Long(149)));
    EXPECT_EQ(std::make_pair(game.form.AkaX, game.form.AkaY), std::make_pair(Long(205), Long(149)));
    expectExplosionAt(game.form, 215, 149);
    bool redWon = false;
    for (const auto &p : game.host.prints)
        redWon |= p.text == "RED Won!";
    EXPECT_TRUE(redWon);
}

TEST(MatchTest, AfterATurnTheFirstThreePixelsAreNeverTested)
{
    // Red turns right at (160, 149); its first test looks at (164, 149).
    for (const int obstacleX : {163, 164}) {
        Game game;
            game.startMatch(false);
        game.form.picShaikei.setPixel(obstacleX, 149, RGB(0, 1, 0));
        game.keyAtTick(1, vk::S);
        game.run();
        EXPECT_EQ(game.matchTicks, obstacleX == 164 ? 2 : 46) << obstacleX;
    }
}

TEST(MatchTest, TheArenaStoreNeverHoldsAHeadOrTheScore)
{
    Game game;
    game.startMatch(true);
    game.form.picShaikei.setPixel(160, 20, RGB(1, 1, 1));
    int checked = 0;
    game.onTick = [&](frmMain &f) {
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 420; ++x)
                ASSERT_NE(f.picHaikei.pixel(x, y), green);
        if (game.matchTicks == 1) {
            // The yellow head covers a 7 x 7 square; the trail under it is narrower.
            EXPECT_EQ(f.picWork.pixel(207, 147), yellow);
            EXPECT_EQ(f.picHaikei.pixel(207, 147), black);
            EXPECT_EQ(f.picWork.pixel(257, 147), blue);
            EXPECT_EQ(f.picHaikei.pixel(257, 147), black);
        }
        ++checked;
    };
    game.run();
    EXPECT_EQ(checked, 127);
}

TEST(MatchTest, TicksLastNineMillisecondsAndLinesMoveOnePixelEach)
{
    for (const std::uint32_t start : {1'000'000u, 0x7FFFFF00u, 0xFFFFFF00u}) {
        Game game(start);
            game.startMatch(false);
        std::vector<std::uint32_t> tickStarts;
        std::vector<Long> redY;
        game.onTick = [&](frmMain &f) {
            tickStarts.push_back(std::uint32_t(f.module1.TickStart));
            redY.push_back(f.AkaY);
        };
        game.form.picShaikei.setPixel(160, 20, RGB(1, 1, 1));
        game.run();
        ASSERT_EQ(tickStarts.size(), 127u);
        for (std::size_t i = 1; i < tickStarts.size(); ++i) {
            EXPECT_EQ(tickStarts[i] - tickStarts[i - 1], 9u) << std::hex << tickStarts[i];
            EXPECT_EQ(redY[i - 1] - redY[i], 1);
        }
    }
}

TEST(MatchTest, ComputerLinesSteerOnTheirSchedule)
{
    Game game(1'000'000, 99);
    game.startMatch(true);
    std::vector<std::pair<Integer, Integer>> directions; // blue, yellow after each tick
    game.onTick = [&](frmMain &f) { directions.emplace_back(f.AoMuki, f.JamaMuki); };
    game.form.picShaikei.setPixel(160, 2, RGB(1, 1, 1)); // red runs 145 ticks
    game.run();
    ASSERT_EQ(directions.size(), 145u);
    // Refreshes come before the steering of their tick: a draw at tick n shows from tick n + 1.
    for (std::size_t i = 0; i < 50; ++i)
        EXPECT_EQ(directions[i].first, muki::Up);
    for (std::size_t i = 0; i < 80; ++i)
        EXPECT_EQ(directions[i].second, muki::Up);
    for (std::size_t i = 51; i < 130; ++i)
        EXPECT_EQ(directions[i].first, directions[50].first);
    for (std::size_t i = 81; i < 145; ++i)
        EXPECT_EQ(directions[i].second, directions[80].second);
}

TEST(MatchTest, HelpDuringAMatchHoldsTheLines)
{
    Game game;
    game.startMatch(true);
    game.host.modalHoldMs = 5000;
    std::vector<std::pair<std::uint32_t, Long>> ticks;
    game.onTick = [&](frmMain &f) { ticks.emplace_back(std::uint32_t(f.module1.TickStart), f.AkaY); };
    game.host.eventWhen(ScriptedHost::Kind::Help, [&](const frmMain &f) { return f.Working == screen::Match && game.matchTicks >= 10; });
    game.keyAtTick(10, vk::A);
    game.form.picShaikei.setPixel(100, 140, RGB(1, 1, 1));
    game.run();
    ASSERT_GT(ticks.size(), 12u);
    EXPECT_EQ(ticks[10].first - ticks[9].first, 5000u); // held for the dialog, then the next tick
    EXPECT_EQ(ticks[9].second, 140);
    EXPECT_EQ(ticks[10].second, 140); // the key after the dialog steered left
    EXPECT_EQ(game.form.AkaY, 140);
    ASSERT_EQ(game.host.dialogsShown.size(), 1u);
}

TEST(MatchTest, ScoreStopsAtTheTopOfItsRange)
{
    Game game;
    game.startMatch(true);
    game.host.drawText = false;
    game.onTick = [&](frmMain &f) {
        if (game.matchTicks == 1)
            f.Score = std::numeric_limits<Long>::max() - 3;
    };
    game.form.picShaikei.setPixel(160, 130, RGB(1, 1, 1));
    game.run();
    EXPECT_EQ(game.form.Score, std::numeric_limits<Long>::max());
    EXPECT_EQ(game.form.HighScore, std::numeric_limits<Long>::max());
}

TEST(MatchTest, AMillionTickMatchRunsWithoutOverflow)
{
    Game game(0xFFF00000u);
    game.startMatch(true);
    game.host.drawText = false;
    game.host.recordPrints = false;
    game.host.timeLimitMs = 20'000'000;
    // A small field keeps a million ticks quick; the store is wiped each tick so that
    // red never meets a trail, until the last tick puts an obstacle ahead of it.
    for (Surface *s : {&game.form.picShaikei, &game.form.picHaikei, &game.form.picWork})
        s->setPicture(Surface(24, 20));
    constexpr int ticks = 1'000'000;
    game.onTick = [&](frmMain &f) {
        if (game.matchTicks == 1) {
            f.AkaX = 12;
            f.AkaY = 10;
        }
        f.picHaikei.fill(black);
        if (game.matchTicks == ticks - 1)
            f.picHaikei.fill(RGB(1, 1, 1));
    };
    game.run();
    EXPECT_EQ(game.matchTicks, ticks);
    EXPECT_EQ(game.form.Score, ticks);
    EXPECT_EQ(game.form.HighScore, ticks);
    EXPECT_GE(game.form.AkaX, 0);
    EXPECT_LE(game.form.AkaY, 20);
}

// Recorded matches: a seed, keys at given ticks, and what the arena store held at the
// end. Any change to the rules of movement, drawing, steering or crashing shows here.
TEST(MatchTest, RecordedMatchesReplayExactly)
{
    struct Recording {
        std::uint64_t seed;
        bool single;
        std::vector<std::pair<int, Integer>> keys;
        int expectedTicks;
        Boolean expectedAkaWin;
        std::uint64_t expectedStore;
    };
    const Recording recordings[] = {
        {7, true, {{30, vk::A}, {90, vk::W}, {200, vk::S}, {260, vk::Z}}, 315, vbFalse, 0x7adf8661f9933dd4ull},
        {11, false, {{20, vk::S}, {25, vk::J}, {70, vk::W}, {140, vk::I}, {180, vk::A}}, 65, vbFalse, 0xef8b6a3920eca6feull},
        {2024, true, {}, 295, vbFalse, 0xaa7d80baddbe3db8ull},
        {5, false, {{10, vk::J}, {30, vk::A}}, 55, vbTrue, 0xa189dcc07952487eull},
    };
    for (const Recording &r : recordings) {
        Game game(4'000'000, r.seed);
            game.startMatch(r.single);
        game.host.drawText = false;
        for (const auto &[tick, key] : r.keys)
            game.keyAtTick(tick, key);
        game.run();
        SCOPED_TRACE(::testing::Message() << "seed " << r.seed);
        EXPECT_EQ(game.matchTicks, r.expectedTicks);
        EXPECT_EQ(game.form.AkaWin, r.expectedAkaWin);
        EXPECT_EQ(fingerprint(game.form.picHaikei), r.expectedStore);
    }
}

} // namespace
} // namespace quorrax::testing
