// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

namespace quorrax::test {

// The window's font: every text of the game is printed in IPAPGothic, hard-edged and fully
// hinted, at 96 dots per inch (9 points are 12 pixels).
inline QFont lookFont(double points)
{
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(int(std::lround(points * 96.0 / 72.0)));
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

inline bool lookFontThere()
{
    return QFontInfo(lookFont(9)).family() == QStringLiteral("IPAPGothic");
}

// Where the glyph pixels of `text` printed with the top of its line at (x, y) fall. The
// glyphs come from this machine's own Qt and FreeType, so the look holds on any release.
inline std::vector<std::pair<int, int>> lookPixels(std::string_view text, int x, int y, double points)
{
    const QFont font = lookFont(points);
    const QFontMetrics metrics(font);
    const QString string = QString::fromUtf8(text.data(), qsizetype(text.size()));
    constexpr int margin = 16;
    QImage image(metrics.horizontalAdvance(string) + 2 * margin, metrics.height() + 2 * margin,
                 QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(margin, margin + metrics.ascent(), string);
    painter.end();
    std::vector<std::pair<int, int>> pixels;
    for (int py = 0; py < image.height(); ++py)
        for (int px = 0; px < image.width(); ++px)
            if (qGreen(image.pixel(px, py)) >= 128)
                pixels.emplace_back(x + px - margin, y + py - margin);
    return pixels;
}

// Compares the pixels for which `lit(x, y)` holds with the look of `text` printed at (x, y)
// in `points`: "" when, in the rows of the look's box from a few pixels left of it to a few
// right of it, they fill exactly the look's box and all but a few stray pixels are the look's
// own; else what they showed. So a text a pixel out of place, a size smaller or in another
// font fails, whatever the font machinery's release. Anything of the text's colour just
// beside it, as a "7" after "Score:4", widens the box. Above and below, another text may
// follow at once.
template <class Lit>
std::string judgeText(std::string_view text, int x, int y, double points, int width, int height, Lit lit)
{
    // Each message starts from a std::string: GCC 12 warns wrongly of overlapping copies in
    // "literal" + std::string when it inlines them.
    const std::string quoted = std::string(1, '"').append(text).append(1, '"');
    const std::vector<std::pair<int, int>> look = lookPixels(text, x, y, points);
    if (look.empty())
        return quoted + ": the font draws nothing for it";
    int lookLeft = width, lookTop = height, lookRight = -1, lookBottom = -1;
    for (const auto &[px, py] : look)
        lookLeft = std::min(lookLeft, px), lookRight = std::max(lookRight, px), lookTop = std::min(lookTop, py),
        lookBottom = std::max(lookBottom, py);

    constexpr int around = 4;
    int left = width, top = height, right = -1, bottom = -1, pixels = 0, lookLit = 0;
    for (int py = std::max(0, lookTop); py <= std::min(height - 1, lookBottom); ++py)
        for (int px = std::max(0, lookLeft - around); px <= std::min(width - 1, lookRight + around); ++px)
            if (lit(px, py))
                left = std::min(left, px), right = std::max(right, px), top = std::min(top, py),
                bottom = std::max(bottom, py), ++pixels;
    for (const auto &[px, py] : look)
        lookLit += px >= 0 && py >= 0 && px < width && py < height && lit(px, py);
    // Pixels of the look missing, and pixels lit where the look has none.
    const int stray = int(look.size()) - lookLit + pixels - lookLit;

    const auto box = [](int l, int t, int r, int b) {
        return "x " + std::to_string(l) + ".." + std::to_string(r) + ", y " + std::to_string(t) + ".." +
               std::to_string(b);
    };
    const std::string expected = box(lookLeft, lookTop, lookRight, lookBottom);
    const std::string seen = box(left, top, right, bottom);
    if (seen != expected)
        return quoted + ": expected its pixels in " + expected + "; saw " + std::to_string(pixels) + " in " + seen;
    if (stray * 50 > int(look.size()))
        return quoted + ": " + std::to_string(stray) + " of its " + std::to_string(look.size()) +
               " pixels differ from its look";
    return "";
}

} // namespace quorrax::test
