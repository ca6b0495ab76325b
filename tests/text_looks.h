// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

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
inline std::vector<QPoint> lookPixels(std::string_view text, int x, int y, double points)
{
    const QFont font = lookFont(points);
    const QFontMetrics metrics(font);
    const QString string = QString::fromUtf8(text.data(), qsizetype(text.size()));
    constexpr int margin = 16;
    QImage image(metrics.horizontalAdvance(string) + 2 * margin, metrics.height() + 2 * margin, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(margin, margin + metrics.ascent(), string);
    painter.end();
    std::vector<QPoint> pixels;
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
    const std::string quoted = std::string(1, '"').append(text).append(1, '"');
    const std::vector<QPoint> look = lookPixels(text, x, y, points);
    QRect lookBox, seenBox;
    for (const QPoint &p : look)
        lookBox |= QRect(p, QSize(1, 1));
    const QRect screen(0, 0, width, height);
    int seen = 0, shared = 0;
    for (int py = lookBox.top(); py <= lookBox.bottom(); ++py)
        for (int px = lookBox.left() - 4; px <= lookBox.right() + 4; ++px)
            if (screen.contains(px, py) && lit(px, py))
                seenBox |= QRect(px, py, 1, 1), ++seen;
    for (const QPoint &p : look)
        shared += screen.contains(p) && lit(p.x(), p.y());
    const auto box = [](const QRect &r) {
        return "x " + std::to_string(r.left()) + ".." + std::to_string(r.right()) + ", y " +
               std::to_string(r.top()) + ".." + std::to_string(r.bottom());
    };
    if (look.empty())
        return quoted + ": the font draws nothing for it";
    if (seenBox != lookBox)
        return quoted + ": expected its pixels in " + box(lookBox) + "; saw " + std::to_string(seen) + " in " +
               (seen ? box(seenBox) : "none");
    // Pixels of the look missing, and pixels lit where the look has none.
    const int stray = int(look.size()) - shared + seen - shared;
    if (stray * 50 > int(look.size()))
        return quoted + ": " + std::to_string(stray) + " of its " + std::to_string(look.size()) +
               " pixels differ from its look";
    return "";
}

} // namespace quorrax::test
