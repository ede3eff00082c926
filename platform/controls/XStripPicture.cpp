#include "platform/controls/XStripPicture.h"

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>

namespace platform {

namespace {

template <typename Reply> using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

xcb_connection_t* connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// Whether the server's pixels of this depth and visual are 32 bits laid
// out as QImage::Format_RGB32 is in memory.
bool isRgb32(xcb_connection_t* c, uint8_t depth, xcb_visualid_t visual) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    if ((depth != 24 && depth != 32) || setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return false;
    bool wide = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == depth) wide = f.data->bits_per_pixel == 32;
    if (!wide) return false;
    for (auto s = xcb_setup_roots_iterator(setup); s.rem; xcb_screen_next(&s))
        for (auto d = xcb_screen_allowed_depths_iterator(s.data); d.rem; xcb_depth_next(&d))
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
                if (v.data->visual_id == visual)
                    return v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR &&
                           v.data->red_mask == 0xFF0000 && v.data->green_mask == 0xFF00 &&
                           v.data->blue_mask == 0xFF;
    return false;
}

} // namespace

std::unique_ptr<XStripPicture> XStripPicture::For(QWidget& top) {
    xcb_connection_t* c = connection();
    if (!c || xcb_connection_has_error(c)) return nullptr;
    const auto window = static_cast<xcb_window_t>(top.winId());
    ReplyPtr<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr), &std::free);
    ReplyPtr<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr),
        &std::free);
    if (!geometry || !attributes || !isRgb32(c, geometry->depth, attributes->visual))
        return nullptr;
    return std::unique_ptr<XStripPicture>(new XStripPicture(c, window, geometry->depth));
}

XStripPicture::XStripPicture(xcb_connection_t* c, uint32_t window, uint8_t depth)
    : c_(c), window_(window), depth_(depth), gc_(xcb_generate_id(c)) {
    const uint32_t noExposures = 0;
    xcb_create_gc(c_, gc_, window_, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
}

XStripPicture::~XStripPicture() {
    // After the display has closed the server has freed both with it.
    if (connection() != c_) return;
    if (pixmap_) xcb_free_pixmap(c_, pixmap_);
    xcb_free_gc(c_, gc_);
    xcb_flush(c_);
}

bool XStripPicture::Holds(const QImage& look) {
    return look.format() == QImage::Format_RGB32 && !look.isNull() && look.width() <= INT16_MAX &&
           look.height() <= INT16_MAX;
}

void XStripPicture::upload(const QImage& look) {
    if (look.size() != pixmapSize_) {
        if (pixmap_) xcb_free_pixmap(c_, pixmap_);
        pixmap_ = xcb_generate_id(c_);
        xcb_create_pixmap(c_, depth_, pixmap_, window_, static_cast<uint16_t>(look.width()),
                          static_cast<uint16_t>(look.height()));
        pixmapSize_ = look.size();
    }
    // In pieces a request can carry.
    const size_t line = static_cast<size_t>(look.bytesPerLine());
    const size_t most = std::min<size_t>(xcb_get_maximum_request_length(c_) * 4u, 1u << 18) - 64;
    const int rows = std::max(1, static_cast<int>(most / line));
    for (int y = 0; y < look.height(); y += rows) {
        const int n = std::min(rows, look.height() - y);
        xcb_put_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap_, gc_,
                      static_cast<uint16_t>(look.width()), static_cast<uint16_t>(n), 0,
                      static_cast<int16_t>(y), 0, depth_, static_cast<uint32_t>(line * n),
                      look.constScanLine(y));
    }
    uploaded_ = look.cacheKey();
}

void XStripPicture::Show(const QImage& look, const QRect& placed, QColor under,
                         const QRect& strip) {
    if (look.cacheKey() != uploaded_ || look.size() != pixmapSize_) upload(look);
    const QRgb pixel = under.rgb(); // opaque, as a 32-bit window takes it too
    if (!hasForeground_ || pixel != foreground_) {
        xcb_change_gc(c_, gc_, XCB_GC_FOREGROUND, &pixel);
        foreground_ = pixel;
        hasForeground_ = true;
    }
    const QRect shown = placed & strip;
    xcb_rectangle_t rest[4];
    int n = 0;
    auto add = [&](int x, int y, int w, int h) {
        if (w > 0 && h > 0)
            rest[n++] = {static_cast<int16_t>(x), static_cast<int16_t>(y), static_cast<uint16_t>(w),
                         static_cast<uint16_t>(h)};
    };
    if (shown.isEmpty()) {
        add(strip.x(), strip.y(), strip.width(), strip.height());
    } else {
        add(strip.x(), strip.y(), strip.width(), shown.top() - strip.top());
        add(strip.x(), shown.bottom() + 1, strip.width(), strip.bottom() - shown.bottom());
        add(strip.x(), shown.y(), shown.left() - strip.left(), shown.height());
        add(shown.right() + 1, shown.y(), strip.right() - shown.right(), shown.height());
        xcb_copy_area(c_, pixmap_, window_, gc_, static_cast<int16_t>(shown.x() - placed.x()),
                      static_cast<int16_t>(shown.y() - placed.y()), static_cast<int16_t>(shown.x()),
                      static_cast<int16_t>(shown.y()), static_cast<uint16_t>(shown.width()),
                      static_cast<uint16_t>(shown.height()));
    }
    if (n) xcb_poly_fill_rectangle(c_, window_, gc_, static_cast<uint32_t>(n), rest);
    xcb_flush(c_);
}

} // namespace platform
