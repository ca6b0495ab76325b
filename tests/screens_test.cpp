// SPDX-License-Identifier: MIT
#include "game_fixture.h"
#include "qthost/pictures.h"

#include <gtest/gtest.h>

namespace quorrax::test {
namespace {

struct Square {
    int left, top, size;
    Color color;
};

// A solid square of its colour, with nothing of that colour in the ring around it.
bool squareAt(const Frame &frame, const Square &s)
{
    for (int y = s.top - 1; y <= s.top + s.size; ++y)
        for (int x = s.left - 1; x <= s.left + s.size; ++x) {
            const bool inside = x >= s.left && x < s.left + s.size && y >= s.top && y < s.top + s.size;
            if ((frame.pixel(x, y) == s.color) != inside)
                return false;
        }
    return true;
}

TEST(ModeScreenTest, ArrowFollowsUpAndDownOverACleanArena)
{
    const Surface arrow = loadPicture(Picture::Arrow);
    const struct {
        std::vector<Integer> keys;
        std::vector<int> arrowRows; // in each frame, one a key
        bool single;
    } rows[] = {
        {{}, {100}, true},
        {{vk::Down}, {100, 168}, false},
        {{vk::Down, vk::Down}, {100, 168, 168}, false},
        {{vk::Down, vk::Up}, {100, 168, 100}, true},
        {{vk::Up}, {100, 100}, true},
        {{vk::Down, vk::W, Integer(37)}, {100, 168, 168, 168}, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << row.keys.size() << " keys, the last "
                                        << (row.keys.empty() ? 0 : row.keys.back()));
        Game game;
        game.form.picHaikei.fill(red); // trails of an earlier match
        game.key(screen::Title, vk::Return);
        for (std::size_t i = 0; i < row.keys.size(); ++i)
            game.key(screen::ModeSelect, row.keys[i], int(i) + 1);
        game.key(screen::ModeSelect, vk::Return, int(row.keys.size()) + 1);
        game.on(screen::Countdown, Kind::Close);
        EXPECT_EQ(game.run(), Game::Ending::Program);
        const auto frames = game.framesIn(screen::ModeSelect);
        ASSERT_EQ(frames.size(), row.arrowRows.size());
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const Frame &f = *frames[i];
            EXPECT_TRUE(shows(f, "Game Mode", 10, 10, 24, yellow));
            EXPECT_TRUE(shows(f, "Single", 110, 100, 24, yellow));
            EXPECT_TRUE(shows(f, "Battle", 110, 168, 24, yellow));
            EXPECT_TRUE(shows(f, "Please choose by pressing 'Up' or 'Down'.", 15, 40, 12, yellow));
            // The arrow at its row; everything else is the black arena and the yellow texts.
            const int top = row.arrowRows[i];
            int wrong = 0;
            for (int y = 0; y < field::height; ++y)
                for (int x = 0; x < field::width; ++x) {
                    const bool inArrow = x >= 70 && x < 102 && y >= top && y < top + 32;
                    const Color c = f.pixel(x, y);
                    wrong += inArrow ? c != arrow.pixel(x - 70, y - top) : c != black && c != yellow;
                }
            EXPECT_EQ(wrong, 0) << "frame " << i;
        }
        // The countdown shows the blue head of the mode chosen.
        const auto countdown = game.framesIn(screen::Countdown);
        ASSERT_FALSE(countdown.empty());
        EXPECT_TRUE(squareAt(*countdown[0], row.single ? Square{257, 147, 7, blue} : Square{258, 148, 5, blue}));
    }
}

TEST(CountdownTest, HeadsThenThreeDigitsOnTheClocksSecondsWhileKeysDoNothing)
{
    const struct {
        bool single;
        std::uint64_t timeOfDay; // ms since midnight, one title pass (11 ms) before the countdown
        std::vector<std::pair<std::uint32_t, const char *>> frames; // since the first, and its digit
    } rows[] = {
        {true, 43'200'489, {{0, nullptr}, {500, " 3"}, {1500, " 2"}, {2500, " 1"}, {3500, nullptr}}},
        // Across a minute: the seconds go 57, 58, 59, 0, 1.
        {false, 43'257'889, {{0, nullptr}, {100, " 3"}, {1100, " 2"}, {2100, " 1"}, {3100, nullptr}}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.single ? "Single" : "Battle");
        Game game;
        game.host.setTimeOfDay(row.timeOfDay);
        game.startMatch(row.single);
        for (const Integer key : {vk::Down, vk::Up, vk::Return, vk::S, vk::K, vk::A})
            game.key(screen::Countdown, key);
        game.on(screen::Match, Kind::Close);
        EXPECT_EQ(game.run(), Game::Ending::Program);

        const auto frames = game.framesIn(screen::Countdown);
        ASSERT_EQ(frames.size(), row.frames.size());
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const auto &[at, digit] = row.frames[i];
            EXPECT_EQ(frames[i]->at - frames[0]->at, at) << "frame " << i;
            EXPECT_TRUE(digit ? shows(*frames[i], digit, 160, 100, 72, green)
                              : testing::AssertionResult(count(*frames[i], green) == 0))
                << "frame " << i;
        }
        const Square heads[] = {
            {158, 148, 5, red},
            row.single ? Square{257, 147, 7, blue} : Square{258, 148, 5, blue},
            {207, 147, 7, yellow},
        };
        for (const Square &s : heads) {
            EXPECT_TRUE(squareAt(*frames.front(), s)) << s.left << "," << s.top;
            EXPECT_TRUE(squareAt(*frames.back(), s)) << s.left << "," << s.top;
        }
        // The first tick: every line moved up, and the mode is the one chosen.
        const auto match = game.framesIn(screen::Match);
        ASSERT_EQ(match.size(), 1u);
        EXPECT_EQ(match[0]->at - frames.back()->at, 0u);
        EXPECT_EQ(match[0]->pixel(160, 147), red);
        EXPECT_EQ(match[0]->pixel(160, 146), black);
        EXPECT_EQ(match[0]->pixel(260, 147), blue);
        EXPECT_TRUE(row.single ? shows(*match[0], "Score:1", 10, 10, 9, green)
                               : testing::AssertionResult(count(*match[0], green) == 0));
    }
}

} // namespace
} // namespace quorrax::test
