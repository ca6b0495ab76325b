// SPDX-License-Identifier: MIT
#include "game_fixture.h"

#include <gtest/gtest.h>

#include <tuple>

namespace quorrax::test {
namespace {

// Outside a match no key steers: on the title the arrows choose nothing, and on the result
// screen only Return counts, back to the title. The mode screen's and the countdown's keys
// are judged by what those screens show.
TEST(KeyboardTest, OutsideAMatchNoKeySteers)
{
    const struct {
        Integer working, key, expected;
    } rows[] = {
        {screen::Title, vk::Up, screen::Title},
        {screen::Title, vk::W, screen::Title},
        {screen::MatchOver, vk::W, screen::MatchOver},
        {screen::MatchOver, vk::Return, screen::Title},
    };
    for (const auto &row : rows) {
        ScriptedHost host;
        frmMain f(host);
        f.Working = row.working, f.GMode = vbFalse, f.AkaMuki = f.AoMuki = muki::Right;
        f.Form_KeyDown(row.key, 0);
        EXPECT_EQ(std::make_tuple(f.Working, f.GMode, f.AkaMuki, f.AoMuki),
                  std::make_tuple(row.expected, vbFalse, muki::Right, muki::Right))
            << "state " << row.working << " key " << row.key;
    }
}

// Every steering key from every direction of both lines, in both modes. A key turns its own
// line only at a right angle; the key of the way the line moves, or of the reverse, leaves it
// as it is. In Single the computer steers blue, and I, M, J and K do nothing. Return and the
// arrows steer nothing.
TEST(KeyboardTest, EverySteeringKeyFromEveryDirectionOfBothLines)
{
    using namespace muki;
    const struct {
        Integer key;
        bool red;
        Integer after[4]; // the line's direction after the key, from up, right, down and left
    } keys[] = {
        {vk::W, true, {Up, Up, Down, Up}},           {vk::Z, true, {Up, Down, Down, Down}},
        {vk::A, true, {Left, Right, Left, Left}},    {vk::S, true, {Right, Right, Right, Left}},
        {vk::I, false, {Up, Up, Down, Up}},          {vk::M, false, {Up, Down, Down, Down}},
        {vk::J, false, {Left, Right, Left, Left}},   {vk::K, false, {Right, Right, Right, Left}},
        {vk::Return, true, {Up, Right, Down, Left}}, {vk::Up, true, {Up, Right, Down, Left}},
        {vk::Down, false, {Up, Right, Down, Left}},
    };
    ScriptedHost host;
    frmMain f(host);
    for (const Boolean mode : {vbFalse, vbTrue})
        for (const auto &k : keys)
            for (const Integer aka : {Up, Right, Down, Left})
                for (const Integer ao : {Up, Right, Down, Left}) {
                    f.Working = screen::Match, f.GMode = mode;
                    f.AkaMuki = aka, f.AoMuki = ao, f.JamaMuki = Right;
                    f.Form_KeyDown(k.key, 0);
                    const Integer aka2 = k.red ? k.after[aka] : aka;
                    const Integer ao2 = !k.red && mode == vbFalse ? k.after[ao] : ao;
                    EXPECT_EQ(std::make_tuple(f.AkaMuki, f.AoMuki, f.JamaMuki, f.Working, f.GMode),
                              std::make_tuple(aka2, ao2, Right, screen::Match, mode))
                        << (mode ? "Single" : "Battle") << ", key " << k.key << ", red " << aka << ", blue " << ao;
                }
    EXPECT_TRUE(host.messageBoxes.empty());
}

} // namespace
} // namespace quorrax::test
