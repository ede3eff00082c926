#pragma once

// A label's picture kept by the X server and shown in a strip of a window:
// a ticker's step then costs the server one copy and this program one short
// request, where a step through Qt's backing store scrolls it, uploads the
// new column and copies the strip out of it.

#include <QColor>
#include <QImage>
#include <QRect>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

struct xcb_connection_t;
class QWidget;

namespace platform {

class XStripPicture {
public:
    // For top's window on an X display whose pixels are 32-bit true colour
    // laid out as QImage::Format_RGB32; null elsewhere.
    static std::unique_ptr<XStripPicture> For(QWidget& top);
    ~XStripPicture();
    XStripPicture(const XStripPicture&) = delete;
    XStripPicture& operator=(const XStripPicture&) = delete;

    uint32_t Window() const { return window_; }
    // Whether the server can hold look (an RGB32 picture).
    static bool Holds(const QImage& look);
    // Shows strip (in the window's coordinates): look where placed lies,
    // under elsewhere. look is uploaded when it is not the one shown last.
    void Show(const QImage& look, const QRect& placed, QColor under, const QRect& strip);

    // Requests written straight to the socket between two that have a
    // reply: the connection tells its sequence numbers apart by replies at
    // most 2^16 requests apart.
    static constexpr uint64_t kRepliedEvery = 30000;

private:
    XStripPicture(xcb_connection_t* c, uint32_t window, uint8_t depth);
    void upload(const QImage& look);
    // Writes count requests straight to the connection's socket, which this
    // object keeps between steps; false when the connection has failed.
    bool sendDirect(const void* data, size_t size, uint64_t count);
    bool take(std::unique_lock<std::mutex>& lock);
    static void giveBack(void* self);

    xcb_connection_t* c_;
    uint32_t window_;
    uint8_t depth_;
    uint32_t gc_ = 0;
    uint32_t pixmap_ = 0;
    QSize pixmapSize_;
    qint64 uploaded_ = 0; // the cache key of the look on the server
    QRgb foreground_ = 0;
    bool hasForeground_ = false;

    // The connection takes its socket back (giveBack) before it writes a
    // request of its own, on whichever thread writes it.
    std::mutex socket_;
    bool holds_ = false;
    uint64_t takenBack_ = 0; // how often it was taken back
    uint64_t sequence_ = 0;  // the last request written, while held
    uint64_t replied_ = 0;   // the last request with a reply this object sent
};

} // namespace platform
