#include "game_fixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace quorrax::testing {
namespace {

constexpr const char *prompt = "Press Return to start";

std::vector<ScriptedHost::Printed> promptsOf(const ScriptedHost &host)
{
    std::vector<ScriptedHost::Printed> out;
    for (const auto &p : host.prints)
        if (p.text == prompt)
            out.push_back(p);
    return out;
}

std::vector<int> expectedFade(int passes)
{
    // Falling from 255 by 10 to 5, then 0, rising 10 to 250, then 255 again: 52 a cycle.
    std::vector<int> levels;
    int level = 255;
    bool up = false;
    for (int i = 0; i < passes; ++i) {
        levels.push_back(level);
        level += up ? 10 : -10;
        if (level > 255) {
            level = 255;
            up = false;
        } else if (level < 0) {
            level = 0;
            up = true;
        }
    }
    return levels;
}

TEST(TitleTest, ShowsTheHighScoreAndFadesThePromptEveryElevenMilliseconds)
{
    Game game;
    const std::uint32_t start = game.host.now();
    game.host.keyAt(start + 120 * 11 + 5, vk::Return);
    EXPECT_EQ(game.run(), Game::Ending::Script); // the mode screen waits for a key that never comes

    const auto &first = game.host.prints.front();
    EXPECT_EQ(first.text, "High Score(Single):0");
    EXPECT_EQ(std::make_pair(first.x, first.y), std::make_pair(0, 0));
    EXPECT_EQ(first.points, 9);
    EXPECT_EQ(first.color, yellow);

    const auto prompts = promptsOf(game.host);
    ASSERT_EQ(prompts.size(), 121u);
    const std::vector<int> fade = expectedFade(121);
    for (std::size_t i = 0; i < prompts.size(); ++i) {
        EXPECT_EQ(prompts[i].color, RGB(fade[i], fade[i], 0)) << "pass " << i;
        EXPECT_EQ(std::make_pair(prompts[i].x, prompts[i].y), std::make_pair(260, 260));
        EXPECT_EQ(prompts[i].points, 12);
        if (i > 0) {
            EXPECT_EQ(prompts[i].at - prompts[i - 1].at, 11u) << "pass " << i;
        }
    }
    EXPECT_EQ(fade[26], 0);
    EXPECT_EQ(fade[51], 250);
    EXPECT_EQ(fade[52], 255);
}

TEST(TitleTest, ScreenShowsTheTitlePictureAndAnInvisiblePromptAtLevelZero)
{
    Game game;
    Surface atLevelZero;
    game.host.keyWhen([&](const frmMain &f) {
        if (f.SUc == 10 && f.SUcUp != vbFalse && atLevelZero.width() == 0)
            atLevelZero = f.window; // the pass that printed level 0 has just waited
        return false;
    }, vk::Return);
    game.host.timeLimitMs = 40 * 11;
    game.run();
    ASSERT_EQ(atLevelZero.width(), 420);
    // The prompt's band is black again: overprinting at level 0 leaves no trace.
    for (int y = 246; y < 300; ++y)
        for (int x = 0; x < 420; ++x)
            ASSERT_EQ(atLevelZero.pixel(x, y), black) << x << "," << y;
    // The title picture itself is on the window, and the high-score line is yellow.
    EXPECT_EQ(atLevelZero.pixel(200, 150), game.form.picOpen.pixel(200, 150));
    int yellowPixels = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 200; ++x)
            yellowPixels += atLevelZero.pixel(x, y) == yellow;
    EXPECT_GT(yellowPixels, 50);
}

TEST(TitleTest, ReturnEndsTheTitleAfterTheCurrentPassAndOtherKeysDoNot)
{
    Game game;
    const std::uint32_t start = game.host.now();
    game.host.keyAt(start + 3, vk::Up);
    game.host.keyAt(start + 14, vk::W);
    game.host.keyAt(start + 30, vk::Return);
    game.run();
    const auto prompts = promptsOf(game.host);
    ASSERT_EQ(prompts.size(), 3u); // passes at +0, +11, +22; Return handled in the third
    EXPECT_EQ(game.form.Working, screen::ModeSelect);
}

TEST(TitleTest, FadeDirectionIsKeptFromOneVisitToTheNext)
{
    Game game;
    game.form.picShaikei.setPixel(160, 140, RGB(1, 1, 1)); // a quick crash
    const std::uint32_t start = game.host.now();
    // 30 passes: the fade is rising when Return comes.
    game.host.keyAt(start + 29 * 11 + 1, vk::Return);
    game.modeKey(vk::Return);
    game.host.keyWhen(inState(screen::MatchOver), vk::Return);
    game.host.keyWhen([](const frmMain &f) { return f.Working == screen::Title && f.SUc < 200; }, vk::Return);
    game.run();
    const auto prompts = promptsOf(game.host);
    ASSERT_GT(prompts.size(), 33u);
    EXPECT_EQ(prompts[29].color, RGB(30, 30, 0));
    // The second visit starts at 255 while rising: it shows 255 twice, then falls.
    EXPECT_EQ(prompts[30].color, RGB(255, 255, 0));
    EXPECT_EQ(prompts[31].color, RGB(255, 255, 0));
    EXPECT_EQ(prompts[32].color, RGB(245, 245, 0));
}

TEST(TitleTest, PassesStayElevenMillisecondsAcrossTheCounterWrap)
{
    for (const std::uint32_t start : {0x7FFFFFF0u, 0xFFFFFFF0u}) {
        Game game(start);
        game.host.keyAt(start + 40 * 11 + 1, vk::Return);
        game.run();
        const auto prompts = promptsOf(game.host);
        ASSERT_EQ(prompts.size(), 41u);
        for (std::size_t i = 1; i < prompts.size(); ++i)
            EXPECT_EQ(prompts[i].at - prompts[i - 1].at, 11u) << std::hex << prompts[i].at;
    }
}

TEST(WaitUntilTest, ReturnsAtTheFirstReadingPastTheDeadlineAfterAYield)
{
    struct Case {
        std::uint32_t now;
        std::uint32_t deadline;
        std::uint32_t expectedEnd;
    };
    const Case cases[] = {
        {1000, 1008, 1009},
        {1000, 990, 1000},                   // already past: one yield, no wait
        {0x7FFFFFFAu, 0x80000002u, 0x80000003u}, // across 2^31
        {0xFFFFFFFAu, 0x00000002u, 0x00000003u}, // across 2^32
        {0x7FFFFFFFu, 0x7FFFFFFFu + 8u, 0x80000008u},
    };
    for (const Case &c : cases) {
        ScriptedHost host(c.now);
        frmMain form(host);
        host.bind(form);
        Module1::WaitUntil(host, Long(c.deadline));
        EXPECT_EQ(host.now(), c.expectedEnd) << std::hex << c.now << " " << c.deadline;
        EXPECT_GE(host.yields, 1u);
    }
}

TEST(WaitUntilTest, KeysArrivingDuringTheWaitAreHandledBeforeItReturns)
{
    ScriptedHost host(5000);
    frmMain form(host);
    host.bind(form);
    form.Working = screen::Match;
    form.GMode = vbFalse;
    form.AkaMuki = muki::Up;
    host.keyAt(5003, vk::S);
    host.keyAt(5008, vk::W);
    Module1::WaitUntil(host, 5008);
    EXPECT_EQ(host.now(), 5009u);
    EXPECT_EQ(form.AkaMuki, muki::Up); // right at 5003, up again at 5008
    EXPECT_GE(host.yields, 3u);
}

} // namespace
} // namespace quorrax::testing
