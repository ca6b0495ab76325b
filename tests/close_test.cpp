#include "game_fixture.h"

#include <gtest/gtest.h>

#include <fstream>

namespace quorrax::testing {
namespace {

// A file as a player may have left it: notes of their own around the value, which stay
// byte for byte, and a leading zero that the game writes back the way it writes numbers.
std::string fileHolding(const std::string &value)
{
    return "; best of the season\r\n[Other]\r\nName = Someone\r\n\r\n[Quorrax]\r\nHighScore=" + value +
           "\r\n[Last]\r\nx=1\r\n";
}

// Closing the window, whatever screen is up, saves the high score of that moment and ends
// the game at once: not one more frame or text. (What is open over the game when the close
// comes is the Qt host's to hold; its tests press the close box over a dialog and a menu.)
TEST(CloseTest, EveryScreenSavesTheHighScoreOfThatMomentAndEndsAtOnce)
{
    const auto none = [](Game &) {};
    const auto toMode = [](Game &g) { g.key(screen::Title, vk::Return); };
    const auto toCountdown = [](Game &g) {
        g.key(screen::Title, vk::Return);
        g.key(screen::ModeSelect, vk::Return);
    };
    const auto single = [](Game &g) {
        g.form.picShaikei.setPixel(160, 100, RGB(1, 1, 1)); // a crash at tick 47
        g.startMatch(true);
    };
    const auto battle = [](Game &g) {
        g.startMatch(false);
        g.key(screen::Match, vk::S);
    };
    const struct {
        const char *name;
        const char *before; // the value in the file, if there is a file
        std::function<void(Game &)> lead;
        Integer screen;
        int nth; // the close comes after this many frames of the screen
        const char *after;
    } rows[] = {
        {"title", "04321", none, screen::Title, 5, "4321"},
        {"title, first run", nullptr, none, screen::Title, 5, "0"},
        {"mode selection", "04321", toMode, screen::ModeSelect, 1, "4321"},
        {"countdown", "04321", toCountdown, screen::Countdown, 2, "4321"},
        {"match", "04321", single, screen::Match, 30, "4321"},
        {"Single result, a new high score", "05", single, screen::MatchOver, 1, "47"},
        {"Battle result", "04321", battle, screen::MatchOver, 1, "4321"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Game game;
        const std::string before = row.before ? fileHolding(row.before) : "";
        if (row.before)
            std::ofstream(game.ini(), std::ios::binary) << before;
        row.lead(game);
        std::size_t frames = 0, prints = 0;
        std::string fileThen = "-";
        game.host.when([&] {
            if (game.host.framesIn(row.screen) < row.nth)
                return false;
            frames = game.host.frames.size();
            prints = game.host.prints.size();
            fileThen = readFile(game.ini());
            return true;
        }, Kind::Close);

        ASSERT_EQ(game.run(), Game::Ending::Program);
        EXPECT_EQ(game.host.frames.back().working, row.screen);
        EXPECT_EQ(game.host.frames.size(), frames);
        EXPECT_EQ(game.host.prints.size(), prints);
        EXPECT_EQ(fileThen, before) << "the file is written at the close, not before";
        EXPECT_EQ(readFile(game.ini()), row.before ? fileHolding(row.after) : "[Quorrax]\r\nHighScore=0\r\n");
    }
}

} // namespace
} // namespace quorrax::testing
