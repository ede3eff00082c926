#include "platform/controls/OnScreen.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace platform {

namespace {

bool reachable(const QRect& window, const QRect& screen) {
    QRect shown = window.intersected(screen);
    return shown.width() >= std::min(kMinOnScreen, window.width()) &&
           shown.height() >= std::min(kMinOnScreen, window.height()) && !shown.isEmpty();
}

// How far the window lies from the screen, squared; 0 when they overlap.
int64_t distance(const QRect& window, const QRect& screen) {
    auto gap = [](int64_t low, int64_t high, int64_t from, int64_t to) {
        return std::max<int64_t>({0, from - high, low - to});
    };
    int64_t dx = gap(window.left(), window.right(), screen.left(), screen.right());
    int64_t dy = gap(window.top(), window.bottom(), screen.top(), screen.bottom());
    return dx * dx + dy * dy;
}

int clampInto(int at, int size, int start, int length) {
    // A window larger than the screen keeps its top-left corner on it.
    return std::max(start, std::min(at, start + length - size));
}

} // namespace

QPoint KeepOnScreens(QPoint at, QSize size, const std::vector<QRect>& screens) {
    // A settings file may hold any number; the sums below must not overflow.
    constexpr int low = -32768, high = 32767;
    QRect window(std::clamp(at.x(), low, high), std::clamp(at.y(), low, high),
                 std::clamp(size.width(), 0, high), std::clamp(size.height(), 0, high));
    if (screens.empty()) return window.topLeft();
    if (std::any_of(screens.begin(), screens.end(),
                    [&](const QRect& s) { return reachable(window, s); }))
        return window.topLeft();
    const QRect* nearest = &screens.front();
    int64_t best = std::numeric_limits<int64_t>::max();
    for (const QRect& s : screens)
        if (int64_t d = distance(window, s); d < best) {
            best = d;
            nearest = &s;
        }
    return {clampInto(window.x(), window.width(), nearest->x(), nearest->width()),
            clampInto(window.y(), window.height(), nearest->y(), nearest->height())};
}

QPoint KeepOnScreen(QPoint at, QSize size) {
    std::vector<QRect> areas;
    for (QScreen* screen : QGuiApplication::screens())
        areas.push_back(screen->availableGeometry());
    return KeepOnScreens(at, size, areas);
}

} // namespace platform
