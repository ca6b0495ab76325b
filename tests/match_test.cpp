// SPDX-License-Identifier: MIT
#include "game_fixture.h"
#include "qthost/pictures.h"

#include <gtest/gtest.h>

#include <fstream>

namespace quorrax::test {
namespace {

struct Text {
    std::string text;
    int x, y;
    double points;
};

// Mismatches between the explosion, drawn through its mask and centred on (x, y), over the
// last frame of the match: where the sprite is black the trails stay visible.
int explosionMismatches(const Frame &before, const Frame &after, int x, int y)
{
    static const Surface sprite = loadPicture(Picture::Explosion);
    int wrong = 0;
    for (int row = 0; row < 32; ++row)
        for (int col = 0; col < 32; ++col) {
            const int px = x - 16 + col;
            const int py = y - 16 + row;
            if (px < 0 || px >= field::width || py < 0 || py >= field::height || after.pixel(px, py) == green)
                continue; // outside, or under a result text
            const Color s = sprite.pixel(col, row);
            wrong += after.pixel(px, py) != (s != black ? s : before.pixel(px, py));
        }
    return wrong;
}

struct ResultRow {
    const char *name;
    bool single;
    const char *before;                        // the high score in the file before, if there is one
    std::vector<std::pair<int, Integer>> keys; // at ticks
    int ticks;
    std::vector<Text> texts;
    int bakuX, bakuY;
    const char *after; // the high score on the next title and in the file
};

// clang-format off
const ResultRow resultRows[] = {
    {"Single, a new high score", true, "46", {}, 47,
     {{"Game Over!", 30, 30, 36}, {"You Got High Score!", 35, 68, 24}, {"Score:47", 10, 10, 9},
      {"Press Return", 80, 105, 14}}, 160, 103, "47"},
    {"Single, the high score equalled", true, "47", {}, 47,
     {{"Game Over!", 30, 30, 36}, {"Score:47", 10, 10, 9}, {"Press Return", 80, 105, 14}}, 160, 103, "47"},
    {"Battle, red into the yellow trail", false, nullptr, {{1, vk::S}}, 46,
     {{"BLUE Won!", 30, 30, 36}, {"Press Return", 80, 105, 14}}, 205, 149, "0"},
    {"Battle, both in one tick", false, "5", {{1, vk::S}, {1, vk::J}}, 46,
     {{"RED Won!", 30, 30, 36}, {"Press Return", 80, 105, 14}}, 215, 149, "5"},
    {"Battle, blue into the yellow trail", false, "5", {{1, vk::J}}, 46,
     {{"RED Won!", 30, 30, 36}, {"Press Return", 80, 105, 14}}, 215, 149, "5"},
};
// clang-format on

TEST(ResultTest, TextsExplosionAndHighScoreOfEachOutcome)
{
    for (const ResultRow &row : resultRows) {
        SCOPED_TRACE(row.name);
        Game game;
        if (row.before)
            std::ofstream(game.ini(), std::ios::binary) << "[Quorrax]\r\nHighScore=" << row.before << "\r\n";
        if (row.single)
            game.form.picShaikei.setPixel(160, 100, RGB(1, 1, 1)); // straight ahead of red
        game.startMatch(row.single);
        for (const auto &[tick, key] : row.keys)
            game.key(screen::Match, key, tick);
        game.key(screen::MatchOver, vk::Return);
        game.on(screen::Title, Kind::Close, 0, 2);
        EXPECT_EQ(game.run(), Game::Ending::Program);

        const auto match = game.framesIn(screen::Match);
        const auto result = game.framesIn(screen::MatchOver);
        ASSERT_EQ(match.size(), std::size_t(row.ticks));
        ASSERT_EQ(result.size(), 1u);
        // The score of every tick; its look at the first tick and at the end is checked with
        // the countdown and below.
        for (std::size_t i = 0; i < match.size() && row.single; ++i)
            EXPECT_EQ(textsIn(game.host, *match[i]), std::vector<std::string>{"Score:" + std::to_string(i + 1)}) << i;
        std::vector<std::string> expected;
        for (const Text &t : row.texts) {
            EXPECT_TRUE(shows(*result[0], t.text, t.x, t.y, t.points, green)) << t.text;
            expected.push_back(t.text);
        }
        EXPECT_EQ(textsIn(game.host, *result[0]), expected);
        EXPECT_EQ(explosionMismatches(*match.back(), *result[0], row.bakuX, row.bakuY), 0);
        // The next title: its picture, and the high score after the match.
        EXPECT_EQ(differences(game.host.frames.back(), loadPicture(Picture::Title), 28, 245), 0);
        EXPECT_TRUE(shows(game.host.frames.back(), std::string("High Score(Single):") + row.after, 0, 0, 9, yellow));
        EXPECT_EQ(slurp(game.ini()), std::string("[Quorrax]\r\nHighScore=") + row.after + "\r\n");
        if (!row.single) {
            for (const Printed &p : game.host.prints)
                EXPECT_NE(p.text.rfind("Score:", 0), 0u) << "a score in Battle";
        }
    }
}

// FNV-1a over the frames from the first of the match on (their pixels, screens and times
// from the start) and the texts printed with them.
std::uint64_t fingerprint(const ScriptedHost &host)
{
    std::uint64_t hash = 1469598103934665603ull;
    const auto mix = [&hash](std::uint64_t v) { hash = (hash ^ v) * 1099511628211ull; };
    std::size_t first = 0;
    while (first < host.frames.size() && host.frames[first].working != screen::Match)
        ++first;
    for (std::size_t i = first; i < host.frames.size(); ++i) {
        mix(host.frames[i].at - host.startTick);
        mix(std::uint64_t(host.frames[i].working));
        for (const Color *row : host.frames[i].rows)
            for (int x = 0; x < field::width; ++x)
                mix(row[x]);
    }
    for (const Printed &p : host.prints) {
        for (const char c : p.text)
            mix(std::uint64_t(c));
        mix(std::uint64_t(p.x) << 32 | std::uint32_t(p.y)), mix(p.color), mix(p.frame - first);
    }
    return hash;
}

// Recorded matches: a seed, keys at given ticks, and what the player saw. Any change to
// the rules of moving, drawing, steering, wrapping, crashing or scoring shows here, and
// nothing changes when the tick counter passes 2^31 or 2^32 in the middle of a match.
TEST(MatchTest, RecordedMatchesShowTheSameFramesWhereverTheCounterStands)
{
    const struct {
        std::uint64_t seed;
        bool single;
        std::vector<std::pair<int, Integer>> keys;
        std::size_t ticks;
        std::uint64_t frames;
        // clang-format off
    } rows[] = {
        {7, true, {{30, vk::A}, {90, vk::W}, {200, vk::S}, {260, vk::Z}}, 315, 0xa3bc1d97bdf6666full},
        {11, false, {{20, vk::S}, {25, vk::J}, {70, vk::W}, {140, vk::I}, {180, vk::A}}, 65, 0x320a1af0fa204f05ull},
        {2024, true, {}, 295, 0x4ea20f6dd1be2906ull},
        {5, false, {{10, vk::J}, {30, vk::A}}, 55, 0xfa7f1d149778b552ull},
    };
    // clang-format on
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << "seed " << row.seed);
        std::uint32_t toMatch = 0; // from the start to the first tick, the same in every run
        for (const std::uint32_t wrap : {0u, 0x80000000u, 0u}) {
            const std::uint32_t start = toMatch ? wrap - toMatch - 20 * 9 : 4'000'000u;
            Game game(start, row.seed);
            game.host.drawText = false; // glyphs differ with the fonts installed
            game.startMatch(row.single);
            for (const auto &[tick, key] : row.keys)
                game.key(screen::Match, key, tick);
            game.run();
            const auto match = game.framesIn(screen::Match);
            ASSERT_EQ(match.size(), row.ticks) << std::hex << start;
            for (std::size_t i = 1; i < match.size(); ++i)
                ASSERT_EQ(match[i]->at - match[i - 1]->at, 9u) << "tick " << i << std::hex << " at " << match[i]->at;
            EXPECT_EQ(fingerprint(game.host), row.frames) << std::hex << start;
            toMatch = toMatch ? toMatch : match[0]->at - start;
        }
    }
}

// Stress: a Single match of a million ticks on a small field whose trails are wiped at
// every tick, until an obstacle comes in red's way. Every tick scores, to the end, and
// every score text is drawn, a million different ones through the window's glyph cache.
TEST(MatchStress, AMillionTickMatchScoresEveryTick)
{
    constexpr int ticks = 1'000'000;
    Game game;
    game.host.keepMatchFrames = false;
    game.host.timeLimitMs = 4ull * 3600 * 1000;
    for (Surface *s : {&game.form.picShaikei, &game.form.picHaikei, &game.form.picWork})
        s->setPicture(Surface(24, 20));
    game.startMatch(true);
    game.host.when(
        [&] {
            if (game.host.framesIn(screen::Match) == 1) // inside the field, away from its edges
                game.form.AkaX = 12, game.form.AkaY = 10;
            game.form.picHaikei.fill(game.host.framesIn(screen::Match) == ticks - 1 ? RGB(1, 1, 1) : black);
            return game.host.framesIn(screen::MatchOver) > 0;
        },
        Kind::Close);
    ASSERT_EQ(game.run(), Game::Ending::Program);
    EXPECT_EQ(game.host.framesIn(screen::Match), ticks);
    const auto result = game.framesIn(screen::MatchOver);
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(textsIn(game.host, *result[0]),
              (std::vector<std::string>{"Game Over!", "You Got High Score!", "Score:1000000", "Press Return"}));
    EXPECT_EQ(slurp(game.ini()), "[Quorrax]\r\nHighScore=1000000\r\n");
}

} // namespace
} // namespace quorrax::test
