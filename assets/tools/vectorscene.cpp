// SPDX-License-Identifier: MIT
#include "vectorscene.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cassert>
#include <cstdio>

namespace quorrax {
namespace {

// The rectangle whose outline runs along the middle of a panel's rim.
QRectF rimLine(const Panel &p)
{
    return p.rect.adjusted(p.rim / 2, p.rim / 2, -p.rim / 2, -p.rim / 2);
}

void paint(QPainter &painter, const Panel &p)
{
    const QRectF rect = p.rim > 0 ? rimLine(p) : p.rect;
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, p.top);
    gradient.setColorAt(1, p.bottom);
    QPainterPath outline;
    outline.addRoundedRect(rect, p.radius - p.rim / 2, p.radius - p.rim / 2);
    if (p.rim > 0)
        painter.strokePath(outline, QPen(QBrush(gradient), p.rim));
    else
        painter.fillPath(outline, gradient);
}

void paint(QPainter &painter, const Band &b)
{
    QPainterPath line(b.path.front());
    for (std::size_t i = 1; i < b.path.size(); ++i)
        line.lineTo(b.path[i]);
    painter.strokePath(line, QPen(b.colour, b.width, Qt::SolidLine, b.round ? Qt::RoundCap : Qt::SquareCap,
                                  b.round ? Qt::RoundJoin : Qt::MiterJoin));
}

std::string number(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    std::string s = text;
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.')
        s.pop_back();
    return s;
}

// A colour attribute with its opacity beside it when it is not opaque.
std::string colour(const std::string &attribute, const QColor &c, const std::string &opacity)
{
    std::string s = attribute + "=\"" + c.name(QColor::HexRgb).toStdString() + "\"";
    if (c.alpha() != 255)
        s += " " + opacity + "=\"" + number(c.alphaF()) + "\"";
    return s;
}

std::string colour(const std::string &attribute, const QColor &c)
{
    return colour(attribute, c, attribute + "-opacity");
}

std::string svgPanel(const Panel &p, int id, std::string &defs)
{
    const QRectF rect = p.rim > 0 ? rimLine(p) : p.rect;
    const std::string attribute = p.rim > 0 ? "stroke" : "fill";
    std::string paint = colour(attribute, p.top);
    if (p.top != p.bottom) {
        const std::string name = "shade" + std::to_string(id);
        defs += "    <linearGradient id=\"" + name +
                "\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">\n"
                "      <stop offset=\"0\" " +
                colour("stop-color", p.top, "stop-opacity") +
                "/>\n"
                "      <stop offset=\"1\" " +
                colour("stop-color", p.bottom, "stop-opacity") +
                "/>\n"
                "    </linearGradient>\n";
        paint = attribute + "=\"url(#" + name + ")\"";
    }
    std::string s = "    <rect x=\"" + number(rect.x()) + "\" y=\"" + number(rect.y()) + "\" width=\"" +
                    number(rect.width()) + "\" height=\"" + number(rect.height()) + "\" rx=\"" +
                    number(p.radius - p.rim / 2) + "\" ";
    if (p.rim > 0)
        s += "fill=\"none\" " + paint + " stroke-width=\"" + number(p.rim) + "\"";
    else
        s += paint;
    return s + "/>\n";
}

// The bands of a layer share their colour and their ends, which the layer's group states
// once; a band's own line gives its path, its width and how much it shows.
std::string svgBand(const Band &b)
{
    std::string points;
    for (const QPointF &p : b.path)
        points += (points.empty() ? "" : " ") + number(p.x()) + "," + number(p.y());
    std::string s = "    <polyline points=\"" + points + "\" stroke-width=\"" + number(b.width) + "\"";
    if (b.colour.alpha() != 255)
        s += " stroke-opacity=\"" + number(b.colour.alphaF()) + "\"";
    return s + "/>\n";
}

std::string svgGroup(const Layer &layer, int &id, std::string &defs)
{
    std::string open = "  <g id=\"" + layer.name + "\"", body;
    const Band *shared = nullptr;
    for (const Element &e : layer.elements) {
        if (const Panel *p = std::get_if<Panel>(&e)) {
            body += svgPanel(*p, ++id, defs);
            continue;
        }
        const Band &b = std::get<Band>(e);
        if (!shared) {
            shared = &b;
            const std::string ends = b.round ? "round" : "square", corners = b.round ? "round" : "miter";
            open += " fill=\"none\" stroke=\"" + b.colour.name(QColor::HexRgb).toStdString() + "\" stroke-linecap=\"" +
                    ends + "\" stroke-linejoin=\"" + corners + "\"";
        }
        assert(b.colour.rgb() == shared->colour.rgb() && b.round == shared->round);
        body += svgBand(b);
    }
    return open + ">\n" + body + "  </g>\n";
}

} // namespace

QImage renderScene(const Scene &scene, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / scene.side, size / scene.side);
    for (const Layer &layer : scene.layers)
        for (const Element &e : layer.elements)
            std::visit([&](const auto &shape) { paint(painter, shape); }, e);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

std::string sceneSvg(const Scene &scene, const std::string &title)
{
    std::string defs, body;
    int id = 0;
    for (const Layer &layer : scene.layers)
        body += svgGroup(layer, id, defs);
    const std::string side = number(scene.side);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
           side + "\" height=\"" + side + "\" viewBox=\"0 0 " + side + " " + side +
           "\">\n"
           "  <title>" +
           title +
           "</title>\n"
           "  <defs>\n" +
           defs + "  </defs>\n" + body + "</svg>\n";
}

} // namespace quorrax
