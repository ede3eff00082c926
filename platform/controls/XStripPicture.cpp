#include "platform/controls/XStripPicture.h"

#include "platform/HotPath.h"

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <sys/socket.h>
#include <sys/uio.h>

#include <algorithm>
#include <cerrno>
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
    // The requests took the socket back: the connection keeps no pointer
    // to this object.
    xcb_flush(c_);
}

HOT_PATH void XStripPicture::giveBack(void* self) {
    auto* p = static_cast<XStripPicture*>(self);
    std::lock_guard lock(p->socket_);
    p->holds_ = false;
    ++p->takenBack_;
}

HOT_PATH bool XStripPicture::take(std::unique_lock<std::mutex>& lock) {
    while (!holds_) {
        const uint64_t before = takenBack_;
        lock.unlock();
        uint64_t sent = 0;
        const bool taken = xcb_take_socket(c_, &XStripPicture::giveBack, this, 0, &sent);
        lock.lock();
        if (!taken) return false;
        // Unless another thread took it back meanwhile.
        if (takenBack_ == before) {
            holds_ = true;
            sequence_ = sent;
        }
    }
    return true;
}

HOT_PATH bool XStripPicture::sendDirect(const void* data, size_t size, uint64_t count) {
    // Through xcb every step would first wait on the socket (a poll), which
    // costs this program about as much as the write itself.
    std::unique_lock lock(socket_);
    if (!take(lock)) return false;
    if (replied_ == 0 || sequence_ - replied_ >= kRepliedEvery) {
        lock.unlock();
        // Sent the usual way, which takes the socket back; taking it again
        // sends the request.
        xcb_discard_reply(c_, xcb_get_input_focus(c_).sequence);
        lock.lock();
        if (!take(lock)) return false;
        replied_ = sequence_;
    }
    const auto* bytes = static_cast<const char*>(data);
    // A server gone is the connection's to report, not a signal's.
    const ssize_t written = ::send(xcb_get_file_descriptor(c_), bytes, size, MSG_NOSIGNAL);
    if (written < 0 && errno != EAGAIN && errno != EINTR) return false;
    const auto done = static_cast<size_t>(std::max<ssize_t>(written, 0));
    iovec rest{const_cast<char*>(bytes) + done, size - done};
    sequence_ += count;
    // The connection counts the requests, and writes what a full socket
    // left over once there is room.
    return xcb_writev(c_, &rest, done < size ? 1 : 0, count) != 0;
}

HOT_PATH bool XStripPicture::Holds(const QImage& look) {
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

HOT_PATH void XStripPicture::Show(const QImage& look, const QRect& placed, QColor under,
                                  const QRect& strip) {
    if (look.cacheKey() != uploaded_ || look.size() != pixmapSize_) upload(look);
    const QRgb pixel = under.rgb(); // opaque, as a 32-bit window takes it too
    if (!hasForeground_ || pixel != foreground_) {
        xcb_change_gc(c_, gc_, XCB_GC_FOREGROUND, &pixel);
        foreground_ = pixel;
        hasForeground_ = true;
    }
    const QRect shown = placed & strip;
    // One copy of the picture where it shows, one fill of up to four
    // rectangles around it: written as the server reads them.
    struct {
        xcb_copy_area_request_t copy;
        xcb_poly_fill_rectangle_request_t fill;
        xcb_rectangle_t rest[4];
    } r{};
    static_assert(sizeof r.copy == 28 && sizeof r.fill == 12 && sizeof r.rest == 32);
    int n = 0;
    auto add = [&](int x, int y, int w, int h) {
        if (w > 0 && h > 0)
            r.rest[n++] = {static_cast<int16_t>(x), static_cast<int16_t>(y),
                           static_cast<uint16_t>(w), static_cast<uint16_t>(h)};
    };
    int copies = 0;
    if (shown.isEmpty()) {
        add(strip.x(), strip.y(), strip.width(), strip.height());
    } else {
        add(strip.x(), strip.y(), strip.width(), shown.top() - strip.top());
        add(strip.x(), shown.bottom() + 1, strip.width(), strip.bottom() - shown.bottom());
        add(strip.x(), shown.y(), shown.left() - strip.left(), shown.height());
        add(shown.right() + 1, shown.y(), strip.right() - shown.right(), shown.height());
        r.copy = {XCB_COPY_AREA,
                  0,
                  sizeof r.copy / 4,
                  pixmap_,
                  window_,
                  gc_,
                  static_cast<int16_t>(shown.x() - placed.x()),
                  static_cast<int16_t>(shown.y() - placed.y()),
                  static_cast<int16_t>(shown.x()),
                  static_cast<int16_t>(shown.y()),
                  static_cast<uint16_t>(shown.width()),
                  static_cast<uint16_t>(shown.height())};
        copies = 1;
    }
    r.fill = {XCB_POLY_FILL_RECTANGLE, 0,
              static_cast<uint16_t>((sizeof r.fill + n * sizeof r.rest[0]) / 4), window_, gc_};
    // The fill follows the copy directly: drop the copy by starting later.
    const char* from =
        copies ? reinterpret_cast<const char*>(&r.copy) : reinterpret_cast<const char*>(&r.fill);
    const char* end =
        n ? reinterpret_cast<const char*>(&r.rest[n]) : reinterpret_cast<const char*>(&r.fill);
    // A failed connection is Qt's to report.
    if (end > from) sendDirect(from, static_cast<size_t>(end - from), copies + (n ? 1 : 0));
}

} // namespace platform
