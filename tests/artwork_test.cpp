// The pictures in assets/ are drawn by hand-made rules (assets/tools/drawart.cpp), but
// the game relies on them as data: sizes, exact colours, black backgrounds that the masks
// are made from, and black bands where the title screen prints its texts. These tests
// read the PNG files themselves and hold every pixel to those rules.
#include <QColor>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quorrax {
namespace {

const std::filesystem::path artDir = std::filesystem::path(__FILE__).parent_path().parent_path() / "assets";

QImage loadArt(const std::string &name)
{
    const std::filesystem::path path = artDir / name;
    QImage image(QString::fromStdString(path.string()));
    return image.isNull() ? image : image.convertToFormat(QImage::Format_ARGB32);
}

constexpr QRgb rgbOf(int r, int g, int b)
{
    return (QRgb(r) << 16) | (QRgb(g) << 8) | QRgb(b);
}

QRgb colourAt(const QImage &image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}

std::string describe(QRgb c)
{
    return "RGB(" + std::to_string(qRed(c)) + ", " + std::to_string(qGreen(c)) + ", " + std::to_string(qBlue(c)) + ")";
}

constexpr QRgb black = rgbOf(0, 0, 0);
constexpr QRgb white = rgbOf(255, 255, 255);
constexpr QRgb silver = rgbOf(192, 192, 192);
constexpr QRgb grey = rgbOf(128, 128, 128);
constexpr QRgb red = rgbOf(255, 0, 0);
constexpr QRgb maroon = rgbOf(128, 0, 0);
constexpr QRgb olive = rgbOf(128, 128, 0);
constexpr QRgb yellow = rgbOf(255, 255, 0);
constexpr QRgb blue = rgbOf(0, 0, 255);

const std::set<QRgb> titleColours{black, rgbOf(96, 96, 0), rgbOf(128, 128, 0), rgbOf(160, 160, 0), yellow};
const std::set<QRgb> arrowColours{black, white, silver, grey};
const std::set<QRgb> explosionColours{black, red, yellow, maroon, olive};
const std::set<QRgb> vgaColours{
    black,           maroon,          rgbOf(0, 128, 0), olive,  rgbOf(0, 0, 128), rgbOf(128, 0, 128),
    rgbOf(0, 128, 128), silver,       grey,             red,    rgbOf(0, 255, 0), yellow,
    blue,            rgbOf(255, 0, 255), rgbOf(0, 255, 255), white,
};

// An inclusive rectangle of pixels.
struct Area {
    int left, top, right, bottom;
    bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

struct Pixel {
    int x, y;
};

// The first pixel of the picture for which the test holds, scanning row by row.
template<typename Test>
std::optional<Pixel> firstPixel(const QImage &image, Test test)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test(x, y))
                return Pixel{x, y};
    return std::nullopt;
}

TEST(Artwork, PicturesHaveTheirSizesAndAreOpaque)
{
    const struct {
        const char *file;
        int width, height;
    } cases[] = {
        {"title.png", 420, 300}, {"arrow.png", 32, 32},  {"explosion.png", 32, 32},
        {"icon32.png", 32, 32},  {"icon16.png", 16, 16},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const QImage image = loadArt(c.file);
        ASSERT_FALSE(image.isNull()) << "cannot read " << (artDir / c.file).string();
        EXPECT_EQ(image.width(), c.width);
        EXPECT_EQ(image.height(), c.height);
        const auto seeThrough = firstPixel(image, [&](int x, int y) { return qAlpha(image.pixel(x, y)) != 255; });
        EXPECT_FALSE(seeThrough) << "pixel (" << seeThrough->x << ", " << seeThrough->y << ") is not opaque";
    }
}

TEST(Artwork, PicturesUseOnlyTheirPalettes)
{
    const struct {
        const char *file;
        const std::set<QRgb> &allowed;
    } cases[] = {
        {"title.png", titleColours}, {"arrow.png", arrowColours}, {"explosion.png", explosionColours},
        {"icon32.png", vgaColours},  {"icon16.png", vgaColours},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const QImage image = loadArt(c.file);
        ASSERT_FALSE(image.isNull());
        const auto stray = firstPixel(image, [&](int x, int y) { return !c.allowed.contains(colourAt(image, x, y)); });
        EXPECT_FALSE(stray) << "pixel (" << stray->x << ", " << stray->y << ") is "
                            << describe(colourAt(image, stray->x, stray->y));
    }
}

// Each picture must really be drawn with its colours: the title's shading needs all four
// yellows, the arrow all three greys, the burst all four fire colours, and the icon its
// white letters over the three trail colours.
TEST(Artwork, PicturesShowEveryColourOfTheirDesign)
{
    const struct {
        const char *file;
        std::vector<QRgb> needed;
    } cases[] = {
        {"title.png", {black, rgbOf(96, 96, 0), rgbOf(128, 128, 0), rgbOf(160, 160, 0), yellow}},
        {"arrow.png", {black, white, silver, grey}},
        {"explosion.png", {black, red, yellow, maroon, olive}},
        {"icon32.png", {black, white, red, blue, yellow}},
        {"icon16.png", {black, white, red, blue, yellow}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const QImage image = loadArt(c.file);
        ASSERT_FALSE(image.isNull());
        for (QRgb colour : c.needed)
            EXPECT_TRUE(firstPixel(image, [&](int x, int y) { return colourAt(image, x, y) == colour; }))
                << describe(colour) << " does not occur";
    }
}

TEST(Artwork, DrawingStaysWithinItsArea)
{
    const struct {
        const char *file;
        Area drawn;
    } cases[] = {
        // The title screen prints the high score above the lettering and its prompt below it.
        {"title.png", {17, 28, 401, 245}},
        {"arrow.png", {0, 7, 28, 21}},
        {"explosion.png", {2, 5, 28, 27}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const QImage image = loadArt(c.file);
        ASSERT_FALSE(image.isNull());
        const auto outside = firstPixel(
            image, [&](int x, int y) { return colourAt(image, x, y) != black && !c.drawn.contains(x, y); });
        EXPECT_FALSE(outside) << "pixel (" << outside->x << ", " << outside->y << ") is drawn outside the area";
    }
}

TEST(Artwork, BlackBandsAreBlack)
{
    const struct {
        const char *file;
        Area band;
    } cases[] = {
        {"title.png", {0, 246, 419, 299}}, // the prompt "Press Return to start"
        {"title.png", {0, 0, 419, 27}},    // the high-score line
        {"arrow.png", {0, 0, 31, 6}},
        {"arrow.png", {0, 22, 31, 31}},
        {"arrow.png", {29, 0, 31, 31}},
        {"explosion.png", {0, 0, 31, 4}},
        {"explosion.png", {0, 28, 31, 31}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.file) + " rows " + std::to_string(c.band.top) + " to " + std::to_string(c.band.bottom)
                     + ", columns " + std::to_string(c.band.left) + " to " + std::to_string(c.band.right));
        const QImage image = loadArt(c.file);
        ASSERT_FALSE(image.isNull());
        int drawn = 0;
        for (int y = c.band.top; y <= c.band.bottom; ++y)
            for (int x = c.band.left; x <= c.band.right; ++x)
                drawn += colourAt(image, x, y) != black;
        EXPECT_EQ(drawn, 0);
    }
}

TEST(Artwork, TitleLetteringFillsItsArea)
{
    const QImage image = loadArt("title.png");
    ASSERT_FALSE(image.isNull());
    // Two lines of large lettering: both halves of the lettering area are well covered.
    int upper = 0, lower = 0;
    for (int y = 28; y <= 245; ++y)
        for (int x = 17; x <= 401; ++x)
            if (colourAt(image, x, y) != black)
                ++(y < 137 ? upper : lower);
    EXPECT_GT(upper, 10000);
    EXPECT_GT(lower, 10000);
}

TEST(Artwork, ArrowHasItsShaftHeadAndTip)
{
    const QImage image = loadArt("arrow.png");
    ASSERT_FALSE(image.isNull());
    auto drawn = [&](int x, int y) { return colourAt(image, x, y) != black; };

    // The shaft is rows 11 to 17 and starts at the left edge.
    for (int y = 0; y < 32; ++y)
        EXPECT_EQ(drawn(0, y), y >= 11 && y <= 17) << "column 0, row " << y;
    for (int y = 11; y <= 17; ++y)
        for (int x = 0; x <= 28 - 2 * std::abs(y - 14); ++x)
            EXPECT_TRUE(drawn(x, y)) << "gap in the arrow at (" << x << ", " << y << ")";

    // The head spans rows 7 to 21.
    for (int y : {7, 21})
        EXPECT_TRUE(firstPixel(image, [&](int x, int row) { return row == y && x > 0 && drawn(x, row); }))
            << "the head does not reach row " << y;

    // The tip at (28, 14) is the rightmost pixel of the arrow.
    EXPECT_TRUE(drawn(28, 14));
    const auto pastTip = firstPixel(image, [&](int x, int y) { return drawn(x, y) && x >= 28 && !(x == 28 && y == 14); });
    EXPECT_FALSE(pastTip) << "pixel (" << pastTip->x << ", " << pastTip->y << ") lies at or past the tip";
}

TEST(Artwork, ArrowIsLitFromTheTopLeft)
{
    const QImage image = loadArt("arrow.png");
    ASSERT_FALSE(image.isNull());

    const struct {
        int x, y;
        QRgb colour;
    } probes[] = {
        {0, 11, white},  {7, 11, white},  {0, 14, white},  {14, 7, white},  // top and left edges
        {5, 14, silver}, {14, 14, silver}, {20, 13, silver},                 // body
        {7, 17, grey},   {28, 14, grey},  {20, 18, grey},                    // bottom and right edges
    };
    for (const auto &p : probes)
        EXPECT_EQ(describe(colourAt(image, p.x, p.y)), describe(p.colour)) << "at (" << p.x << ", " << p.y << ")";

    // Away from the corners, where a lit and a shaded edge meet, the rule is strict: an
    // edge facing up or left is white, one facing down or right is dark grey, and every
    // pixel inside is light grey.
    for (int y = 1; y < 31; ++y)
        for (int x = 1; x < 31; ++x) {
            const QRgb c = colourAt(image, x, y);
            if (c == black)
                continue;
            const bool lit = colourAt(image, x, y - 1) == black || colourAt(image, x - 1, y) == black;
            const bool shaded = colourAt(image, x, y + 1) == black || colourAt(image, x + 1, y) == black;
            if (lit && shaded)
                continue;
            const QRgb expected = lit ? white : shaded ? grey : silver;
            EXPECT_EQ(describe(c), describe(expected)) << "at (" << x << ", " << y << ")";
        }
}

TEST(Artwork, IconShowsLettersOverTrails)
{
    const struct {
        const char *file;
        int minimumLetterPixels;
        int minimumTrailPixels;
    } cases[] = {
        {"icon32.png", 80, 150},
        {"icon16.png", 25, 30},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const QImage image = loadArt(c.file);
        ASSERT_FALSE(image.isNull());
        int letters = 0, trails = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb colour = colourAt(image, x, y);
                letters += colour == white;
                trails += colour == red || colour == blue || colour == yellow;
            }
        EXPECT_GE(letters, c.minimumLetterPixels);
        EXPECT_GE(trails, c.minimumTrailPixels);
    }
}

} // namespace
} // namespace quorrax
