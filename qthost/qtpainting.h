// SPDX-License-Identifier: MIT
#pragma once

#include "qthost/presenter.h"

class QWidget;

namespace quorrax {

// Qt's widget painting, where nothing better is available: the changed rectangles are
// marked for Qt to paint from the image, at once or at its next event handling; on a scaled
// screen each field pixel becomes a crisp block.
class QtPainting : public Presenter
{
public:
    explicit QtPainting(QWidget &view) : m_view(view) {}

    bool present(const QImage &image, const std::vector<QRect> &changed, bool now) override;
    bool paint(const QImage &image, const QRegion &exposed) override;
    const char *name() const override { return "Qt's widget painting"; }

protected:
    QWidget &m_view;
};

} // namespace quorrax
