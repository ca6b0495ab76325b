// SPDX-License-Identifier: MIT
#include "pixels.h"

#include "../text_looks.h"

namespace quorrax::window {

std::string describe(QRgb c)
{
    return QStringLiteral("RGB(%1, %2, %3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c)).toStdString();
}

std::string describe(const QRect &r)
{
    return QStringLiteral("x %1..%2, y %3..%4").arg(r.left()).arg(r.right()).arg(r.top()).arg(r.bottom()).toStdString();
}

QImage asset(const char *name)
{
    const QImage picture(QStringLiteral(QUORRAX_ASSETS_DIR "/") + QString::fromLatin1(name));
    return picture.isNull() ? picture : picture.convertToFormat(QImage::Format_RGB32);
}

int countColour(const QImage &image, const QRect &area, QRgb colour)
{
    int count = 0;
    const QRect inside = area & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += image.pixel(x, y) == colour;
    return count;
}

int countNonBlack(const QImage &image, const QRect &area)
{
    return (area & image.rect()).width() * (area & image.rect()).height() - countColour(image, area, black);
}

// `picture` over the client with its top-left corner at `at`, compared in `area` of the
// picture. Black pixels of a sprite do not count; green ones of the client over a sprite
// are the game's text and no fault. Returns how many pixels matched, and
// what was wrong first.
static int compare(const QImage &client, const QImage &picture, QPoint at, const QRect &area, bool sprite,
                   std::string &wrong)
{
    int matched = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QPoint p = at + QPoint(x, y);
            const QRgb want = picture.pixel(x, y), have = client.rect().contains(p) ? client.pixel(p) : black;
            matched += want == have && !(sprite && want == black);
            if (want != have && !(sprite && want == black) && !(sprite && have == green) && wrong.empty())
                wrong = "at (" + std::to_string(p.x()) + ", " + std::to_string(p.y()) + ") expected " + describe(want) +
                        ", saw " + describe(have);
        }
    return matched;
}

Verdict showsPicture(const QImage &client, const QImage &picture, QPoint at, const QRect &area)
{
    std::string wrong = picture.isNull() ? "no picture" : "";
    compare(client, picture, at, area, false, wrong);
    return {wrong.empty(), wrong};
}

Verdict showsSprite(const QImage &client, const QImage &sprite, QPoint at)
{
    std::string wrong = sprite.isNull() ? "no sprite" : "";
    const int exact = compare(client, sprite, at, sprite.rect(), true, wrong);
    const int shape = sprite.width() * sprite.height() - countColour(sprite, sprite.rect(), black);
    return {wrong.empty() && exact * 4 >= shape * 3,
            std::to_string(exact) + " of " + std::to_string(shape) + " exact " + wrong};
}

Verdict hasColour(const QImage &client, const QRect &area, QRgb colour, int least)
{
    const int count = countColour(client, area, colour);
    return {count >= least, std::to_string(count) + " pixels of " + describe(colour) + " in " + describe(area) +
                                ", not " + std::to_string(least)};
}

Verdict showsText(const QImage &client, std::string_view text, int x, int y, double points, QRgb colour)
{
    const std::string wrong = test::judgeText(text, x, y, points, client.width(), client.height(),
                                              [&](int px, int py) { return client.pixel(px, py) == colour; });
    return {wrong.empty(), wrong.empty() ? std::string(text).append(" in its place, size, font and colour") : wrong};
}

Verdict sameArea(const QImage &a, const QImage &b, const QRect &area)
{
    std::string wrong;
    compare(b, a.convertToFormat(QImage::Format_RGB32), {0, 0}, area, false, wrong);
    return {wrong.empty(), wrong.empty() ? "the same in " + describe(area) : wrong};
}

Verdict allOf(std::initializer_list<Verdict> verdicts)
{
    Verdict all{true, {}};
    for (const Verdict &v : verdicts)
        all = {all.ok && v.ok, all.seen + (all.seen.empty() ? "" : "; ") + (v.ok ? "ok: " : "NOT: ") + v.seen};
    return all;
}

} // namespace quorrax::window
