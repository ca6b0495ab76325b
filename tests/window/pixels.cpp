#include "pixels.h"

#include <sstream>

namespace quorrax::window {

std::string describe(QRgb colour)
{
    std::ostringstream text;
    text << "RGB(" << qRed(colour) << ", " << qGreen(colour) << ", " << qBlue(colour) << ")";
    return text.str();
}

std::string describe(const QRect &rect)
{
    std::ostringstream text;
    text << "x " << rect.left() << ".." << rect.right() << ", y " << rect.top() << ".." << rect.bottom();
    return text.str();
}

QImage asset(const char *name)
{
    QImage picture(QStringLiteral(QUORRAX_ASSETS_DIR "/") + QString::fromLatin1(name));
    return picture.isNull() ? picture : picture.convertToFormat(QImage::Format_RGB32);
}

int countColour(const QImage &image, const QRect &area, QRgb colour)
{
    int count = 0;
    const QRect inside = area & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += image.pixel(x, y) == colour ? 1 : 0;
    return count;
}

int countNonBlack(const QImage &image, const QRect &area)
{
    const QRect inside = area & image.rect();
    return inside.width() * inside.height() - countColour(image, inside, black);
}

Verdict showsPicture(const QImage &client, const QImage &picture, QPoint at, const QRect &area)
{
    if (picture.isNull())
        return {false, "the expected picture could not be loaded"};
    int wrong = 0;
    std::ostringstream first;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb want = picture.pixel(x, y);
            const QRgb have = client.pixel(at.x() + x, at.y() + y);
            if (want != have && wrong++ == 0)
                first << "first at (" << at.x() + x << ", " << at.y() + y << "): expected " << describe(want)
                      << ", saw " << describe(have);
        }
    }
    if (wrong == 0)
        return {true, {}};
    std::ostringstream seen;
    seen << wrong << " of " << area.width() * area.height() << " pixels differ; " << first.str();
    return {false, seen.str()};
}

Verdict showsSprite(const QImage &client, const QImage &sprite, QPoint at, int *exactPixels)
{
    if (sprite.isNull())
        return {false, "the sprite could not be loaded"};
    int shape = 0;
    int exact = 0;
    int wrong = 0;
    std::ostringstream first;
    for (int y = 0; y < sprite.height(); ++y) {
        for (int x = 0; x < sprite.width(); ++x) {
            const QRgb want = sprite.pixel(x, y);
            if (want == black)
                continue;
            ++shape;
            const QPoint p = at + QPoint(x, y);
            const QRgb have = client.rect().contains(p) ? client.pixel(p) : black;
            if (have == want) {
                ++exact;
            } else if (have != green && wrong++ == 0) {
                first << "; first wrong pixel at (" << p.x() << ", " << p.y() << "): expected " << describe(want)
                      << ", saw " << describe(have);
            }
        }
    }
    if (exactPixels != nullptr)
        *exactPixels = exact;
    std::ostringstream seen;
    seen << exact << " of " << shape << " sprite pixels exact, " << wrong << " wrong" << first.str();
    return {wrong == 0 && exact * 4 >= shape * 3, seen.str()};
}

Verdict showsHead(const QImage &client, QPoint corner, int size, QRgb colour)
{
    int own = 0;
    std::ostringstream problems;
    const QRect ring(corner - QPoint(1, 1), QSize(size + 2, size + 2));
    for (int y = ring.top(); y <= ring.bottom(); ++y) {
        for (int x = ring.left(); x <= ring.right(); ++x) {
            const bool inside = x > ring.left() && x < ring.right() && y > ring.top() && y < ring.bottom();
            const QRgb have = client.pixel(x, y);
            const QRgb want = inside ? colour : black;
            if (have == want) {
                own += inside ? 1 : 0;
            } else if (have != green && problems.tellp() == 0) {
                problems << "; at (" << x << ", " << y << ") expected " << describe(want) << ", saw " << describe(have);
            }
        }
    }
    std::ostringstream seen;
    seen << own << " of " << size * size << " pixels of " << describe(colour) << " at "
         << describe(QRect(corner, QSize(size, size))) << problems.str();
    return {problems.tellp() == 0 && own * 2 >= size * size, seen.str()};
}

Verdict hasColour(const QImage &client, const QRect &area, QRgb colour, int least)
{
    const int count = countColour(client, area, colour);
    std::ostringstream seen;
    seen << count << " pixels of " << describe(colour) << " in " << describe(area) << " (wanted at least " << least
         << ")";
    return {count >= least, seen.str()};
}

Verdict sameArea(const QImage &a, const QImage &b, const QRect &area)
{
    int differ = 0;
    std::ostringstream first;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y) && differ++ == 0)
                first << ", first at (" << x << ", " << y << "): " << describe(a.pixel(x, y)) << " then "
                      << describe(b.pixel(x, y));
        }
    }
    std::ostringstream seen;
    seen << differ << " pixels differ in " << describe(area) << first.str();
    return {differ == 0, seen.str()};
}

Verdict allOf(std::initializer_list<Verdict> verdicts)
{
    Verdict all{true, {}};
    for (const Verdict &verdict : verdicts) {
        all.ok = all.ok && verdict.ok;
        if (!all.seen.empty())
            all.seen += "; ";
        all.seen += (verdict.ok ? "ok: " : "NOT: ") + verdict.seen;
    }
    return all;
}

} // namespace quorrax::window
