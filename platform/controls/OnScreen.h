#pragma once

// Keeps a window where the user can reach it: a stored place on a monitor
// that has since gone would open the window out of sight.

#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

namespace platform {

// At least this much of a window, across and down, must lie on one screen.
constexpr int kMinOnScreen = 32;

// The top-left for a window of size stored at at: moved wholly onto the
// nearest of screens when less than kMinOnScreen pixels of it (either way,
// or all of a smaller window) lie on every one of them; else at, held to the
// window system's 16-bit range.
QPoint KeepOnScreens(QPoint at, QSize size, const std::vector<QRect>& screens);

// The same against the work areas of the screens the system has now.
QPoint KeepOnScreen(QPoint at, QSize size);

} // namespace platform
