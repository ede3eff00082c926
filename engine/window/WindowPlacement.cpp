#include "engine/window/WindowPlacement.h"

#include <algorithm>
#include <cstdint>

namespace {

// The window system's coordinates are 16 bits wide. The sums are taken in
// 64 bits, so that an offset from a settings file cannot overflow them.
QPoint onScreenRange(int64_t x, int64_t y) {
    constexpr int64_t low = -32768, high = 32767;
    return {static_cast<int>(std::clamp(x, low, high)), static_cast<int>(std::clamp(y, low, high))};
}

} // namespace

QPoint WindowPlace(int location, const QRect& player, const QSize& window, QPoint offset,
                   QPoint current) {
    // Halves truncate toward zero, also for a window wider than the player.
    int64_t px = player.x(), py = player.y(), pw = player.width(), ph = player.height();
    int64_t w = window.width(), h = window.height();
    switch (location) {
    case wlUpper:
        return onScreenRange(px + (pw - w) / 2, py - h);
    case wlUnder:
        return onScreenRange(px + (pw - w) / 2, py + ph);
    case wlLeft:
        return onScreenRange(px - w, py + (ph - h) / 2);
    case wlRight:
        return onScreenRange(px + pw, py + (ph - h) / 2);
    case wlOffset:
        return onScreenRange(px + offset.x(), py + offset.y());
    default:
        return current;
    }
}

QPoint PlayerPlace(int location, const QRect& player, const QRect& window) {
    int pw = player.width(), ph = player.height();
    int x = window.x(), y = window.y(), w = window.width(), h = window.height();
    switch (location) {
    case wlUpper:
        return {x - (pw - w) / 2, y + h};
    case wlUnder:
        return {x - (pw - w) / 2, y - ph};
    case wlLeft:
        return {x + w, y - (ph - h) / 2};
    case wlRight:
        return {x - pw, y - (ph - h) / 2};
    default:
        return player.topLeft();
    }
}

QPoint CornerSnap::Snap(QPoint p, const QSize& size, const QRect& workArea) {
    // The work area's right and bottom edges, exclusive, as the system gives them.
    int left = workArea.x(), top = workArea.y();
    int right = workArea.x() + workArea.width(), bottom = workArea.y() + workArea.height();
    int x = p.x(), y = p.y(), r = x + size.width(), b = y + size.height();
    auto near = [](int v, int edge) { return v >= edge - kZone && v < edge + kZone; };
    corner = -1;
    if (near(x, left) && near(y, top))
        corner = 0;
    else if (near(x, left) && near(b, bottom))
        corner = 1;
    else if (near(r, right) && near(y, top))
        corner = 2;
    else if (near(r, right) && near(b, bottom))
        corner = 3;
    else
        armed = true;
    if (armed && corner >= 0) {
        x = corner >= 2 ? right - size.width() : left;
        y = corner == 1 || corner == 3 ? bottom - size.height() : top;
    }
    return {x, y};
}
