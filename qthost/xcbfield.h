// SPDX-License-Identifier: MIT
#pragma once

#include "qthost/presenter.h"

#include <cstdint>
#include <memory>
#include <vector>

class QWidget;
struct xcb_connection_t;

namespace quorrax {

// Puts the field's changed rectangles straight into its X window: one put-image request
// each, sent without waiting for anything. The server copies the pixels out of the request,
// so the next frame can be written at once, and nothing comes back: no reply, no completion
// event, no round trip, so neither the game nor Qt's X event reader wakes for a frame.
// Qt's own path (paint event, backing store, flush) wakes the game, the event reader and the
// server twice a frame to change a few dozen pixels.
class XcbField : public Presenter
{
public:
    // Ready for `view`, which becomes a native child window; null where the window system is
    // not X11 or the window's pixels are not laid out as 32-bit 0x00RRGGBB words.
    static std::unique_ptr<XcbField> create(QWidget &view);
    ~XcbField() override;

    // Each sends the pixels of `image` (RGBX) inside the rectangles at once, each field pixel
    // as a whole square block of window pixels on a screen scaled by a whole number.
    bool present(const QImage &image, const std::vector<QRect> &changed, bool now) override;
    bool paint(const QImage &image, const QRegion &exposed) override;
    bool usesQtPainting() const override { return false; }
    const char *name() const override { return "put straight into the X window"; }

private:
    XcbField(QWidget &view, xcb_connection_t *connection, std::uint32_t window, std::uint32_t gc, std::uint8_t depth);
    void put(const QImage &image, const std::vector<QRect> &rects);
    void putRect(const QImage &image, const QRect &rect, int scale);

    QWidget &m_view;
    xcb_connection_t *m_connection;
    std::uint32_t m_window;
    std::uint32_t m_gc;
    std::uint8_t m_depth;
    std::size_t m_maxRequestBytes;
    std::vector<std::uint32_t> m_scratch;
};

} // namespace quorrax
