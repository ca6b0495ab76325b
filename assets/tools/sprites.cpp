// SPDX-License-Identifier: MIT
#include "pixelart.h"

#include <cmath>
#include <cstdint>

// The sprites: the arrow cursor of the mode screen and the explosion of a crash.

namespace quorrax::art {
namespace {

constexpr Rgb silver{192, 192, 192};
constexpr Rgb grey{128, 128, 128};

constexpr int arrowTipX = 28;
constexpr int arrowAxis = 14;
constexpr int arrowHeadBase = 14;

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
    if (dx > 1e-9)
        room = std::min(room, (29.0 - burstX) / dx);
    if (dx < -1e-9)
        room = std::min(room, (2.0 - burstX) / dx);
    if (dy > 1e-9)
        room = std::min(room, (28.0 - burstY) / dy);
    if (dy < -1e-9)
        room = std::min(room, (5.0 - burstY) / dy);
    return room - 0.05;
}

} // namespace

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
    const std::array<Layer, 4> layers{
        {{1.0, 0.0, olive}, {0.92, 0.02, maroon}, {0.72, -0.04, red}, {0.42, 0.07, yellow}}};

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

} // namespace quorrax::art
