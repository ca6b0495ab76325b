// SPDX-License-Identifier: MIT
#include "qthost/qtpainting.h"

#include <QPainter>
#include <QWidget>

namespace quorrax {

bool QtPainting::present(const QImage &, const std::vector<QRect> &changed, bool now)
{
    QRegion region;
    for (const QRect &rect : changed)
        region += rect;
    if (now)
        m_view.repaint(region);
    else
        m_view.update(region);
    // The paint event that follows says when the pixels went out.
    return false;
}

bool QtPainting::paint(const QImage &image, const QRegion &exposed)
{
    QPainter painter(&m_view);
    // On a scaled screen the picture is enlarged with crisp pixels.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (const QRect &rect : exposed)
        painter.drawImage(rect, image, rect);
    return true;
}

} // namespace quorrax
