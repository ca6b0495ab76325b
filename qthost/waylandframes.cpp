// SPDX-License-Identifier: MIT
#include "qthost/waylandframes.h"

#include <QEvent>
#include <QGuiApplication>
#include <QTimerEvent>
#include <QWidget>

#include <utility>

namespace quorrax {

std::unique_ptr<WaylandFrames> WaylandFrames::create(QWidget &view)
{
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return nullptr;
    return std::unique_ptr<WaylandFrames>(new WaylandFrames(view));
}

bool WaylandFrames::present(const QImage &image, const std::vector<QRect> &changed, bool now)
{
    if (!m_window && (m_window = m_view.window()->windowHandle()))
        m_window->installEventFilter(this);
    if (!m_window)
        return QtPainting::present(image, changed, now);
    for (const QRect &rect : changed)
        m_due += rect;
    if (!std::exchange(m_asked, true)) {
        m_overdue.start(frameOverdueMs, this);
        m_window->requestUpdate();
    }
    return false;
}

// Qt 6.4 loses a frame asked for when the compositor's answer came later than Qt waits for
// it (it then takes the window for hidden until the answer comes); it asks no other frame
// until it has delivered that one. Painting commits again, which asks the compositor for the
// frame that delivers it; the next change asks anew.
void WaylandFrames::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_overdue.timerId())
        return;
    m_overdue.stop();
    m_asked = false;
    if (!m_due.isEmpty())
        m_view.repaint(std::exchange(m_due, QRegion()));
}

bool WaylandFrames::eventFilter(QObject *watched, QEvent *event)
{
    // An update that Qt itself asked for repaints the whole window, as it should.
    if (watched != m_window || event->type() != QEvent::UpdateRequest || !std::exchange(m_asked, false))
        return false;
    m_overdue.stop();
    // The frame is due: what changed since the last one, and nothing more.
    if (const QRegion due = std::exchange(m_due, QRegion()); !due.isEmpty())
        m_view.repaint(due);
    return true;
}

} // namespace quorrax
