// SPDX-License-Identifier: MIT
#include "game_fixture.h"
#include "highscore/savefault.h"

#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>

namespace quorrax::test {
namespace {

// A file as a player may have left it: notes of their own around the value, which stay
// byte for byte.
std::string fileHolding(const std::string &value)
{
    return "; best of the season\r\n[Other]\r\nName = Someone\r\n\r\n[Quorrax]\r\nHighScore=" + value +
           "\r\n[Last]\r\nx=1\r\n";
}

// The way to the screen of the close.
void (*const none)(Game &) = [](Game &) {};
void (*const toMode)(Game &) = [](Game &g) { g.key(screen::Title, vk::Return); };
void (*const toCountdown)(Game &) = [](Game &g) { toMode(g), g.key(screen::ModeSelect, vk::Return); };
void (*const single)(Game &) = [](Game &g) {
    g.form.picShaikei.setPixel(160, 100, RGB(1, 1, 1)); // a crash at tick 47
    g.startMatch(true);
};
void (*const battle)(Game &) = [](Game &g) { g.startMatch(false), g.key(screen::Match, vk::S); };

const std::string unchanged = "(unchanged)";

struct CloseRow {
    const char *name;
    const char *before; // the value in the file, if there is a file
    void (*lead)(Game &);
    Integer screen;
    int nth; // the close comes after this many frames of the screen
    std::string after;
    const char *raisedTo = nullptr; // the value another copy saved while this one ran
    bool disksFull = false;         // then the player is told, and the end is a failure
    const char *own = nullptr;      // the player's own copy afterwards, if there must be one
    bool forEveryone = false;       // installed for everyone: nothing beside the program counts
    bool lockHeld = false;          // another program holds the lock of the game's folder
    std::string said = "";          // what the player is told, "{folder}" standing for the game's
};

const CloseRow closeRows[] = {
    {"title", "04321", none, screen::Title, 5, unchanged},
    {"title, first run", nullptr, none, screen::Title, 5, "[Quorrax]\r\nHighScore=0\r\n"},
    {"title, a value that is no number", "lots", none, screen::Title, 5, fileHolding("0")},
    {"mode selection", "04321", toMode, screen::ModeSelect, 1, unchanged},
    {"countdown", "04321", toCountdown, screen::Countdown, 2, unchanged},
    {"match", "04321", single, screen::Match, 30, unchanged},
    {"Single result, a new high score", "05", single, screen::MatchOver, 1, fileHolding("47")},
    {"Single result, the file raised meanwhile", "05", single, screen::MatchOver, 1, fileHolding("5000"), "5000"},
    {"Single result, both disks full", "05", single, screen::MatchOver, 1, unchanged, nullptr, true, nullptr, false,
     false,
     "the high score 47 was not saved: {folder}/Quorx.ini: No space left on device; "
     "{folder}/own/Quorx.ini: No space left on device"},
    {"Single result, the folder's lock held by another program", "05", single, screen::MatchOver, 1, fileHolding("47"),
     nullptr, false, nullptr, false, true,
     "another program held the lock of {folder} too long: the save went on without it"},
    {"Battle result", "04321", battle, screen::MatchOver, 1, unchanged},
    {"installed for everyone, a new high score", "500", single, screen::MatchOver, 1, unchanged, nullptr, false,
     "[Quorrax]\r\nHighScore=47\r\n", true},
};

// Closing the window, whatever screen is up, saves the high score of that moment and ends
// the game at once: not one more frame or text. The score in the file never goes down: a
// file that holds as much already (written by another copy of the game, or by hand while
// this one ran) is left as it is. A save that fails is told, and the end is a failure.
// (What is open over the game when the close comes is the Qt host's to hold; its tests
// press the close box over a dialog and a menu.)
TEST(CloseTest, EveryScreenSavesTheHighScoreOfThatMomentAndEndsAtOnce)
{
    ::umask(002);
    for (const CloseRow &row : closeRows) {
        SCOPED_TRACE(row.name);
        Game game;
        game.host.dataFolder = game.folder.path() + "own/";
        game.host.besideProgram = !row.forEveryone;
        const std::string before = row.before ? fileHolding(row.before) : "";
        if (row.before)
            std::ofstream(game.ini(), std::ios::binary) << before;
        row.lead(game);
        std::size_t frames = 0, prints = 0;
        std::string fileThen = "-";
        game.host.when(
            [&] {
                if (game.host.framesIn(row.screen) < row.nth)
                    return false;
                if (row.raisedTo)
                    std::ofstream(game.ini(), std::ios::binary) << fileHolding(row.raisedTo);
                frames = game.host.frames.size();
                prints = game.host.prints.size();
                fileThen = slurp(game.ini());
                return true;
            },
            Kind::Close);

        savefault::set(row.disksFull ? savefault::Step::DuringWrite : savefault::Step::None, 0); // no room
        LocksHeldElsewhere holder(row.lockHeld ? std::vector{game.folder.dir()} : std::vector<std::filesystem::path>());
        ASSERT_EQ(game.run(), Game::Ending::Program);
        savefault::set(savefault::Step::None);
        EXPECT_EQ(game.host.frames.back().working, row.screen);
        EXPECT_EQ(game.host.frames.size(), frames);
        EXPECT_EQ(game.host.prints.size(), prints);
        EXPECT_EQ(fileThen, row.raisedTo ? fileHolding(row.raisedTo) : before)
            << "the file is written at the close, not before";
        EXPECT_EQ(slurp(game.ini()), row.after == unchanged ? before : row.after);
        struct stat made {}; // a file made anew is as the player's umask (here 002) allows
        EXPECT_TRUE(row.before || row.forEveryone ||
                    (::stat(game.ini().c_str(), &made) == 0 && (made.st_mode & 0777) == 0664));
        EXPECT_EQ(slurp(game.host.dataFolder + iniFileName), row.own ? row.own : "") << "the player's own copy";
        const std::string said = placed(row.said, {{"{folder}", game.folder.dir()}});
        EXPECT_EQ(game.host.errors, said.empty() ? std::vector<std::string>{} : std::vector<std::string>{said});
        EXPECT_EQ(game.status, row.disksFull ? exitFailure : exitNormal);
    }
}

} // namespace
} // namespace quorrax::test
