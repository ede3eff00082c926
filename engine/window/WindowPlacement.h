#pragma once

// Where the news window goes beside the player, where the player goes when
// the window is dragged, and the pull of the work area's corners. Pure
// arithmetic, so every rule can be checked without a screen.

#include <QPoint>
#include <QRect>
#include <QSize>

// The window's locations: free, above, below, left of or right of the
// player (centred on that side), or at a fixed offset from its top-left.
enum WindowLocation { wlFree = 0, wlUpper, wlUnder, wlLeft, wlRight, wlOffset };

// The window's top-left for a player at player (its size included); offset
// serves location 5. Location 0 (and any unknown one) keeps current.
QPoint WindowPlace(int location, const QRect& player, const QSize& window, QPoint offset,
                   QPoint current);

// Where the player goes when the window is moved to window (its size
// included); for locations 0 and 5 the player stays.
QPoint PlayerPlace(int location, const QRect& player, const QRect& window);

// Snapping to the corners of the work area while the window is dragged.
struct CornerSnap {
    bool armed = false; // snapping allowed once the window has left every corner zone
    int corner = -1;    // -1 none, 0 top-left, 1 bottom-left, 2 top-right, 3 bottom-right

    static constexpr int kZone = 16;
    // The point the window of size goes to when dropped at p.
    QPoint Snap(QPoint p, const QSize& size, const QRect& workArea);
};
