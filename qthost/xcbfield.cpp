// SPDX-License-Identifier: MIT
#include "qthost/xcbfield.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <xcb/xcb.h>

namespace quorrax {

namespace {

// The field's pixels as the window takes them: 32-bit words 0x00RRGGBB, least significant
// byte first, in a true-colour visual of depth 24 or 32.
bool takesOurWords(xcb_connection_t *connection, xcb_visualid_t visualId, std::uint8_t depth)
{
    const xcb_setup_t *setup = xcb_get_setup(connection);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST || std::endian::native != std::endian::little)
        return false;
    bool wordPerPixel = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        wordPerPixel |= f.data->depth == depth && f.data->bits_per_pixel == 32 && f.data->scanline_pad == 32;
    if (!wordPerPixel)
        return false;
    for (auto s = xcb_setup_roots_iterator(setup); s.rem; xcb_screen_next(&s)) {
        for (auto d = xcb_screen_allowed_depths_iterator(s.data); d.rem; xcb_depth_next(&d)) {
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
                if (v.data->visual_id == visualId)
                    return v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR && v.data->red_mask == 0xFF0000 &&
                           v.data->green_mask == 0x00FF00 && v.data->blue_mask == 0x0000FF;
            }
        }
    }
    return false;
}

// An RGBX pixel (bytes R, G, B, X) as the window's 0x00RRGGBB word.
constexpr std::uint32_t windowWord(std::uint32_t rgbx)
{
    return ((rgbx & 0xFF) << 16) | (rgbx & 0xFF00) | ((rgbx >> 16) & 0xFF);
}

} // namespace

std::unique_ptr<XcbField> XcbField::create(QWidget &view)
{
    auto *x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return nullptr;
    // The field gets an X window of its own, below the menu bar; the menu bar and the main
    // window stay as Qt draws them.
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    view.setAttribute(Qt::WA_NativeWindow);
    const auto window = xcb_window_t(view.winId());

    // Two round trips, once, at start-up.
    xcb_get_window_attributes_reply_t *attributes =
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr);
    xcb_get_geometry_reply_t *geometry =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    const bool fits = attributes && geometry && takesOurWords(connection, attributes->visual, geometry->depth);
    const std::uint8_t depth = geometry ? geometry->depth : 0;
    std::free(attributes);
    std::free(geometry);
    if (!fits)
        return nullptr;

    const xcb_gcontext_t gc = xcb_generate_id(connection);
    const std::uint32_t noExposures = 0;
    xcb_create_gc(connection, gc, window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    // Qt paints nothing here: the field puts its own pixels, an exposed area too.
    view.setAttribute(Qt::WA_PaintOnScreen, true);
    return std::unique_ptr<XcbField>(new XcbField(view, connection, window, gc, depth));
}

XcbField::XcbField(QWidget &view, xcb_connection_t *connection, std::uint32_t window, std::uint32_t gc,
                   std::uint8_t depth)
    : m_view(view),
      m_connection(connection),
      m_window(window),
      m_gc(gc),
      m_depth(depth),
      m_maxRequestBytes(std::size_t(xcb_get_maximum_request_length(connection)) * 4)
{}

XcbField::~XcbField()
{
    xcb_free_gc(m_connection, m_gc);
    xcb_flush(m_connection);
}

bool XcbField::present(const QImage &image, const std::vector<QRect> &changed, bool)
{
    put(image, changed);
    return true;
}

bool XcbField::paint(const QImage &image, const QRegion &exposed)
{
    put(image, std::vector<QRect>(exposed.begin(), exposed.end()));
    return true;
}

void XcbField::put(const QImage &image, const std::vector<QRect> &rects)
{
    const int scale = std::max(1, int(std::lround(m_view.devicePixelRatioF())));
    for (const QRect &rect : rects)
        putRect(image, rect & image.rect(), scale);
    // Out now, in one write; nothing is waited for.
    xcb_flush(m_connection);
}

void XcbField::putRect(const QImage &image, const QRect &rect, int scale)
{
    if (rect.isEmpty())
        return;
    const int width = rect.width() * scale;
    const std::size_t rowWords = std::size_t(width);
    constexpr std::size_t requestHeader = 24;
    // As many field rows per request as the server takes; a whole-field change at a large
    // scale goes out in a few bands.
    const int rowsPerRequest =
        std::max<int>(1, int((m_maxRequestBytes - requestHeader) / (rowWords * 4 * std::size_t(scale))));
    for (int top = rect.top(); top <= rect.bottom(); top += rowsPerRequest) {
        const int rows = std::min(rowsPerRequest, rect.bottom() + 1 - top);
        m_scratch.resize(rowWords * std::size_t(rows * scale));
        std::uint32_t *out = m_scratch.data();
        for (int y = top; y < top + rows; ++y) {
            const auto *in = reinterpret_cast<const std::uint32_t *>(image.constScanLine(y)) + rect.left();
            std::uint32_t *first = out;
            for (int x = 0; x < rect.width(); ++x)
                out = std::fill_n(out, scale, windowWord(in[x]));
            // The other rows of each block repeat the first.
            for (int copy = 1; copy < scale; ++copy, out += rowWords)
                std::memcpy(out, first, rowWords * 4);
        }
        xcb_put_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_window, m_gc, std::uint16_t(width),
                      std::uint16_t(rows * scale), std::int16_t(rect.left() * scale), std::int16_t(top * scale), 0,
                      m_depth, std::uint32_t(m_scratch.size() * 4),
                      reinterpret_cast<const std::uint8_t *>(m_scratch.data()));
    }
}

} // namespace quorrax
