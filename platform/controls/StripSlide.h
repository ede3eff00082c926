#pragma once

// A ticker's step without Qt's repaint of the widgets it moves.

#include <QColor>

class QImage;
class QWidget;

namespace platform {

// Moves label to left along its row inside its parent, a panel plainly
// filled with panelColor, by scrolling the strip in the window's backing
// store, painting the columns that come into view from look (the label as
// it paints) and flushing the strip. Qt's own move of a child widget goes
// through the repaint manager: dirty regions, a posted update, a painter
// for each widget and a flush of its own, which for a label stepping twenty
// times a second is most of the program's time.
//
// Only a plain strip qualifies: an opaque panel whose one child is the
// label, nothing above it, unscaled, a step narrower than the strip. For
// anything else it changes nothing and returns false, and the caller moves
// the label as Qt does.
bool SlideOnStrip(QWidget& label, const QImage& look, QColor panelColor, int left);

} // namespace platform
