// Draws the game's pictures pixel by pixel: the title, the arrow cursor, the explosion and
// the window icon. Every pixel gets one colour of the picture's small palette, never a
// blend, because the sprites are drawn through exact masks and the title may use only
// its four yellows on black. The desktop's icons, which are smooth, come from
// desktopicon.cpp. The build target `art` runs this tool on assets/.
#include "desktopicon.h"

#include <QImage>
#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace quorrax {
namespace {

struct Rgb {
    int r, g, b;
};

constexpr Rgb black{0, 0, 0};

// A picture being drawn: one palette colour per pixel, black where nothing is drawn.
class Canvas
{
public:
    Canvas(int width, int height)
        : m_width(width), m_height(height), m_pixels(std::size_t(width * height), black)
    {}

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }

    void set(int x, int y, Rgb c)
    {
        if (contains(x, y))
            m_pixels[std::size_t(y * m_width + x)] = c;
    }
    Rgb at(int x, int y) const { return contains(x, y) ? m_pixels[std::size_t(y * m_width + x)] : black; }

    bool save(const std::string &path) const
    {
        QImage image(m_width, m_height, QImage::Format_RGB32);
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x) {
                const Rgb c = at(x, y);
                image.setPixel(x, y, qRgb(c.r, c.g, c.b));
            }
        return image.save(QString::fromStdString(path), "PNG");
    }

private:
    int m_width;
    int m_height;
    std::vector<Rgb> m_pixels;
};

// A set of pixels, the shape of a letter or a sprite before it is shaded.
class Mask
{
public:
    Mask(int width, int height) : m_width(width), m_height(height), m_bits(std::size_t(width * height), 0) {}
    int width() const { return m_width; }
    int height() const { return m_height; }
    bool operator()(int x, int y) const
    {
        return x >= 0 && y >= 0 && x < m_width && y < m_height && m_bits[std::size_t(y * m_width + x)];
    }
    void set(int x, int y, bool on = true)
    {
        if (x >= 0 && y >= 0 && x < m_width && y < m_height)
            m_bits[std::size_t(y * m_width + x)] = on ? 1 : 0;
    }

private:
    int m_width;
    int m_height;
    std::vector<std::uint8_t> m_bits;
};

using Polygon = std::vector<std::array<double, 2>>;

// Even-odd test of a point against one polygon.
bool insidePolygon(const Polygon &poly, double px, double py)
{
    bool in = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const double xi = poly[i][0], yi = poly[i][1], xj = poly[j][0], yj = poly[j][1];
        if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi)
            in = !in;
    }
    return in;
}

// ---------------------------------------------------------------------------------------
// Title lettering
// ---------------------------------------------------------------------------------------

// A letter on a box of 12 x 14 units: solid outlines, counters cut out of them, and
// strokes laid on top after the cut (the tail of the Q crosses its counter's edge).
struct Glyph {
    std::vector<Polygon> solid;
    std::vector<Polygon> holes;
    std::vector<Polygon> over;
};

const Polygon ringOutline{{3, 0}, {9, 0}, {12, 3}, {12, 11}, {9, 14}, {3, 14}, {0, 11}, {0, 3}};
const Polygon ringCounter{{5, 3}, {7, 3}, {8, 4}, {8, 10}, {7, 11}, {5, 11}, {4, 10}, {4, 4}};

Glyph glyphFor(char letter)
{
    switch (letter) {
    case 'Q':
        return {{ringOutline}, {ringCounter}, {{{6, 8.5}, {9, 8.5}, {12.5, 16}, {9.5, 16}}}};
    case 'U':
        return {{{{0, 0}, {4, 0}, {4, 10}, {5, 11}, {7, 11}, {8, 10}, {8, 0}, {12, 0}, {12, 11}, {9, 14}, {3, 14}, {0, 11}}},
                {},
                {}};
    case 'O':
        return {{ringOutline}, {ringCounter}, {}};
    case 'R':
        return {{{{0, 0}, {9, 0}, {12, 3}, {12, 6}, {10, 8}, {12.5, 14}, {8.5, 14}, {5.5, 9}, {4, 9}, {4, 14}, {0, 14}}},
                {{{4, 3}, {7, 3}, {8, 4}, {8, 5}, {7, 6}, {4, 6}}},
                {}};
    case 'A':
        return {{{{3, 0}, {9, 0}, {12, 3}, {12, 14}, {8, 14}, {8, 10}, {4, 10}, {4, 14}, {0, 14}, {0, 3}}},
                {{{5, 3}, {7, 3}, {8, 4}, {8, 7}, {4, 7}, {4, 4}}},
                {}};
    case 'X':
        return {{{{0, 0}, {4, 0}, {6, 4.5}, {8, 0}, {12, 0}, {8, 7}, {12, 14}, {8, 14}, {6, 9.5}, {4, 14}, {0, 14}, {4, 7}}},
                {},
                {}};
    default:
        return {};
    }
}

constexpr int unit = 6;          // pixels per design unit of a letter
constexpr int letterAdvance = 14; // units from one letter's left edge to the next

// Sets the pixels of a word whose first letter's top-left corner is at (left, top).
void stampWord(Mask &mask, const std::string &word, int left, int top)
{
    int advance = 0;
    for (std::size_t n = 0; n < word.size(); ++n) {
        const Glyph g = glyphFor(word[n]);
        const int ox = left + advance * unit;
        advance += word[n] == 'Q' ? 15 : letterAdvance;
        for (int y = top - unit; y < top + 16 * unit; ++y)
            for (int x = ox - unit; x < ox + 16 * unit; ++x) {
                const double ux = (x + 0.5 - ox) / unit, uy = (y + 0.5 - top) / unit;
                auto hit = [&](const std::vector<Polygon> &polys) {
                    return std::any_of(polys.begin(), polys.end(),
                                       [&](const Polygon &p) { return insidePolygon(p, ux, uy); });
                };
                if ((hit(g.solid) && !hit(g.holes)) || hit(g.over))
                    mask.set(x, y);
            }
    }
}

// The title's four yellows; the full yellow is also the yellow of the sprites.
constexpr Rgb yellow96{96, 96, 0};
constexpr Rgb yellow128{128, 128, 0};
constexpr Rgb yellow160{160, 160, 0};
constexpr Rgb yellow{255, 255, 0};

using FaceColor = std::function<Rgb(int x, int y)>;

// Shades a shape as a bevelled slab lit from the top left, standing out of the picture
// on a deep block that falls away to the bottom right.
void shadeRaised(Canvas &canvas, const Mask &shape, int bevel, int depth, const FaceColor &face)
{
    for (int d = depth; d >= 1; --d)
        for (int y = 0; y < shape.height(); ++y)
            for (int x = 0; x < shape.width(); ++x)
                if (shape(x - d, y - d) && !shape(x, y))
                    canvas.set(x, y, yellow96);

    // A pixel of the rim takes its light from the direction in which the outside lies,
    // averaged over a small disc so that slanted edges shade evenly instead of in steps.
    const int reach = bevel + 2;
    for (int y = 0; y < shape.height(); ++y)
        for (int x = 0; x < shape.width(); ++x) {
            if (!shape(x, y))
                continue;
            double nx = 0, ny = 0;
            bool rim = false;
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dx = -reach; dx <= reach; ++dx) {
                    const int d2 = dx * dx + dy * dy;
                    if (d2 > reach * reach || shape(x + dx, y + dy))
                        continue;
                    nx += dx;
                    ny += dy;
                    rim = rim || d2 <= bevel * bevel;
                }
            Rgb c = face(x, y);
            if (rim) {
                const double length = std::hypot(nx, ny);
                const double towardsLight = length > 0 ? -(nx + ny) / (length * std::sqrt(2.0)) : 0;
                c = towardsLight > 0.3 ? yellow : towardsLight < -0.3 ? yellow96 : yellow128;
            }
            canvas.set(x, y, c);
        }
}

// A straight piece of trail: the band of the given width around the segment from
// (x0, y0) to (x1, y1), which must be horizontal or vertical, square at its ends.
void trailBand(Mask &mask, int x0, int y0, int x1, int y1, int width)
{
    const int lo = (width - 1) / 2, hi = width / 2;
    for (int y = std::min(y0, y1) - lo; y <= std::max(y0, y1) + hi; ++y)
        for (int x = std::min(x0, x1) - lo; x <= std::max(x0, x1) + hi; ++x)
            mask.set(x, y);
}

constexpr int firstLineTop = 34;
constexpr int secondLineTop = 140;

// The face of the letters is bright, crossed towards the foot by darker stripes that
// thicken downwards like a horizon seen from above.
Rgb letterFace(int, int y)
{
    static constexpr std::array<int, 7> stripeTop{44, 52, 59, 65, 70, 74, 78};
    static constexpr std::array<int, 7> stripeHeight{1, 2, 2, 3, 3, 3, 4};
    const int row = y - (y < secondLineTop ? firstLineTop : secondLineTop);
    for (std::size_t i = 0; i < stripeTop.size(); ++i)
        if (row >= stripeTop[i] && row < stripeTop[i] + stripeHeight[i])
            return yellow160;
    return yellow;
}

Canvas drawTitle()
{
    Canvas canvas(420, 300);
    Mask letters(420, 300);
    stampWord(letters, "QUOR", 39, firstLineTop);
    stampWord(letters, "RAX", 129, secondLineTop);
    shadeRaised(canvas, letters, 4, 7, letterFace);

    // The yellow line of the game underlines the second word and turns up to the R,
    // its 7 x 7 head just short of the letter.
    Mask trail(420, 300);
    trailBand(trail, 396, 238, 45, 238, 5);
    trailBand(trail, 45, 238, 45, 182, 5);
    trailBand(trail, 45, 182, 112, 182, 5);
    trailBand(trail, 112, 182, 112, 182, 7);
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            if (trail(x, y))
                canvas.set(x, y, yellow);
            else if (trail(x - 2, y - 2) && canvas.at(x, y).r == 0)
                canvas.set(x, y, yellow96);
        }
    return canvas;
}

// ---------------------------------------------------------------------------------------
// Arrow cursor
// ---------------------------------------------------------------------------------------

constexpr Rgb white{255, 255, 255};
constexpr Rgb silver{192, 192, 192};
constexpr Rgb grey{128, 128, 128};

constexpr int arrowTipX = 28;
constexpr int arrowAxis = 14;
constexpr int arrowHeadBase = 14;

// A right-pointing arrow lit from the top left: a shaft of 7 rows from the left edge and
// a head whose slopes fall one row every two columns to the tip at (28, 14).
Canvas drawArrow()
{
    Mask shape(32, 32);
    for (int y = arrowAxis - 3; y <= arrowAxis + 3; ++y)
        for (int x = 0; x < arrowHeadBase; ++x)
            shape.set(x, y);
    for (int x = arrowHeadBase; x <= arrowTipX; ++x)
        for (int y = 0; y < 32; ++y)
            if (2 * std::abs(y - arrowAxis) <= arrowTipX - x)
                shape.set(x, y);

    Canvas canvas(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            if (!shape(x, y))
                continue;
            const bool litSide = !shape(x, y - 1) || !shape(x - 1, y);
            const bool darkSide = !shape(x, y + 1) || !shape(x + 1, y);
            // Where both sides meet, the upper half of the arrow faces the light.
            Rgb c = silver;
            if (litSide && (!darkSide || y < arrowAxis))
                c = white;
            else if (darkSide)
                c = grey;
            canvas.set(x, y, c);
        }
    return canvas;
}

// ---------------------------------------------------------------------------------------
// Explosion
// ---------------------------------------------------------------------------------------

constexpr Rgb red{255, 0, 0};
constexpr Rgb maroon{128, 0, 0};
constexpr Rgb olive{128, 128, 0};

// A small generator of our own, so that the burst comes out the same on every machine.
class Dice
{
public:
    explicit Dice(std::uint32_t seed) : m_state(seed) {}
    double between(double lo, double hi)
    {
        m_state = m_state * 1664525u + 1013904223u;
        return lo + (hi - lo) * double(m_state >> 8) / double(1u << 24);
    }

private:
    std::uint32_t m_state;
};

constexpr double burstX = 15.5;
constexpr double burstY = 16.5;
constexpr double pi = 3.14159265358979323846;

// How far the burst may reach from its centre in a direction and still keep within its
// box, columns 2 to 28 and rows 5 to 27.
double roomTowards(double angle)
{
    const double dx = std::cos(angle), dy = std::sin(angle);
    double room = 100;
    if (dx > 1e-9) room = std::min(room, (29.0 - burstX) / dx);
    if (dx < -1e-9) room = std::min(room, (2.0 - burstX) / dx);
    if (dy > 1e-9) room = std::min(room, (28.0 - burstY) / dy);
    if (dy < -1e-9) room = std::min(room, (5.0 - burstY) / dy);
    return room - 0.05;
}

// The burst is a ragged star drawn four times, each smaller than the last, from the olive
// fringe to the yellow heart, so that every spike carries all the colours of the blast.
Canvas drawExplosion()
{
    Dice dice(1989);
    constexpr int spikes = 9;
    Polygon star;
    for (int i = 0; i < spikes; ++i) {
        const double tipAngle = 2 * pi * i / spikes + dice.between(-0.12, 0.12);
        const double tip = roomTowards(tipAngle) * (i % 3 == 1 ? dice.between(0.6, 0.75) : dice.between(0.9, 1.0));
        const double valleyAngle = 2 * pi * (i + 0.5) / spikes + dice.between(-0.1, 0.1);
        const double valley = dice.between(5.0, 6.4);
        star.push_back({tip * std::cos(tipAngle), tip * std::sin(tipAngle)});
        star.push_back({valley * std::cos(valleyAngle), valley * std::sin(valleyAngle)});
    }
    struct Layer {
        double scale;
        double turn;
        Rgb color;
    };
    const std::array<Layer, 4> layers{{{1.0, 0.0, olive}, {0.92, 0.02, maroon}, {0.72, -0.04, red}, {0.42, 0.07, yellow}}};

    Canvas canvas(32, 32);
    for (const Layer &layer : layers) {
        Polygon shrunk;
        for (const auto &[vx, vy] : star) {
            const double c = std::cos(layer.turn), s = std::sin(layer.turn);
            shrunk.push_back({layer.scale * (vx * c - vy * s), layer.scale * (vx * s + vy * c)});
        }
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if (insidePolygon(shrunk, x + 0.5 - burstX, y + 0.5 - burstY))
                    canvas.set(x, y, layer.color);
    }
    // Sparks thrown clear of the spikes.
    for (int i = 0; i < 10; ++i) {
        const double angle = dice.between(0, 2 * pi);
        const double r = dice.between(7.0, roomTowards(angle));
        const int x = int(std::floor(burstX + r * std::cos(angle)));
        const int y = int(std::floor(burstY + r * std::sin(angle)));
        if (canvas.at(x, y).r == 0 && canvas.at(x, y).g == 0)
            canvas.set(x, y, i % 3 == 0 ? yellow : i % 3 == 1 ? olive : red);
    }
    return canvas;
}

// ---------------------------------------------------------------------------------------
// Window icon
// ---------------------------------------------------------------------------------------

constexpr Rgb blue{0, 0, 255};

// Pixel letters, 5 x 7 for the large icon and 4 x 6 for the small one.
std::vector<std::string> bigLetter(char c)
{
    switch (c) {
    case 'Q': return {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"};
    case 'U': return {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."};
    case 'O': return {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."};
    case 'R': return {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"};
    case 'A': return {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"};
    case 'X': return {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"};
    default: return {};
    }
}

std::vector<std::string> smallLetter(char c)
{
    switch (c) {
    case 'Q': return {".##.", "#..#", "#..#", "#..#", "#.#.", ".#.#"};
    case 'R': return {"###.", "#..#", "###.", "#.#.", "#..#", "#..#"};
    case 'X': return {"#..#", "#..#", ".##.", ".##.", "#..#", "#..#"};
    default: return {};
    }
}

// Writes white letters with a black rim around them, so that they stay legible over
// every trail colour, yellow included.
void writeOutlined(Canvas &canvas, const std::string &text, int left, int top, bool big)
{
    Mask ink(canvas.width(), canvas.height());
    int x = left;
    for (char c : text) {
        const std::vector<std::string> rows = big ? bigLetter(c) : smallLetter(c);
        for (std::size_t j = 0; j < rows.size(); ++j)
            for (std::size_t i = 0; i < rows[j].size(); ++i)
                if (rows[j][i] == '#')
                    ink.set(x + int(i), top + int(j));
        x += int(rows.front().size()) + 1;
    }
    // The counters of the letters are closed off in black too: a trail showing through
    // the inside of an O reads as a dot, not as part of the line.
    Mask outside(canvas.width(), canvas.height());
    std::vector<std::pair<int, int>> todo;
    for (int y = 0; y < canvas.height(); ++y)
        for (int xx = 0; xx < canvas.width(); ++xx)
            if (xx == 0 || y == 0 || xx == canvas.width() - 1 || y == canvas.height() - 1)
                todo.emplace_back(xx, y);
    while (!todo.empty()) {
        const auto [px, py] = todo.back();
        todo.pop_back();
        if (!canvas.contains(px, py) || outside(px, py) || ink(px, py))
            continue;
        outside.set(px, py);
        todo.insert(todo.end(), {{px + 1, py}, {px - 1, py}, {px, py + 1}, {px, py - 1}});
    }
    for (int y = 0; y < canvas.height(); ++y)
        for (int xx = 0; xx < canvas.width(); ++xx) {
            if (!ink(xx, y) && !outside(xx, y)) {
                canvas.set(xx, y, black);
                continue;
            }
            if (ink(xx, y)) {
                canvas.set(xx, y, white);
                continue;
            }
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (ink(xx + dx, y + dy))
                        canvas.set(xx, y, black);
        }
}

void paint(Canvas &canvas, const Mask &mask, Rgb c)
{
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (mask(x, y))
                canvas.set(x, y, c);
}

Canvas drawIcon32()
{
    Canvas canvas(32, 32);
    Mask redTrail(32, 32), blueTrail(32, 32), yellowTrail(32, 32);
    trailBand(redTrail, 0, 11, 28, 11, 5);
    trailBand(redTrail, 28, 11, 28, 31, 5);
    trailBand(blueTrail, 3, 31, 3, 23, 5);
    trailBand(blueTrail, 3, 23, 22, 23, 5);
    trailBand(yellowTrail, 31, 29, 11, 29, 5);
    paint(canvas, yellowTrail, yellow);
    paint(canvas, blueTrail, blue);
    paint(canvas, redTrail, red);
    writeOutlined(canvas, "QUOR", 3, 2, true);
    writeOutlined(canvas, "RAX", 8, 14, true);
    return canvas;
}

Canvas drawIcon16()
{
    Canvas canvas(16, 16);
    Mask redTrail(16, 16), blueTrail(16, 16), yellowTrail(16, 16);
    trailBand(yellowTrail, 0, 2, 8, 2, 3);
    trailBand(redTrail, 15, 2, 13, 2, 3);
    trailBand(redTrail, 13, 2, 13, 15, 3);
    trailBand(blueTrail, 0, 14, 9, 14, 3);
    paint(canvas, yellowTrail, yellow);
    paint(canvas, blueTrail, blue);
    paint(canvas, redTrail, red);
    writeOutlined(canvas, "QRX", 1, 5, false);
    return canvas;
}

} // namespace
} // namespace quorrax

int main(int argc, char **argv)
{
    using namespace quorrax;
    const std::string dir = argc > 1 ? argv[1] : ".";
    const std::vector<std::pair<std::string, Canvas>> pictures{
        {"title.png", drawTitle()},   {"arrow.png", drawArrow()},   {"explosion.png", drawExplosion()},
        {"icon32.png", drawIcon32()}, {"icon16.png", drawIcon16()},
    };
    for (const auto &[name, canvas] : pictures)
        if (!canvas.save(dir + "/" + name)) {
            std::fprintf(stderr, "drawart: cannot write %s/%s\n", dir.c_str(), name.c_str());
            return 1;
        }
    return writeDesktopIcons(dir + "/icons") ? 0 : 1;
}
