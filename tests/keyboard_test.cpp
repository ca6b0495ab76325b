#include "game_fixture.h"

#include <gtest/gtest.h>

namespace quorrax::testing {
namespace {

// One key in one screen state: the state, the mode and the two players' directions after it.
// The mode screen's and the countdown's keys are judged by what those screens show.
TEST(KeyboardTest, EachScreenTakesOnlyItsOwnKeys)
{
    using namespace muki;
    constexpr Boolean S = vbTrue; // Single
    constexpr Boolean B = vbFalse; // Battle
    const struct {
        Integer working;
        Boolean gmode;
        Integer aka, ao, key;
        Integer expectedWorking;
        Boolean expectedMode;
        Integer expectedAka, expectedAo;
    } rows[] = {
        {screen::Title, S, Right, Right, vk::Up, screen::Title, S, Right, Right},
        {screen::Match, B, Right, Up, vk::W, screen::Match, B, Up, Up},
        {screen::Match, B, Left, Up, vk::Z, screen::Match, B, Down, Up},
        {screen::Match, B, Up, Up, vk::S, screen::Match, B, Right, Up},
        {screen::Match, B, Down, Up, vk::A, screen::Match, B, Left, Up},
        {screen::Match, B, Up, Up, vk::W, screen::Match, B, Up, Up},
        {screen::Match, B, Up, Up, vk::Z, screen::Match, B, Up, Up},
        {screen::Match, B, Right, Up, vk::A, screen::Match, B, Right, Up},
        {screen::Match, B, Left, Up, vk::S, screen::Match, B, Left, Up},
        {screen::Match, B, Up, Left, vk::I, screen::Match, B, Up, Up},
        {screen::Match, B, Up, Right, vk::M, screen::Match, B, Up, Down},
        {screen::Match, B, Up, Up, vk::K, screen::Match, B, Up, Right},
        {screen::Match, B, Up, Down, vk::J, screen::Match, B, Up, Left},
        {screen::Match, B, Up, Up, vk::M, screen::Match, B, Up, Up},
        {screen::Match, B, Right, Right, vk::J, screen::Match, B, Right, Right},
        {screen::Match, B, Up, Up, vk::Return, screen::Match, B, Up, Up},
        {screen::Match, S, Up, Up, vk::K, screen::Match, S, Up, Up},      // the computer's line
        {screen::Match, S, Up, Right, vk::I, screen::Match, S, Up, Right},
        {screen::MatchOver, S, Up, Up, vk::W, screen::MatchOver, S, Up, Up},
        {screen::MatchOver, S, Up, Up, vk::Return, screen::Title, S, Up, Up},
    };
    for (const auto &row : rows) {
        ScriptedHost host;
        frmMain f(host);
        f.Working = row.working;
        f.GMode = row.gmode;
        f.AkaMuki = row.aka;
        f.AoMuki = row.ao;
        f.Form_KeyDown(row.key, 0);
        SCOPED_TRACE(::testing::Message() << "state " << row.working << " key " << row.key);
        EXPECT_EQ(f.Working, row.expectedWorking);
        EXPECT_EQ(f.GMode, row.expectedMode);
        EXPECT_EQ(std::make_pair(f.AkaMuki, f.AoMuki), std::make_pair(row.expectedAka, row.expectedAo));
        EXPECT_TRUE(host.messageBoxes.empty());
    }
}

TEST(KeyboardTest, AnInputMethodInAMatchAsksToBeSwitchedOff)
{
    for (const Integer working : {screen::Title, screen::ModeSelect, screen::Countdown, screen::Match, screen::MatchOver}) {
        ScriptedHost host;
        frmMain f(host);
        f.Working = working;
        f.Form_KeyDown(vk::Ime, 0);
        EXPECT_EQ(host.messageBoxes,
                  working == screen::Match ? std::vector<std::string>{"日本語入力をOFFにしてください"}
                                           : std::vector<std::string>{})
            << "state " << working;
        EXPECT_EQ(f.Working, working);
    }
}

} // namespace
} // namespace quorrax::testing
