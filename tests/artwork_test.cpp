// SPDX-License-Identifier: MIT
// The pictures in assets/ are data the game relies on: their sizes, their exact colours,
// and black where the masks must let the field show through and where texts are printed.
#include "game/field.h"

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace quorrax {
namespace {

const std::filesystem::path assets = std::filesystem::path(QUORRAX_TEST_DATA).parent_path().parent_path() / "assets";

QImage picture(const std::string &file)
{
    return QImage(QString::fromStdString((assets / file).string())).convertToFormat(QImage::Format_ARGB32);
}

TEST(Artwork, SizesColoursAndBlackBands)
{
    struct Band {
        int left, top, right, bottom; // inclusive
    };
    const struct {
        const char *file;
        int width, height;
        std::set<QRgb> colours; // exactly these, each of them used
        std::vector<Band> black;
        // clang-format off
    } rows[] = {
        // Black above the lettering for the high score, below it for the prompt.
        {"title.png", field::width, field::height, {0x000000, 0x606000, 0x808000, 0xA0A000, 0xFFFF00}, {{0, 0, 419, 27}, {0, 246, 419, 299}}},
        {"arrow.png", 32, 32, {0x000000, 0xFFFFFF, 0xC0C0C0, 0x808080}, {{0, 0, 31, 6}, {0, 22, 31, 31}, {29, 0, 31, 31}}},
        {"explosion.png", 32, 32, {0x000000, 0xFF0000, 0xFFFF00, 0x800000, 0x808000}, {{0, 0, 31, 4}, {0, 28, 31, 31}}},
        {"icon32.png", 32, 32, {0x000000, 0xFFFFFF, 0xFF0000, 0x0000FF, 0xFFFF00}, {}},
        {"icon16.png", 16, 16, {0x000000, 0xFFFFFF, 0xFF0000, 0x0000FF, 0xFFFF00}, {}},
    };
    // clang-format on
    for (const auto &row : rows) {
        SCOPED_TRACE(row.file);
        const QImage image = picture(row.file);
        ASSERT_EQ(image.size(), QSize(row.width, row.height));
        std::set<QRgb> used;
        int seeThrough = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                used.insert(image.pixel(x, y) & 0xFFFFFF);
                seeThrough += qAlpha(image.pixel(x, y)) != 255;
            }
        EXPECT_EQ(used, row.colours);
        EXPECT_EQ(seeThrough, 0);
        for (const Band &band : row.black) {
            int drawn = 0;
            for (int y = band.top; y <= band.bottom; ++y)
                for (int x = band.left; x <= band.right; ++x)
                    drawn += (image.pixel(x, y) & 0xFFFFFF) != 0;
            EXPECT_EQ(drawn, 0) << "rows " << band.top << " to " << band.bottom;
        }
    }
    for (int size : {16, 32, 48, 64, 128, 256}) { // the desktop's: a tile on a transparent ground
        const QImage icon = picture("icons/quorrax-" + std::to_string(size) + ".png");
        EXPECT_EQ(icon.size(), QSize(size, size));
        EXPECT_TRUE(qAlpha(icon.pixel(0, 0)) == 0 && qAlpha(icon.pixel(size / 2, size / 2)) == 255) << size;
    }
}

} // namespace
} // namespace quorrax
