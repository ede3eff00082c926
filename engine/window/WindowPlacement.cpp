#include "engine/window/WindowPlacement.h"

QPoint WindowPlace(int location, const QRect& player, const QSize& window, QPoint offset,
                   QPoint current) {
    // Halves truncate toward zero, also for a window wider than the player.
    int px = player.x(), py = player.y(), pw = player.width(), ph = player.height();
    int w = window.width(), h = window.height();
    switch (location) {
    case wlUpper:
        return {px + (pw - w) / 2, py - h};
    case wlUnder:
        return {px + (pw - w) / 2, py + ph};
    case wlLeft:
        return {px - w, py + (ph - h) / 2};
    case wlRight:
        return {px + pw, py + (ph - h) / 2};
    case wlOffset:
        return {px + offset.x(), py + offset.y()};
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
