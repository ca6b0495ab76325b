// SPDX-License-Identifier: MIT
#include "pixelart.h"

#include <QImage>
#include <QString>

#include <algorithm>

namespace quorrax::art {

bool Canvas::save(const std::string &path) const
{
    QImage image(m_width, m_height, QImage::Format_RGB32);
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x) {
            const Rgb c = at(x, y);
            image.setPixel(x, y, qRgb(c.r, c.g, c.b));
        }
    return image.save(QString::fromStdString(path), "PNG");
}

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

void trailBand(Mask &mask, int x0, int y0, int x1, int y1, int width)
{
    const int lo = (width - 1) / 2, hi = width / 2;
    for (int y = std::min(y0, y1) - lo; y <= std::max(y0, y1) + hi; ++y)
        for (int x = std::min(x0, x1) - lo; x <= std::max(x0, x1) + hi; ++x)
            mask.set(x, y);
}

} // namespace quorrax::art
