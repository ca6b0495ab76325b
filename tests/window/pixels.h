// SPDX-License-Identifier: MIT
#pragma once

#include "game/field.h"

#include <QImage>

#include <functional>
#include <string>
#include <string_view>

namespace quorrax::window {

constexpr int fieldWidth = field::width;
constexpr int fieldHeight = field::height;

constexpr QRgb black = 0xff000000, red = 0xffff0000, blue = 0xff0000ff, yellow = 0xffffff00, green = 0xff00ff00;

// One screenshot: the game's window as the player sees it, and its client area cut out
// of it. Every check reads the client area in the game's own coordinates.
struct Shot {
    QImage screen;
    QImage client;

    QRgb at(int x, int y) const { return client.pixel(x, y); }
};

// The outcome of one check on one shot: whether it held, and what was seen.
struct Verdict {
    bool ok = false;
    std::string seen;
};

using Check = std::function<Verdict(const Shot &)>;

std::string describe(QRgb colour);
std::string describe(const QRect &rect);

// A picture from the game's assets folder, or a null image.
QImage asset(const char *name);

int countColour(const QImage &image, const QRect &area, QRgb colour);
int countNonBlack(const QImage &image, const QRect &area);

// `area` of `picture` shows with its top-left corner at `at`, pixel for pixel.
Verdict showsPicture(const QImage &client, const QImage &picture, QPoint at, const QRect &area);

// The non-black pixels of a sprite drawn with its mask show at `at`; the game's green text
// may cover some, as long as three quarters show.
Verdict showsSprite(const QImage &client, const QImage &sprite, QPoint at);

// At least `least` pixels of `colour` in `area`.
Verdict hasColour(const QImage &client, const QRect &area, QRgb colour, int least);

// The text printed at (x, y) in `points` shows in `colour` as its recorded look has it.
Verdict showsText(const QImage &client, std::string_view text, int x, int y, double points, QRgb colour);

Verdict sameArea(const QImage &a, const QImage &b, const QRect &area);

Verdict allOf(std::initializer_list<Verdict> verdicts);

} // namespace quorrax::window
