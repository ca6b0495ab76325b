// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>

#include <string>
#include <variant>
#include <vector>

// A picture made of a few smooth shapes, painted into an image of any size or written out
// as an SVG file from the same description.
namespace quorrax {

// A rounded rectangle filled from top to bottom with a gradient; with a rim width, only
// a rim of that width just inside its edge.
struct Panel {
    QRectF rect;
    double radius;
    QColor top, bottom;
    double rim = 0;
};

// A band of even width along a path of straight pieces, with round ends and corners, or
// with square ones where a small picture must keep to whole pixels.
struct Band {
    std::vector<QPointF> path;
    double width;
    QColor colour;
    bool round = true;
};

using Element = std::variant<Panel, Band>;

// Elements that belong together, drawn from the back to the front; a group of its own in
// the SVG file.
struct Layer {
    std::string name;
    std::vector<Element> elements;
};

// A picture on a square of `side` units.
struct Scene {
    double side;
    std::vector<Layer> layers;
};

// Paints the scene on a transparent square image of size x size pixels.
QImage renderScene(const Scene &scene, int size);

// The scene as the text of an SVG file whose view box is the scene's square.
std::string sceneSvg(const Scene &scene, const std::string &title);

} // namespace quorrax
