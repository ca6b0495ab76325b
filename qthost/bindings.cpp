// SPDX-License-Identifier: MIT
#include "qthost/bindings.h"

#include "game/frmmain.h"

#include <Qt>

namespace quorrax {

namespace {

using enum PadControl;
constexpr const char *front = "start on the title screen, confirm the mode, leave the result screen";
constexpr const char *mode = "choose Single or Battle";
constexpr const char *red = "steer the red line";
constexpr const char *blue = "steer the blue line in Battle";

// clang-format off
constexpr Binding table[] = {
    {vk::Return, {Qt::Key_Return, Qt::Key_Enter}, "Return", Confirm, Seat::Any, front},
    {vk::Up, {Qt::Key_Up, 0}, "Up", Up, Seat::Any, mode},
    {vk::Down, {Qt::Key_Down, 0}, "Down", Down, Seat::Any, mode},
    {vk::W, {Qt::Key_W, 0}, "W", Up, Seat::Red, red},
    {vk::Z, {Qt::Key_Z, 0}, "Z", Down, Seat::Red, red},
    {vk::A, {Qt::Key_A, 0}, "A", Left, Seat::Red, red},
    {vk::S, {Qt::Key_S, 0}, "S", Right, Seat::Red, red},
    {vk::I, {Qt::Key_I, 0}, "I", Up, Seat::Blue, blue},
    {vk::M, {Qt::Key_M, 0}, "M", Down, Seat::Blue, blue},
    {vk::J, {Qt::Key_J, 0}, "J", Left, Seat::Blue, blue},
    {vk::K, {Qt::Key_K, 0}, "K", Right, Seat::Blue, blue},
};
// clang-format on

} // namespace

std::span<const Binding> bindings()
{
    return table;
}

std::int16_t padBinding(PadControl control, int seat, bool inMatch, bool battle)
{
    Seat whose = Seat::Any;
    if (inMatch) {
        if (battle && seat > 1)
            return 0;
        whose = battle && seat == 1 ? Seat::Blue : Seat::Red;
    }
    for (const Binding &b : table) {
        if (b.pad == control && b.seat == whose)
            return b.gameKey;
    }
    return 0;
}

} // namespace quorrax
