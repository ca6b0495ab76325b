#include "game_fixture.h"

#include <gtest/gtest.h>

namespace quorrax::testing {
namespace {

struct KeyCase {
    Integer working;
    Boolean gmode;
    Integer akaMuki, aoMuki;
    Integer key;
    Integer expectedWorking;
    Integer expectedAka, expectedAo;
    Boolean expectedGMode;
};

TEST(KeyboardTest, EveryScreenStateHandlesItsOwnKeys)
{
    using namespace muki;
    constexpr Boolean single = vbTrue;
    constexpr Boolean battle = vbFalse;
    const KeyCase cases[] = {
        // Title: only Return counts.
        {screen::Title, single, Right, Right, vk::Up, screen::Title, Right, Right, single},
        {screen::Title, battle, Right, Right, vk::Down, screen::Title, Right, Right, battle},
        {screen::Title, battle, Right, Left, vk::Return, screen::ModeSelect, Up, Up, battle},
        // Mode selection: Up and Down set the mode, Return confirms.
        {screen::ModeSelect, battle, Up, Up, vk::Up, screen::ModeSelect, Up, Up, single},
        {screen::ModeSelect, single, Up, Up, vk::Up, screen::ModeSelect, Up, Up, single},
        {screen::ModeSelect, single, Up, Up, vk::Down, screen::ModeSelect, Up, Up, battle},
        {screen::ModeSelect, battle, Up, Up, vk::Down, screen::ModeSelect, Up, Up, battle},
        {screen::ModeSelect, single, Up, Up, vk::Return, screen::Countdown, Up, Up, single},
        {screen::ModeSelect, single, Up, Up, vk::W, screen::ModeSelect, Up, Up, single},
        // Countdown: nothing counts.
        {screen::Countdown, single, Up, Up, vk::Return, screen::Countdown, Up, Up, single},
        {screen::Countdown, battle, Up, Up, vk::S, screen::Countdown, Up, Up, battle},
        {screen::Countdown, single, Up, Up, vk::Down, screen::Countdown, Up, Up, single},
        // Match: right-angle turns only.
        {screen::Match, battle, Right, Up, vk::W, screen::Match, Up, Up, battle},
        {screen::Match, battle, Left, Up, vk::Z, screen::Match, Down, Up, battle},
        {screen::Match, battle, Up, Up, vk::W, screen::Match, Up, Up, battle},
        {screen::Match, battle, Up, Up, vk::Z, screen::Match, Up, Up, battle},
        {screen::Match, battle, Up, Up, vk::S, screen::Match, Right, Up, battle},
        {screen::Match, battle, Down, Up, vk::A, screen::Match, Left, Up, battle},
        {screen::Match, battle, Right, Up, vk::A, screen::Match, Right, Up, battle},
        {screen::Match, battle, Up, Up, vk::K, screen::Match, Up, Right, battle},
        {screen::Match, battle, Up, Down, vk::J, screen::Match, Up, Left, battle},
        {screen::Match, battle, Up, Right, vk::I, screen::Match, Up, Up, battle},
        {screen::Match, battle, Up, Left, vk::M, screen::Match, Up, Down, battle},
        {screen::Match, battle, Up, Up, vk::I, screen::Match, Up, Up, battle},
        {screen::Match, battle, Up, Up, vk::Return, screen::Match, Up, Up, battle},
        // In Single mode the blue line is the computer's.
        {screen::Match, single, Up, Up, vk::K, screen::Match, Up, Up, single},
        {screen::Match, single, Up, Right, vk::I, screen::Match, Up, Right, single},
        {screen::Match, single, Up, Up, vk::S, screen::Match, Right, Up, single},
        // Match over: Return goes back to the title.
        {screen::MatchOver, single, Up, Up, vk::W, screen::MatchOver, Up, Up, single},
        {screen::MatchOver, single, Up, Up, vk::Return, screen::Title, Up, Up, single},
    };
    for (const KeyCase &c : cases) {
        Game game;
        frmMain &f = game.form;
        f.Working = c.working;
        f.GMode = c.gmode;
        f.AkaMuki = c.akaMuki;
        f.AoMuki = c.aoMuki;
        f.JamaMuki = muki::Left;
        f.Form_KeyDown(c.key, 0);
        SCOPED_TRACE(::testing::Message() << "state " << c.working << " key " << c.key);
        EXPECT_EQ(f.Working, c.expectedWorking);
        EXPECT_EQ(f.AkaMuki, c.expectedAka);
        EXPECT_EQ(f.AoMuki, c.expectedAo);
        EXPECT_EQ(f.GMode, c.expectedGMode);
        if (c.working != screen::Title || c.key != vk::Return) {
            EXPECT_EQ(f.JamaMuki, muki::Left);
        }
        EXPECT_TRUE(game.host.messageBoxes.empty());
    }
}

TEST(KeyboardTest, ReturnOnTheTitleSetsUpTheComingMatch)
{
    Game game;
    frmMain &f = game.form;
    f.Score = 77;
    f.JamaMuki = muki::Down;
    f.Form_KeyDown(vk::Return, 0);
    EXPECT_EQ(f.Score, 0);
    EXPECT_EQ(f.JamaMuki, muki::Up);
    EXPECT_EQ(std::make_pair(f.AkaX, f.AkaY), std::make_pair(Long(160), Long(150)));
    EXPECT_EQ(std::make_pair(f.AoX, f.AoY), std::make_pair(Long(260), Long(150)));
    EXPECT_EQ(std::make_pair(f.JamaX, f.JamaY), std::make_pair(Long(210), Long(150)));
}

TEST(KeyboardTest, TurnsWithinOneWaitApplyInOrder)
{
    Game game;
    frmMain &f = game.form;
    f.Working = screen::Match;
    f.GMode = vbTrue;
    f.AkaMuki = muki::Right;
    f.Form_KeyDown(vk::W, 0);
    f.Form_KeyDown(vk::A, 0);
    EXPECT_EQ(f.AkaMuki, muki::Left); // right, then up, then left: back into its own trail
    // Held keys repeat; the repeats change nothing more.
    f.Form_KeyDown(vk::A, 0);
    f.Form_KeyDown(vk::A, 0);
    EXPECT_EQ(f.AkaMuki, muki::Left);
}

TEST(KeyboardTest, InputMethodTextDuringAMatchAsksToSwitchItOff)
{
    Game game;
    frmMain &f = game.form;
    f.AkaMuki = muki::Up;
    for (const Integer working : {screen::Title, screen::ModeSelect, screen::Countdown, screen::MatchOver}) {
        f.Working = working;
        f.Form_KeyDown(vk::Ime, 0);
    }
    EXPECT_TRUE(game.host.messageBoxes.empty());
    f.Working = screen::Match;
    f.Form_KeyDown(vk::Ime, 0);
    f.Form_KeyDown(vk::Ime, 0);
    ASSERT_EQ(game.host.messageBoxes.size(), 2u);
    EXPECT_EQ(game.host.messageBoxes[0], "日本語入力をOFFにしてください");
    EXPECT_EQ(f.AkaMuki, muki::Up);
}

} // namespace
} // namespace quorrax::testing
