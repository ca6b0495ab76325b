// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace quorrax::test {

// How a text the game prints looks in the window's font, IPAPGothic without anti-aliasing,
// printed at its place: the box its glyph pixels fill, edges included, and how many there
// are. Measured once from renderings looked at as pictures, and written down here, so that
// a text drawn in another font, at another size or in another place fails.
struct TextLook {
    std::string_view text;
    int x, y;
    double points;
    int left, top, right, bottom;
    int pixels;
};

// clang-format off
inline constexpr TextLook textLooks[] = {
    {"High Score(Single):120", 0, 0, 9, 1, 2, 129, 12, 309}, {"High Score(Single):47", 0, 0, 9, 1, 2, 121, 12, 293},
    {"High Score(Single):5", 0, 0, 9, 1, 2, 112, 12, 279},   {"High Score(Single):0", 0, 0, 9, 1, 2, 113, 12, 277},
    {"Press Return to start", 260, 260, 12, 262, 262, 410, 273, 342},
    {"Game Mode", 10, 10, 24, 12, 14, 191, 37, 1153},
    {"Please choose by pressing 'Up' or 'Down'.", 15, 40, 12, 17, 42, 318, 56, 687},
    {"Single", 110, 100, 24, 112, 104, 200, 133, 657},      {"Battle", 110, 168, 24, 113, 172, 196, 195, 634},
    {" 3", 160, 100, 72, 191, 113, 238, 183, 1186},         {" 2", 160, 100, 72, 193, 113, 240, 182, 1250},
    {" 1", 160, 100, 72, 196, 113, 222, 182, 691},          {"Score:1", 10, 10, 9, 11, 12, 50, 20, 89},
    {"Score:47", 10, 10, 9, 11, 12, 60, 20, 116},           {"Game Over!", 30, 30, 36, 32, 37, 289, 71, 2259},
    {"You Got High Score!", 35, 68, 24, 35, 72, 334, 101, 1754},
    {"BLUE Won!", 30, 30, 36, 35, 37, 277, 71, 2324},       {"RED Won!", 30, 30, 36, 35, 37, 251, 71, 2179},
    {"Press Return", 80, 105, 14, 82, 108, 190, 121, 422},
};
// clang-format on

// Compares the pixels for which `lit(x, y)` holds with the look of `text` printed at (x, y)
// in `points`, in the rows of its box from a few pixels left of it to a few right of it: ""
// when they fill that box with its number of pixels, else what they showed. Anything of the
// text's colour just beside it, as a "7" after "Score:4", widens the box. Above and below,
// another text may follow at once.
template <class Lit>
std::string judgeText(std::string_view text, int x, int y, double points, int width, int height, Lit lit)
{
    const auto look = std::find_if(std::begin(textLooks), std::end(textLooks), [&](const TextLook &l) {
        return l.text == text && l.x == x && l.y == y && l.points == points;
    });
    // Each message starts from a std::string: GCC 12 warns wrongly of overlapping copies in
    // "literal" + std::string when it inlines them.
    const std::string quoted = std::string(1, '"').append(text).append(1, '"');
    if (look == std::end(textLooks))
        return quoted + ": no look recorded";
    constexpr int around = 4;
    int left = width, top = height, right = -1, bottom = -1, pixels = 0;
    for (int py = std::max(0, look->top); py <= std::min(height - 1, look->bottom); ++py)
        for (int px = std::max(0, look->left - around); px <= std::min(width - 1, look->right + around); ++px)
            if (lit(px, py))
                left = std::min(left, px), right = std::max(right, px), top = std::min(top, py),
                bottom = std::max(bottom, py), ++pixels;
    const auto box = [](int l, int t, int r, int b, int n) {
        return std::to_string(n) + " pixels in x " + std::to_string(l) + ".." + std::to_string(r) + ", y " +
               std::to_string(t) + ".." + std::to_string(b);
    };
    const std::string expected = box(look->left, look->top, look->right, look->bottom, look->pixels);
    const std::string seen = box(left, top, right, bottom, pixels);
    return seen == expected ? "" : quoted + ": expected " + expected + "; saw " + seen;
}

} // namespace quorrax::test
