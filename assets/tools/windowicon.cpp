// SPDX-License-Identifier: MIT
#include "pixelart.h"

#include <string>
#include <utility>
#include <vector>

// The window's icon in its two sizes: the game's name in white pixel letters over the
// three trails, on black.

namespace quorrax::art {
namespace {

// Pixel letters, 5 x 7 for the large icon and 4 x 6 for the small one.
std::vector<std::string> bigLetter(char c)
{
    switch (c) {
    case 'Q':
        return {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"};
    case 'U':
        return {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."};
    case 'O':
        return {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."};
    case 'R':
        return {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"};
    case 'A':
        return {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"};
    case 'X':
        return {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"};
    default:
        return {};
    }
}

std::vector<std::string> smallLetter(char c)
{
    switch (c) {
    case 'Q':
        return {".##.", "#..#", "#..#", "#..#", "#.#.", ".#.#"};
    case 'R':
        return {"###.", "#..#", "###.", "#.#.", "#..#", "#..#"};
    case 'X':
        return {"#..#", "#..#", ".##.", ".##.", "#..#", "#..#"};
    default:
        return {};
    }
}

// Writes white letters with a black rim around them, so that they stay legible over
// every trail colour, yellow included.
void writeOutlined(Canvas &canvas, const std::string &text, int left, int top, bool big)
{
    Mask ink(canvas.width(), canvas.height());
    int x = left;
    for (char c : text) {
        const std::vector<std::string> rows = big ? bigLetter(c) : smallLetter(c);
        for (std::size_t j = 0; j < rows.size(); ++j)
            for (std::size_t i = 0; i < rows[j].size(); ++i)
                if (rows[j][i] == '#')
                    ink.set(x + int(i), top + int(j));
        x += int(rows.front().size()) + 1;
    }
    // The counters of the letters are closed off in black too: a trail showing through
    // the inside of an O reads as a dot, not as part of the line.
    Mask outside(canvas.width(), canvas.height());
    std::vector<std::pair<int, int>> todo;
    for (int y = 0; y < canvas.height(); ++y)
        for (int xx = 0; xx < canvas.width(); ++xx)
            if (xx == 0 || y == 0 || xx == canvas.width() - 1 || y == canvas.height() - 1)
                todo.emplace_back(xx, y);
    while (!todo.empty()) {
        const auto [px, py] = todo.back();
        todo.pop_back();
        if (!canvas.contains(px, py) || outside(px, py) || ink(px, py))
            continue;
        outside.set(px, py);
        todo.insert(todo.end(), {{px + 1, py}, {px - 1, py}, {px, py + 1}, {px, py - 1}});
    }
    for (int y = 0; y < canvas.height(); ++y)
        for (int xx = 0; xx < canvas.width(); ++xx) {
            if (!ink(xx, y) && !outside(xx, y)) {
                canvas.set(xx, y, black);
                continue;
            }
            if (ink(xx, y)) {
                canvas.set(xx, y, white);
                continue;
            }
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (ink(xx + dx, y + dy))
                        canvas.set(xx, y, black);
        }
}

void paint(Canvas &canvas, const Mask &mask, Rgb c)
{
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (mask(x, y))
                canvas.set(x, y, c);
}

} // namespace

Canvas drawIcon32()
{
    Canvas canvas(32, 32);
    Mask redTrail(32, 32), blueTrail(32, 32), yellowTrail(32, 32);
    trailBand(redTrail, 0, 11, 28, 11, 5);
    trailBand(redTrail, 28, 11, 28, 31, 5);
    trailBand(blueTrail, 3, 31, 3, 23, 5);
    trailBand(blueTrail, 3, 23, 22, 23, 5);
    trailBand(yellowTrail, 31, 29, 11, 29, 5);
    paint(canvas, yellowTrail, yellow);
    paint(canvas, blueTrail, blue);
    paint(canvas, redTrail, red);
    writeOutlined(canvas, "QUOR", 3, 2, true);
    writeOutlined(canvas, "RAX", 8, 14, true);
    return canvas;
}

Canvas drawIcon16()
{
    Canvas canvas(16, 16);
    Mask redTrail(16, 16), blueTrail(16, 16), yellowTrail(16, 16);
    trailBand(yellowTrail, 0, 2, 8, 2, 3);
    trailBand(redTrail, 15, 2, 13, 2, 3);
    trailBand(redTrail, 13, 2, 13, 15, 3);
    trailBand(blueTrail, 0, 14, 9, 14, 3);
    paint(canvas, yellowTrail, yellow);
    paint(canvas, blueTrail, blue);
    paint(canvas, redTrail, red);
    writeOutlined(canvas, "QRX", 1, 5, false);
    return canvas;
}

} // namespace quorrax::art
