#include "game_fixture.h"

#include <gtest/gtest.h>

namespace quorrax::testing {
namespace {

// True when the arrow stands with its top-left corner at (70, y) on the window.
bool arrowAt(const frmMain &f, int y)
{
    for (int row = 0; row < 32; ++row)
        for (int col = 0; col < 32; ++col)
            if (f.window.pixel(70 + col, y + row) != f.picYajirusi.pixel(col, row))
                return false;
    return true;
}

TEST(ModeScreenTest, ArrowFollowsUpAndDownAndReturnConfirms)
{
    struct Case {
        std::vector<Integer> keys;
        Boolean expectedMode;
    };
    const Case cases[] = {
        {{}, vbTrue},
        {{vk::Down}, vbFalse},
        {{vk::Down, vk::Down}, vbFalse},
        {{vk::Down, vk::Up}, vbTrue},
        {{vk::Up}, vbTrue},
        {{vk::Down, vk::W, Integer(37)}, vbFalse},
    };
    for (const Case &c : cases) {
        Game game;
        std::vector<std::pair<Boolean, bool>> seen; // mode, and whether the arrow is at its row
        game.onFrame = [&](frmMain &f) {
            if (f.Working == screen::ModeSelect)
                seen.emplace_back(f.GMode, arrowAt(f, f.GMode ? 100 : 168) && !arrowAt(f, f.GMode ? 168 : 100));
        };
        game.host.keyWhen(inState(screen::Title), vk::Return);
        for (const Integer key : c.keys)
            game.modeKey(key);
        game.modeKey(vk::Return);
        game.host.eventWhen(ScriptedHost::Kind::Close, inState(screen::Countdown));
        EXPECT_EQ(game.run(), Game::Ending::Program);
        EXPECT_EQ(game.form.GMode, c.expectedMode);
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.front().first, vbTrue); // every visit starts on Single
        for (const auto &[mode, arrowRight] : seen)
            EXPECT_TRUE(arrowRight) << "mode " << mode;
    }
}

TEST(ModeScreenTest, TextsAndAClearedArena)
{
    Game game;
    game.form.picHaikei.fill(red); // trails of an earlier match
    game.host.keyWhen(inState(screen::Title), vk::Return);
    game.host.recordPrints = true;
    game.run();
    std::vector<std::tuple<std::string, int, int, double>> texts;
    for (const auto &p : game.host.prints)
        if (p.text != "Press Return to start" && p.text.rfind("High Score", 0) != 0)
            texts.emplace_back(p.text, p.x, p.y, p.points);
    ASSERT_GE(texts.size(), 4u);
    const std::vector<std::tuple<std::string, int, int, double>> expected = {
        {"Game Mode", 10, 10, 24},
        {"Single", 110, 100, 24},
        {"Battle", 110, 168, 24},
        {"Please choose by pressing 'Up' or 'Down'.", 15, 40, 12},
    };
    EXPECT_EQ(std::vector(texts.begin(), texts.begin() + 4), expected);
    EXPECT_EQ(fingerprint(game.form.picHaikei), fingerprint(Surface(420, 300)));
    EXPECT_EQ(game.form.window.pixel(300, 250), black);
    EXPECT_EQ(game.form.ForeColor, yellow);
    EXPECT_EQ(game.form.FontSize, 12);
}

TEST(ModeScreenTest, DoesNotComposeTheSameScreenWhileNoKeyComes)
{
    Game game;
    const std::uint32_t start = game.host.now();
    game.host.keyWhen(inState(screen::Title), vk::Return);
    game.host.keyAt(start + 60'000, vk::Down);
    game.host.keyAt(start + 120'000, vk::Return);
    game.host.eventWhen(ScriptedHost::Kind::Close, inState(screen::Countdown));
    std::vector<bool> battleArrow;
    game.onFrame = [&](frmMain &f) {
        if (f.Working == screen::ModeSelect)
            battleArrow.push_back(arrowAt(f, 168) && !arrowAt(f, 100));
    };
    game.run();
    EXPECT_LE(battleArrow.size(), 4u); // one a key, not one a millisecond
    ASSERT_GE(battleArrow.size(), 2u);
    EXPECT_FALSE(battleArrow.front());
    EXPECT_TRUE(battleArrow.back());
}

TEST(CountdownTest, ThreeDigitsOnSecondChangesAndKeysDoNothing)
{
    for (const std::uint64_t timeOfDay : {std::uint64_t(43'200'500), std::uint64_t(43'257'900)}) {
        Game game;
        game.host.setTimeOfDay(timeOfDay); // the second run counts across 59 -> 0
        game.startMatch(false);
        for (const Integer key : {vk::Down, vk::Up, vk::Return, vk::S, vk::K})
            game.host.keyWhen(inState(screen::Countdown), key);
        Boolean modeSeen = vbTrue;
        Integer akaSeen = -1;
        game.onFrame = [&](frmMain &f) {
            if (f.Working == screen::Match && akaSeen < 0) {
                modeSeen = f.GMode;
                akaSeen = f.AkaMuki;
            }
        };
        game.host.eventWhen(ScriptedHost::Kind::Close, inState(screen::Match));
        EXPECT_EQ(game.run(), Game::Ending::Program);

        std::vector<ScriptedHost::Printed> digits;
        for (const auto &p : game.host.prints)
            if (p.points == 72)
                digits.push_back(p);
        ASSERT_EQ(digits.size(), 3u);
        const char *expected[] = {" 3", " 2", " 1"};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(digits[i].text, expected[i]);
            EXPECT_EQ(std::make_pair(digits[i].x, digits[i].y), std::make_pair(160, 100));
            EXPECT_EQ(digits[i].color, green);
        }
        EXPECT_EQ(digits[1].at - digits[0].at, 1000u);
        EXPECT_EQ(digits[2].at - digits[1].at, 1000u);
        EXPECT_EQ(modeSeen, vbFalse);
        EXPECT_EQ(akaSeen, muki::Up);
    }
}

TEST(ArenaTest, HeadsStandAtTheirCornersInTheModesSizes)
{
    for (const bool single : {true, false}) {
        Game game;
        Surface firstFrame;
        game.onFrame = [&](frmMain &f) {
            if (f.Working == screen::Countdown && firstFrame.width() == 0)
                firstFrame = f.window;
        };
        game.startMatch(single);
        game.host.eventWhen(ScriptedHost::Kind::Close, inState(screen::Match));
        game.run();
        ASSERT_EQ(firstFrame.width(), 420);
        struct Square {
            int left, top, size;
            Color color;
        };
        const Square heads[] = {
            {158, 148, 5, red},
            single ? Square{257, 147, 7, blue} : Square{258, 148, 5, blue},
            {207, 147, 7, yellow},
        };
        for (const Square &s : heads) {
            for (int y = s.top - 1; y <= s.top + s.size; ++y)
                for (int x = s.left - 1; x <= s.left + s.size; ++x) {
                    const bool inside = x >= s.left && x < s.left + s.size && y >= s.top && y < s.top + s.size;
                    EXPECT_EQ(firstFrame.pixel(x, y), inside ? s.color : black) << x << "," << y;
                }
        }
        EXPECT_EQ(game.form.picAo.width(), single ? 7 : 5);
    }
}

} // namespace
} // namespace quorrax::testing
