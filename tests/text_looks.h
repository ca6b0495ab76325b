#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace quorrax::testing {

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

inline constexpr TextLook textLooks[] = {
    {"High Score(Single):120", 0, 0, 9, 1, 2, 129, 12, 309},
    {"High Score(Single):47", 0, 0, 9, 1, 2, 121, 12, 293},
    {"High Score(Single):0", 0, 0, 9, 1, 2, 113, 12, 277},
    {"High Score(Single):5", 0, 0, 9, 1, 2, 112, 12, 279},
    {"Press Return to start", 260, 260, 12, 262, 262, 410, 273, 342},
    {"Game Mode", 10, 10, 24, 12, 14, 191, 37, 1153},
    {"Single", 110, 100, 24, 112, 104, 200, 133, 657},
    {"Battle", 110, 168, 24, 113, 172, 196, 195, 634},
    {"Please choose by pressing 'Up' or 'Down'.", 15, 40, 12, 17, 42, 318, 56, 687},
    {" 3", 160, 100, 72, 191, 113, 238, 183, 1186},
    {" 2", 160, 100, 72, 193, 113, 240, 182, 1250},
    {" 1", 160, 100, 72, 196, 113, 222, 182, 691},
    {"Game Over!", 30, 30, 36, 32, 37, 289, 71, 2259},
    {"You Got High Score!", 35, 68, 24, 35, 72, 334, 101, 1754},
    {"Press Return", 80, 105, 14, 82, 108, 190, 121, 422},
    {"BLUE Won!", 30, 30, 36, 35, 37, 277, 71, 2324},
    {"RED Won!", 30, 30, 36, 35, 37, 251, 71, 2179},
};

// "Score:1" to "Score:47" at (10, 10) in 9 points fill rows 12 to 20 from column 11: the
// right edge and the pixel count of each.
inline constexpr std::pair<int, int> scoreLooks[] = {
    {50, 89},  {52, 99},  {52, 99},  {52, 100}, {51, 102}, {52, 102}, {52, 94},  {52, 103}, {52, 104}, {60, 111},
    {58, 100}, {60, 110}, {60, 110}, {60, 111}, {59, 113}, {60, 113}, {60, 105}, {60, 114}, {60, 115}, {60, 121},
    {58, 110}, {60, 120}, {60, 120}, {60, 121}, {59, 123}, {60, 123}, {60, 115}, {60, 124}, {60, 125}, {60, 121},
    {58, 110}, {60, 120}, {60, 120}, {60, 121}, {59, 123}, {60, 123}, {60, 115}, {60, 124}, {60, 125}, {60, 122},
    {58, 111}, {60, 121}, {60, 121}, {60, 122}, {59, 124}, {60, 124}, {60, 116},
};

inline std::optional<TextLook> lookOf(std::string_view text, int x, int y, double points)
{
    for (const TextLook &look : textLooks)
        if (look.text == text && look.x == x && look.y == y && look.points == points)
            return look;
    constexpr std::string_view score = "Score:";
    for (std::size_t n = 1; n <= std::size(scoreLooks) && x == 10 && y == 10 && points == 9; ++n)
        if (text.starts_with(score) && text.substr(score.size()) == std::to_string(n))
            return TextLook{text, x, y, points, 11, 12, scoreLooks[n - 1].first, 20, scoreLooks[n - 1].second};
    return std::nullopt;
}

// Compares the pixels for which `lit(x, y)` holds, in the rows of the look's box from a few
// pixels left of it to a few right of it, with the look: "" when they fill that box with its
// number of pixels, else what they showed. Anything of the text's colour just beside it, as
// a "7" after "Score:4", widens the box. Above and below, another text may follow at once.
template <class Lit>
std::string compareLook(const TextLook &look, int width, int height, Lit lit)
{
    constexpr int around = 4;
    int left = width, top = height, right = -1, bottom = -1, pixels = 0;
    for (int y = std::max(0, look.top); y <= std::min(height - 1, look.bottom); ++y)
        for (int x = std::max(0, look.left - around); x <= std::min(width - 1, look.right + around); ++x)
            if (lit(x, y)) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
                ++pixels;
            }
    if (left == look.left && top == look.top && right == look.right && bottom == look.bottom && pixels == look.pixels)
        return "";
    const auto box = [](int l, int t, int r, int b, int n) {
        return "x " + std::to_string(l) + ".." + std::to_string(r) + ", y " + std::to_string(t) + ".." +
               std::to_string(b) + ", " + std::to_string(n) + " pixels";
    };
    return "expected " + box(look.left, look.top, look.right, look.bottom, look.pixels) + "; saw " +
           (pixels ? box(left, top, right, bottom, pixels) : "nothing");
}

} // namespace quorrax::testing
