// SPDX-License-Identifier: MIT
#pragma once

#include "pixels.h"

// What the game's screens show, as the real-window tests on X11 and on Wayland expect them.

namespace quorrax::window {

inline const QRect titleLettering(0, 18, fieldWidth, 228);
inline const QRect rightOfRed(170, 0, 30, 148); // where a red line that turned right runs

// The title picture with the high-score line of a game without a high-score file.
inline Check titleScreen()
{
    return [title = asset("title.png")](const Shot &shot) {
        return allOf({showsPicture(shot.client, title, {0, 0}, titleLettering),
                      showsText(shot.client, "High Score(Single):0", 0, 0, 9, yellow)});
    };
}

// The arrow in the row of Single (y 100) or Battle (y 168), and nothing in the other.
inline Check arrowAt(int row)
{
    return [arrow = asset("arrow.png"), row](const Shot &shot) {
        return allOf({showsPicture(shot.client, arrow, {70, row}, arrow.rect()),
                      Verdict{countNonBlack(shot.client, QRect(70, 268 - row, 32, 32)) == 0, "the other row"}});
    };
}

// The red line at its start, moving up and not yet turned.
inline Check redMovingUp()
{
    return [](const Shot &s) { return Verdict{s.at(160, 145) == red, describe(s.at(160, 145))}; };
}

// "BLUE Won!" after red turned right: its trail runs right of where it started. Which trail
// it meets, yellow's or blue's, the randomly turning yellow line decides.
inline Check blueWonAfterRedTurnedRight()
{
    return [](const Shot &s) {
        return allOf({showsText(s.client, "BLUE Won!", 30, 30, 36, green),
                      showsText(s.client, "Press Return", 80, 105, 14, green),
                      hasColour(s.client, rightOfRed, red, 20)});
    };
}

// "Game Over!" with a new high score, after a Single.
inline Check newHighScore()
{
    return [](const Shot &s) {
        return allOf({showsText(s.client, "Game Over!", 30, 30, 36, green),
                      showsText(s.client, "You Got High Score!", 35, 68, 24, green)});
    };
}

// `scaled` shows every field pixel as a whole square block of `scale` screen pixels of one
// colour; `field` gets one pixel of each block.
inline Verdict crispBlocks(const QImage &scaled, int scale, QImage *field)
{
    *field = QImage(scaled.width() / scale, scaled.height() / scale, QImage::Format_RGB32);
    for (int y = 0; y < field->height() * scale; ++y) {
        for (int x = 0; x < field->width() * scale; ++x) {
            const QRgb corner = scaled.pixel(x - x % scale, y - y % scale);
            if (scaled.pixel(x, y) != corner)
                return {false, "screen pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is " +
                                   describe(scaled.pixel(x, y)) + ", its block's corner " + describe(corner)};
            field->setPixel(x / scale, y / scale, corner);
        }
    }
    return {true, ""};
}

} // namespace quorrax::window
