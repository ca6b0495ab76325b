// SPDX-License-Identifier: MIT
#include "pixelart.h"

#include <algorithm>
#include <cmath>
#include <functional>

// The title picture: the game's name in bevelled yellow letters over a trail, on black.

namespace quorrax::art {
namespace {

// A letter on a box of 12 x 14 units: solid outlines, counters cut out of them, and
// strokes laid on top after the cut (the tail of the Q crosses its counter's edge).
struct Glyph {
    std::vector<Polygon> solid;
    std::vector<Polygon> holes;
    std::vector<Polygon> over;
};

const Polygon ringOutline{{3, 0}, {9, 0}, {12, 3}, {12, 11}, {9, 14}, {3, 14}, {0, 11}, {0, 3}};
const Polygon ringCounter{{5, 3}, {7, 3}, {8, 4}, {8, 10}, {7, 11}, {5, 11}, {4, 10}, {4, 4}};

Glyph glyphFor(char letter)
{
    switch (letter) {
    case 'Q':
        return {{ringOutline}, {ringCounter}, {{{6, 8.5}, {9, 8.5}, {12.5, 16}, {9.5, 16}}}};
    case 'U':
        return {{{{0, 0},
                  {4, 0},
                  {4, 10},
                  {5, 11},
                  {7, 11},
                  {8, 10},
                  {8, 0},
                  {12, 0},
                  {12, 11},
                  {9, 14},
                  {3, 14},
                  {0, 11}}},
                {},
                {}};
    case 'O':
        return {{ringOutline}, {ringCounter}, {}};
    case 'R':
        return {
            {{{0, 0}, {9, 0}, {12, 3}, {12, 6}, {10, 8}, {12.5, 14}, {8.5, 14}, {5.5, 9}, {4, 9}, {4, 14}, {0, 14}}},
            {{{4, 3}, {7, 3}, {8, 4}, {8, 5}, {7, 6}, {4, 6}}},
            {}};
    case 'A':
        return {{{{3, 0}, {9, 0}, {12, 3}, {12, 14}, {8, 14}, {8, 10}, {4, 10}, {4, 14}, {0, 14}, {0, 3}}},
                {{{5, 3}, {7, 3}, {8, 4}, {8, 7}, {4, 7}, {4, 4}}},
                {}};
    case 'X':
        return {{{{0, 0},
                  {4, 0},
                  {6, 4.5},
                  {8, 0},
                  {12, 0},
                  {8, 7},
                  {12, 14},
                  {8, 14},
                  {6, 9.5},
                  {4, 14},
                  {0, 14},
                  {4, 7}}},
                {},
                {}};
    default:
        return {};
    }
}

constexpr int unit = 6;           // pixels per design unit of a letter
constexpr int letterAdvance = 14; // units from one letter's left edge to the next

// Sets the pixels of a word whose first letter's top-left corner is at (left, top).
void stampWord(Mask &mask, const std::string &word, int left, int top)
{
    int advance = 0;
    for (std::size_t n = 0; n < word.size(); ++n) {
        const Glyph g = glyphFor(word[n]);
        const int ox = left + advance * unit;
        advance += word[n] == 'Q' ? 15 : letterAdvance;
        for (int y = top - unit; y < top + 16 * unit; ++y)
            for (int x = ox - unit; x < ox + 16 * unit; ++x) {
                const double ux = (x + 0.5 - ox) / unit, uy = (y + 0.5 - top) / unit;
                auto hit = [&](const std::vector<Polygon> &polys) {
                    return std::any_of(polys.begin(), polys.end(),
                                       [&](const Polygon &p) { return insidePolygon(p, ux, uy); });
                };
                if ((hit(g.solid) && !hit(g.holes)) || hit(g.over))
                    mask.set(x, y);
            }
    }
}

// The title's other three yellows.
constexpr Rgb yellow96{96, 96, 0};
constexpr Rgb yellow128{128, 128, 0};
constexpr Rgb yellow160{160, 160, 0};

using FaceColor = std::function<Rgb(int x, int y)>;

// Shades a shape as a bevelled slab lit from the top left, standing out of the picture
// on a deep block that falls away to the bottom right.
void shadeRaised(Canvas &canvas, const Mask &shape, int bevel, int depth, const FaceColor &face)
{
    for (int d = depth; d >= 1; --d)
        for (int y = 0; y < shape.height(); ++y)
            for (int x = 0; x < shape.width(); ++x)
                if (shape(x - d, y - d) && !shape(x, y))
                    canvas.set(x, y, yellow96);

    // A pixel of the rim takes its light from the direction in which the outside lies,
    // averaged over a small disc so that slanted edges shade evenly instead of in steps.
    const int reach = bevel + 2;
    for (int y = 0; y < shape.height(); ++y)
        for (int x = 0; x < shape.width(); ++x) {
            if (!shape(x, y))
                continue;
            double nx = 0, ny = 0;
            bool rim = false;
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dx = -reach; dx <= reach; ++dx) {
                    const int d2 = dx * dx + dy * dy;
                    if (d2 > reach * reach || shape(x + dx, y + dy))
                        continue;
                    nx += dx;
                    ny += dy;
                    rim = rim || d2 <= bevel * bevel;
                }
            Rgb c = face(x, y);
            if (rim) {
                const double length = std::hypot(nx, ny);
                const double towardsLight = length > 0 ? -(nx + ny) / (length * std::sqrt(2.0)) : 0;
                c = towardsLight > 0.3 ? yellow : towardsLight < -0.3 ? yellow96 : yellow128;
            }
            canvas.set(x, y, c);
        }
}

constexpr int firstLineTop = 34;
constexpr int secondLineTop = 140;

// The face of the letters is bright, crossed towards the foot by darker stripes that
// thicken downwards like a horizon seen from above.
Rgb letterFace(int, int y)
{
    static constexpr std::array<int, 7> stripeTop{44, 52, 59, 65, 70, 74, 78};
    static constexpr std::array<int, 7> stripeHeight{1, 2, 2, 3, 3, 3, 4};
    const int row = y - (y < secondLineTop ? firstLineTop : secondLineTop);
    for (std::size_t i = 0; i < stripeTop.size(); ++i)
        if (row >= stripeTop[i] && row < stripeTop[i] + stripeHeight[i])
            return yellow160;
    return yellow;
}

} // namespace

Canvas drawTitle()
{
    Canvas canvas(420, 300);
    Mask letters(420, 300);
    stampWord(letters, "QUOR", 39, firstLineTop);
    stampWord(letters, "RAX", 129, secondLineTop);
    shadeRaised(canvas, letters, 4, 7, letterFace);

    // The yellow line of the game underlines the second word and turns up to the R,
    // its 7 x 7 head just short of the letter.
    Mask trail(420, 300);
    trailBand(trail, 396, 238, 45, 238, 5);
    trailBand(trail, 45, 238, 45, 182, 5);
    trailBand(trail, 45, 182, 112, 182, 5);
    trailBand(trail, 112, 182, 112, 182, 7);
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            if (trail(x, y))
                canvas.set(x, y, yellow);
            else if (trail(x - 2, y - 2) && canvas.at(x, y).r == 0)
                canvas.set(x, y, yellow96);
        }
    return canvas;
}

} // namespace quorrax::art
