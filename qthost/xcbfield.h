// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QRect>

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
class XcbField
{
public:
    // Ready for `view`, which becomes a native child window; null where the window system is
    // not X11 or the window's pixels are not laid out as 32-bit 0x00RRGGBB words.
    static std::unique_ptr<XcbField> create(QWidget &view);
    ~XcbField();

    // Sends the pixels of `image` (RGBX) inside `rects` (field coordinates), each field pixel
    // as a whole square block of `scale` × `scale` window pixels.
    void put(const QImage &image, const std::vector<QRect> &rects, int scale);

private:
    XcbField(xcb_connection_t *connection, std::uint32_t window, std::uint32_t gc, std::uint8_t depth);
    void putRect(const QImage &image, const QRect &rect, int scale);

    xcb_connection_t *m_connection;
    std::uint32_t m_window;
    std::uint32_t m_gc;
    std::uint8_t m_depth;
    std::size_t m_maxRequestBytes;
    std::vector<std::uint32_t> m_scratch;
};

} // namespace quorrax
