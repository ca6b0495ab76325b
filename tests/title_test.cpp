// SPDX-License-Identifier: MIT
#include "game_fixture.h"
#include "qthost/pictures.h"

#include <gtest/gtest.h>

#include <fstream>

namespace quorrax::test {
namespace {

constexpr const char *prompt = "Press Return to start";

// The prompt's level in each pass: from 255 down by 10 to 5, then 0, then up by 10 to 250
// and 255 again, 52 passes a cycle.
int fadeLevel(int pass)
{
    const int p = pass % 52;
    return p <= 25 ? 255 - 10 * p : 10 * (p - 26);
}

// The high score shown is the higher of the two files' values that the game can keep.
TEST(TitleTest, PictureHighScoreAndAPromptFadingEveryElevenMilliseconds)
{
    // The tick counter passes 2^31 and 2^32 within the first passes of the last rows.
    const struct {
        std::uint32_t start;
        const char *shared, *own, *shown;
    } rows[] = {{1'000'000u, "120", nullptr, "120"},
                {0x7FFFFFF0u, "120", "47", "120"},
                {0xFFFFFFF0u, "5", "120", "120"},
                {1'000'000u, "2147483648", "5", "5"}};
    for (const auto &[start, shared, own, shown] : rows) {
        SCOPED_TRACE(start);
        Game game(start);
        game.host.dataFolder = game.folder.path() + "own/";
        std::ofstream(game.ini(), std::ios::binary) << "[Quorrax]\r\nHighScore=" << shared << "\r\n";
        if (own && std::filesystem::create_directory(game.host.dataFolder))
            std::ofstream(game.host.dataFolder + iniFileName, std::ios::binary) << "[Quorrax]\r\nHighScore=" << own;
        game.host.at(start + 60 * 11 + 5, Kind::Key, vk::Return);
        game.run(); // the mode screen waits for a key that never comes
        const auto title = game.framesIn(screen::Title);
        ASSERT_EQ(title.size(), 61u);
        for (std::size_t i = 0; i < title.size(); ++i) {
            const Frame &f = *title[i];
            SCOPED_TRACE(i);
            if (i > 0) {
                EXPECT_EQ(f.at - title[i - 1]->at, 11u);
            }
            EXPECT_TRUE(shows(f, std::string("High Score(Single):") + shown, 0, 0, 9, yellow));
            const int level = fadeLevel(int(i));
            // At level 0 it is black on black: the band below the lettering shows nothing.
            EXPECT_TRUE(level > 0
                            ? shows(f, prompt, 260, 260, 12, RGB(level, level, 0))
                            : testing::AssertionResult(count(f, black, 246, field::height - 1) == 54 * field::width))
                << level;
        }
        EXPECT_EQ(differences(*title[0], loadPicture(Picture::Title), 28, 245), 0) << "the lettering";
        // Return ends the title with the pass it came in, and the mode screen follows.
        const auto mode = game.framesIn(screen::ModeSelect);
        ASSERT_FALSE(mode.empty());
        EXPECT_EQ(mode[0]->at - title.back()->at, 11u);
    }
}

TEST(TitleTest, FadeDirectionIsKeptFromOneVisitToTheNext)
{
    Game game;
    game.form.picShaikei.setPixel(160, 140, RGB(1, 1, 1));                  // a quick crash
    game.host.at(game.host.startTick + 29 * 11 + 1, Kind::Key, vk::Return); // the fade is rising
    game.key(screen::ModeSelect, vk::Return);
    game.key(screen::MatchOver, vk::Return);
    game.key(screen::Title, vk::Return, 33);
    game.run();
    const auto title = game.framesIn(screen::Title);
    ASSERT_EQ(title.size(), 33u);
    EXPECT_TRUE(shows(*title[29], prompt, 260, 260, 12, RGB(30, 30, 0)));
    // The second visit starts at 255 while rising: it shows 255 twice, then falls.
    EXPECT_TRUE(shows(*title[30], prompt, 260, 260, 12, RGB(255, 255, 0)));
    EXPECT_TRUE(shows(*title[31], prompt, 260, 260, 12, RGB(255, 255, 0)));
    EXPECT_TRUE(shows(*title[32], prompt, 260, 260, 12, RGB(245, 245, 0)));
}

TEST(TitleTest, TwoReturnsInOneYieldGoOnToTheModeChoice)
{
    const struct {
        const char *name;
        Integer where;
        Integer next; // the screen that must come up after them
        int nth;
    } rows[] = {
        {"title", screen::Title, screen::Match, 1},
        {"result", screen::MatchOver, screen::ModeSelect, 2},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Game game;
        game.form.picShaikei.setPixel(160, 140, RGB(1, 1, 1));
        if (row.where == screen::MatchOver)
            game.startMatch(true);
        game.key(row.where, vk::Return);
        game.key(row.where, vk::Return);
        game.on(row.next, Kind::Close, 0, row.nth);
        EXPECT_EQ(game.run(), Game::Ending::Program) << "the game stopped on the " << row.name;
        EXPECT_EQ(game.host.frames.back().working, row.next);
    }
}

} // namespace
} // namespace quorrax::test
