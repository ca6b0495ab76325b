// SPDX-License-Identifier: MIT
#include "game/field.h"
#include "qthost/changedrows.h"

#include <gtest/gtest.h>

#include <random>

// What the window is handed of each frame: the rectangles of the changes, laid over the
// frame the window showed before, give the new frame exactly, whatever changed and where.

namespace quorrax {
namespace {

QImage frameOf(const Surface &surface)
{
    QImage image(surface.width(), surface.height(), QImage::Format_RGBX8888);
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x)
            reinterpret_cast<std::uint32_t *>(image.scanLine(y))[x] = surface.pixel(x, y) | 0xFF000000u;
    return image;
}

// Changes of the kinds a frame has: heads and text (small blocks, some the same colour as
// what is under them), pixels apart by more or less than a run's gap, whole-row copies that
// hand on their stamps, and sometimes nothing at all.
void change(Surface &buffer, std::mt19937 &random)
{
    const auto any = [&random](int below) { return int(random() % unsigned(below)); };
    const Color colours[] = {black, red, blue, yellow, green, white};
    const int changes = any(6);
    for (int i = 0; i < changes; ++i) {
        const Color c = colours[any(6)];
        const int x = any(field::width), y = any(field::height);
        const int kind = any(4);
        if (kind == 0)
            BitBlt(buffer, x, y, 1 + any(40), 1 + any(12), Surface(40, 12, c), Rop::SrcCopy);
        else if (kind == 1)
            buffer.setPixel(x, y, c), buffer.setPixel(std::min(field::width - 1, x + 1 + any(40)), y, c);
        else if (kind == 2)
            BitBlt(buffer, 0, y, field::width, 1, Surface(field::width, 1, c), Rop::SrcCopy);
        else
            buffer.Line(x, y, x + any(30) - 15, y, c);
    }
}

TEST(ChangedRows, TheRectanglesCarryTheNewFrameOverTheOld)
{
    std::mt19937 random(20261206);
    Surface buffer(field::width, field::height);
    QImage image(field::width, field::height, QImage::Format_RGBX8888);
    ChangedRows changes;
    changes.take(buffer, image);
    for (int frame = 0; frame < 400; ++frame) {
        const QImage before = frameOf(buffer);
        change(buffer, random);
        const QImage after = frameOf(buffer);
        const std::vector<QRect> rects = changes.take(buffer, image);
        QImage shown = before;
        for (const QRect &r : rects) {
            ASSERT_TRUE(after.rect().contains(r)) << "frame " << frame;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    shown.setPixel(x, y, after.pixel(x, y));
        }
        ASSERT_EQ(shown, after) << "frame " << frame << ": the rectangles missed a change";
        ASSERT_EQ(image, after) << "frame " << frame << ": the window's image is not the frame";
        ASSERT_EQ(rects.empty(), before == after) << "frame " << frame;
    }
}

} // namespace
} // namespace quorrax
