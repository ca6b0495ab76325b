// SPDX-License-Identifier: MIT
#pragma once

#include "qthost/qtpainting.h"

#include <QBasicTimer>
#include <QObject>
#include <QPointer>
#include <QWindow>

#include <memory>

namespace quorrax {

// Qt's painting on Wayland, at most once per frame the compositor shows. Changed rectangles
// gather until the compositor asks for the next frame (Qt's Wayland plugin answers
// QWindow::requestUpdate() at its frame callback); then only they are painted and committed,
// as the damage of one commit. A game that ticks faster than the display refreshes hands the
// compositor no frame it would not show, and the game's clock never waits for a frame.
class WaylandFrames : public QObject, public QtPainting
{
public:
    // Null where Qt's platform is not Wayland.
    static std::unique_ptr<WaylandFrames> create(QWidget &view);

    bool present(const QImage &image, const std::vector<QRect> &changed, bool now) override;
    const char *name() const override { return "Qt's painting at the compositor's frames"; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    explicit WaylandFrames(QWidget &view) : QtPainting(view) {}

    // Longer than any display's frame, and than Qt's own wait for one.
    static constexpr int frameOverdueMs = 120;

    QPointer<QWindow> m_window;
    QRegion m_due;
    bool m_asked = false;
    QBasicTimer m_overdue;
};

} // namespace quorrax
