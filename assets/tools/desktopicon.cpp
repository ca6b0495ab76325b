// SPDX-License-Identifier: MIT
#include "desktopicon.h"

#include "vectorscene.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <array>
#include <cmath>
#include <cstdio>

namespace quorrax {
namespace {

// Where things lie on one size of the icon. The trails run on a lattice of four columns
// and four rows of centre lines, and each size puts the lattice on whole pixels of its own,
// so that the small icons are crisp rather than a blurred copy of the large one.
struct Layout {
    double side;
    QRectF face;   // the top of the tile
    double radius; // of the tile's corners
    double depth;  // how much of the tile's side shows below its face
    double rim;    // the light edge of the face
    double band;   // the width of a trail
    std::array<double, 4> columns, rows;
    double glow; // how far a trail's glow reaches beyond its band on each side
    double grid; // the spacing of the field's faint grid, 0 for none
    double head; // the width of a head, 0 where a trail simply ends
    bool round;  // round ends and corners, where a size has room for them
};

// On the large icon every edge and every side of a band lies on a multiple of 4 units,
// so that the 64 and 128 pixel icons drawn from it are as crisp as the large one.
const Layout largeIcon{
    256, QRectF(16, 16, 224, 216), 40, 8, 2, 20, {62, 106, 150, 194}, {58, 102, 146, 190}, 10, 32, 28, true};
const Layout icon48{48,  QRectF(2, 2, 44, 42), 8, 2, 1, 5, {10.5, 19.5, 28.5, 37.5}, {9.5, 18.5, 27.5, 36.5}, 2, 0, 7,
                    true};
const Layout icon32{32, QRectF(1, 1, 30, 29), 5, 1, 1, 4, {7, 13, 19, 25}, {7, 13, 19, 25}, 0, 0, 4, false};
const Layout icon16{16, QRectF(1, 1, 15, 15), 3.5, 0, 1, 2, {4, 7, 10, 13}, {4, 7, 10, 13}, 0, 0, 0, false};

const QColor redTrail(255, 0, 0), blueTrail(0, 0, 255), yellowTrail(255, 255, 0);

QColor withAlpha(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

// The black field as a tile standing on its side, with a rim that catches the light, so
// that it stands out on a dark desktop as on a light one.
Layer tile(const Layout &l)
{
    Layer layer{"tile", {}};
    if (l.depth > 0)
        layer.elements.push_back(
            Panel{l.face.translated(0, l.depth), l.radius, QColor(72, 72, 72), QColor(24, 24, 24)});
    layer.elements.push_back(Panel{l.face, l.radius, QColor(30, 30, 30), Qt::black});
    layer.elements.push_back(Panel{l.face, l.radius, withAlpha(Qt::white, 60), withAlpha(Qt::white, 12), l.rim});
    return layer;
}

// Faint lines across the field, kept clear of the tile's rounded corners.
Layer grid(const Layout &l)
{
    Layer layer{"grid", {}};
    const QRectF inner = l.face.adjusted(4, 4, -4, -4);
    const QColor line = withAlpha(Qt::white, 14);
    for (double x = l.face.left() + l.grid; x < l.face.right() - l.grid / 2; x += l.grid)
        layer.elements.push_back(Band{{{x, inner.top()}, {x, inner.bottom()}}, 1, line, false});
    for (double y = l.face.top() + l.grid; y < l.face.bottom() - l.grid / 2; y += l.grid)
        layer.elements.push_back(Band{{{inner.left(), y}, {inner.right(), y}}, 1, line, false});
    return layer;
}

// A trail with its glow: bands ever narrower and each a little brighter towards the middle.
Layer trail(const Layout &l, const std::string &name, const std::vector<QPointF> &path, const QColor &c)
{
    Layer layer{name, {}};
    constexpr int glowSteps = 5;
    for (int step = glowSteps; step > 0 && l.glow > 0; --step)
        layer.elements.push_back(Band{path, l.band + 2 * l.glow * step / glowSteps, withAlpha(c, 20), l.round});
    layer.elements.push_back(Band{path, l.band, c, l.round});
    return layer;
}

// The three lines of a match: the yellow one along the top, the red one coming round
// inside it and the blue one from below, their heads side by side in the middle.
Scene sceneFor(const Layout &l)
{
    Scene scene{l.side, {tile(l)}};
    if (l.grid > 0)
        scene.layers.push_back(grid(l));
    const auto &c = l.columns;
    const auto &r = l.rows;
    const struct {
        const char *name;
        QColor colour;
        std::vector<QPointF> path;
    } lines[] = {
        {"yellow", yellowTrail, {{c[0], r[0]}, {c[3], r[0]}, {c[3], r[2]}}},
        {"red", redTrail, {{c[0], r[3]}, {c[0], r[1]}, {c[2], r[1]}, {c[2], r[2]}}},
        {"blue", blueTrail, {{c[3], r[3]}, {c[1], r[3]}, {c[1], r[2]}}},
    };
    Layer heads{"heads", {}};
    for (const auto &line : lines) {
        scene.layers.push_back(trail(l, std::string(line.name) + "-trail", line.path, line.colour));
        if (l.head > 0) {
            const QPointF at = line.path.back();
            const QRectF head(at.x() - l.head / 2, at.y() - l.head / 2, l.head, l.head);
            const double inset = std::round(l.head * 2 / 7);
            const QRectF light = head.adjusted(inset, inset, -inset, -inset);
            const QColor glint = withAlpha(Qt::white, 120);
            heads.elements.push_back(Panel{head, l.round ? l.head / 4 : 0, line.colour, line.colour});
            heads.elements.push_back(Panel{light, l.round ? light.width() / 4 : 0, glint, glint});
        }
    }
    if (!heads.elements.empty())
        scene.layers.push_back(heads);
    return scene;
}

QImage drawDesktopIcon(int size)
{
    for (const Layout *l : {&icon16, &icon32, &icon48})
        if (size == l->side)
            return renderScene(sceneFor(*l), size);
    return renderScene(sceneFor(largeIcon), size);
}

bool cannotWrite(const std::string &path)
{
    std::fprintf(stderr, "drawart: cannot write %s\n", path.c_str());
    return false;
}

} // namespace

bool writeDesktopIcons(const std::string &dir)
{
    if (!QDir().mkpath(QString::fromStdString(dir)))
        return cannotWrite(dir);
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const std::string path = dir + "/quorrax-" + std::to_string(size) + ".png";
        if (!drawDesktopIcon(size).save(QString::fromStdString(path), "PNG"))
            return cannotWrite(path);
    }
    const std::string path = dir + "/quorrax.svg";
    const std::string text = sceneSvg(sceneFor(largeIcon), "Quorrax");
    QFile svg(QString::fromStdString(path));
    if (!svg.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        svg.write(text.data(), qint64(text.size())) != qint64(text.size()))
        return cannotWrite(path);
    return true;
}

} // namespace quorrax
