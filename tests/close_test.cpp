#include "game_fixture.h"
#include "shell/profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

// Closing the window, whatever screen is up and whatever is open over it, saves the high
// score of that moment and ends the game at once: nothing more is drawn.

namespace quorrax::testing {
namespace {

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The player's own lines around the value; they stay byte for byte.
constexpr const char *notes = "; best of the season\r\n[Other]\r\nName = Someone\r\n\r\n[Quorrax]\r\n";
constexpr const char *rest = "\r\n[Last]\r\nx=1\r\n";

// A file as a player may have left it: the value with a leading zero, which the game reads
// and then writes back the way it writes every number, so that a save shows in the file.
std::string fileHolding(const std::string &value)
{
    return std::string(notes) + "HighScore=" + value + rest;
}

bool digitShown(const ScriptedHost &host)
{
    for (const auto &p : host.prints)
        if (p.points == 72)
            return true;
    return false;
}

bool printed(const ScriptedHost &host, const std::string &text)
{
    for (const auto &p : host.prints)
        if (p.text == text)
            return true;
    return false;
}

// What the game looked like when the close request came.
struct Moment {
    bool seen = false;
    Integer working = -1;
    Long highScore = 0;
    Long score = 0;
    std::uint64_t refreshes = 0;
    std::uint64_t generation = 0;
    std::size_t prints = 0;
    std::string file;
};

TEST(CloseTest, EveryScreenAndEveryOpenDialogSavesThenEndsAtOnce)
{
    using Kind = ScriptedHost::Kind;
    enum class Lead { None, Title, Mode, SingleMatch, BattleMatch };
    const struct Row {
        const char *name;
        std::optional<std::string> fileValue; // none: the first run, without a file
        Lead lead;
        std::function<bool(const Game &)> moment;
        std::optional<Kind> open; // a dialog or message box open when the request comes
        Integer working;
        bool raised; // a Single match beat the high score before the close
    } rows[] = {
        {"title", "04321", Lead::None, [](const Game &g) { return g.host.yields >= 5; }, {}, screen::Title, false},
        {"title, first run", {}, Lead::None, [](const Game &g) { return g.host.yields >= 5; }, {}, screen::Title,
         false},
        {"mode selection", "04321", Lead::Title,
         [](const Game &g) { return g.form.Working == screen::ModeSelect && g.modeFrames > 0; }, {},
         screen::ModeSelect, false},
        {"countdown", "04321", Lead::Mode,
         [](const Game &g) { return g.form.Working == screen::Countdown && digitShown(g.host); }, {},
         screen::Countdown, false},
        {"match", "04321", Lead::SingleMatch, [](const Game &g) { return g.matchTicks >= 30; }, {}, screen::Match,
         false},
        {"Single result with a new high score", "05", Lead::SingleMatch,
         [](const Game &g) { return g.form.Working == screen::MatchOver; }, {}, screen::MatchOver, true},
        {"Battle result", "04321", Lead::BattleMatch,
         [](const Game &g) { return g.form.Working == screen::MatchOver; }, {}, screen::MatchOver, false},
        {"Help on the title", "04321", Lead::None, [](const Game &g) { return g.host.yields >= 5; }, Kind::Help,
         screen::Title, false},
        {"About in mode selection", "04321", Lead::Title,
         [](const Game &g) { return g.form.Working == screen::ModeSelect && g.modeFrames > 0; }, Kind::About,
         screen::ModeSelect, false},
        {"Help in the countdown", "04321", Lead::Mode,
         [](const Game &g) { return g.form.Working == screen::Countdown && digitShown(g.host); }, Kind::Help,
         screen::Countdown, false},
        {"Help in the match", "04321", Lead::SingleMatch, [](const Game &g) { return g.matchTicks >= 30; },
         Kind::Help, screen::Match, false},
        {"input-method message in the match", "04321", Lead::SingleMatch,
         [](const Game &g) { return g.matchTicks >= 30; }, Kind::Ime, screen::Match, false},
        {"About on the result screen after a new high score", "05", Lead::SingleMatch,
         [](const Game &g) { return g.form.Working == screen::MatchOver; }, Kind::About, screen::MatchOver, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        ScratchFolder folder;
        const std::string ini = folder.path() + iniFileName;
        std::string before;
        if (row.fileValue) {
            before = fileHolding(*row.fileValue);
            std::ofstream(ini, std::ios::binary) << before;
        }

        Game game;
        game.host.folder = folder.path();
        game.host.modalHoldMs = 5000;
        switch (row.lead) {
        case Lead::None:
            break;
        case Lead::Title:
            game.host.keyWhen(inState(screen::Title), vk::Return);
            break;
        case Lead::Mode:
            game.host.keyWhen(inState(screen::Title), vk::Return);
            game.modeKey(vk::Return);
            break;
        case Lead::SingleMatch:
        case Lead::BattleMatch:
            game.startMatch(row.lead == Lead::SingleMatch);
            break;
        }

        Moment moment;
        auto atMoment = [&](const frmMain &f) {
            if (!row.moment(game))
                return false;
            moment = {true,
                      f.Working,
                      f.HighScore,
                      f.Score,
                      game.host.refreshes,
                      f.window.generation(),
                      game.host.prints.size(),
                      readFile(ini)};
            return true;
        };
        if (row.open) {
            game.host.eventWhen(*row.open, atMoment);
            // The close request comes while it is still open, in the same round of events.
            game.host.eventWhen(Kind::Close, [](const frmMain &) { return true; });
        } else {
            game.host.eventWhen(Kind::Close, atMoment);
        }

        ASSERT_EQ(game.run(), Game::Ending::Program);
        ASSERT_TRUE(moment.seen);
        EXPECT_EQ(moment.working, row.working);
        EXPECT_EQ(game.form.Working, row.working);
        EXPECT_EQ(moment.file, before) << "the file is written at the close, not before";

        // Ended at once: not one more frame, text or refresh.
        EXPECT_EQ(game.host.refreshes, moment.refreshes);
        EXPECT_EQ(game.form.window.generation(), moment.generation);
        EXPECT_EQ(game.host.prints.size(), moment.prints);
        if (row.working == screen::Match) {
            EXPECT_FALSE(printed(game.host, "Game Over!"));
        }

        if (row.open == Kind::Help || row.open == Kind::About) {
            EXPECT_EQ(game.host.dialogsShown, std::vector<Kind>{*row.open});
        } else {
            EXPECT_TRUE(game.host.dialogsShown.empty());
        }
        EXPECT_EQ(game.host.messageBoxes.size(), row.open == Kind::Ime ? 1u : 0u);

        // The high score of that moment is in the file, and nothing else of it changed.
        const Long fileScore = row.fileValue ? std::stoi(*row.fileValue) : 0;
        if (row.raised) {
            EXPECT_GT(moment.highScore, fileScore);
            EXPECT_EQ(moment.highScore, moment.score);
        } else {
            EXPECT_EQ(moment.highScore, fileScore);
        }
        EXPECT_EQ(GetPrivateProfileString(iniSection, iniKey, "missing", 1024, ini),
                  std::to_string(moment.highScore));
        if (row.fileValue) {
            EXPECT_EQ(readFile(ini), fileHolding(std::to_string(moment.highScore)));
        }
    }
}

} // namespace
} // namespace quorrax::testing
