#include "pixels.h"

namespace quorrax::window {

std::string describe(QRgb colour)
{
    return QStringLiteral("RGB(%1, %2, %3)").arg(qRed(colour)).arg(qGreen(colour)).arg(qBlue(colour)).toStdString();
}

std::string describe(const QRect &rect)
{
    return QStringLiteral("x %1..%2, y %3..%4").arg(rect.left()).arg(rect.right()).arg(rect.top()).arg(rect.bottom()).toStdString();
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
    const QRect inside = area & image.rect();
    return inside.width() * inside.height() - countColour(image, inside, black);
}

namespace {

// Compares `want(p)` with the client's pixel at `at + p` for every p in `area`; pixels where
// `want` gives 0 do not count, and where `excused` holds a difference is no fault.
Verdict compare(const QImage &client, QPoint at, const QRect &area, const std::function<QRgb(QPoint)> &want,
                const std::function<bool(QRgb)> &excused, int *matched = nullptr)
{
    int same = 0, wrong = 0;
    std::string first;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QPoint p = at + QPoint(x, y);
            const QRgb w = want({x, y}), have = client.rect().contains(p) ? client.pixel(p) : black;
            if (w == 0 || have == w) {
                same += w != 0;
            } else if (!excused(have) && wrong++ == 0) {
                first = "; first at (" + std::to_string(p.x()) + ", " + std::to_string(p.y()) + "): expected " +
                        describe(w) + ", saw " + describe(have);
            }
        }
    if (matched != nullptr)
        *matched = same;
    return {wrong == 0, std::to_string(same) + " pixels right, " + std::to_string(wrong) + " wrong" + first};
}

} // namespace

Verdict showsPicture(const QImage &client, const QImage &picture, QPoint at, const QRect &area)
{
    if (picture.isNull())
        return {false, "the expected picture could not be loaded"};
    return compare(client, at, area, [&](QPoint p) { return picture.pixel(p); }, [](QRgb) { return false; });
}

Verdict showsSprite(const QImage &client, const QImage &sprite, QPoint at, int *exactPixels)
{
    const auto want = [&](QPoint p) { return sprite.pixel(p) == black ? 0 : sprite.pixel(p); };
    int exact = 0, shape = sprite.width() * sprite.height() - countColour(sprite, sprite.rect(), black);
    Verdict verdict = compare(client, at, sprite.rect(), want, [](QRgb c) { return c == green; }, &exact);
    if (exactPixels != nullptr)
        *exactPixels = exact;
    verdict.ok = verdict.ok && !sprite.isNull() && exact * 4 >= shape * 3;
    return verdict;
}

Verdict showsHead(const QImage &client, QPoint corner, int size, QRgb colour)
{
    const QRect square(QPoint(0, 0), QSize(size, size));
    int own = 0;
    Verdict verdict = compare(client, corner, square.adjusted(-1, -1, 1, 1),
                              [&](QPoint p) { return square.contains(p) ? colour : black; },
                              [](QRgb c) { return c == green; }, &own);
    own = countColour(client, QRect(corner, square.size()), colour);
    verdict.ok = verdict.ok && own * 2 >= size * size;
    verdict.seen = describe(colour) + " head at " + describe(QRect(corner, square.size())) + ": " + verdict.seen;
    return verdict;
}

Verdict hasColour(const QImage &client, const QRect &area, QRgb colour, int least)
{
    const int count = countColour(client, area, colour);
    return {count >= least, std::to_string(count) + " pixels of " + describe(colour) + " in " + describe(area) +
                                " (wanted at least " + std::to_string(least) + ")"};
}

Verdict sameArea(const QImage &a, const QImage &b, const QRect &area)
{
    return compare(b, {0, 0}, area, [&](QPoint p) { return a.pixel(p) | 0xff000000; }, [](QRgb) { return false; });
}

Verdict allOf(std::initializer_list<Verdict> verdicts)
{
    Verdict all{true, {}};
    for (const Verdict &verdict : verdicts)
        all = {all.ok && verdict.ok, all.seen + (all.seen.empty() ? "" : "; ") + (verdict.ok ? "ok: " : "NOT: ") + verdict.seen};
    return all;
}

} // namespace quorrax::window
