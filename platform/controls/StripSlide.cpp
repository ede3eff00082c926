#include "platform/controls/StripSlide.h"

#include "platform/HotPath.h"
#include "platform/controls/XStripPicture.h"

#include <QBackingStore>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QWidget>

#include <algorithm>
#include <cstdlib>

namespace platform {

namespace {

HOT_PATH QWidget* widgetAt(QObject* object) {
    auto* w = qobject_cast<QWidget*>(object);
    return w && !w->isWindow() && w->isVisible() ? w : nullptr;
}

// Where w lies in top, one of its ancestors: the places Qt keeps, added up
// as QWidget::mapTo adds them, without its calls.
HOT_PATH QPoint offsetIn(const QWidget& w, const QWidget& top) {
    QPoint at;
    for (const QWidget* p = &w; p != &top; p = p->parentWidget())
        at += p->geometry().topLeft();
    return at;
}

// QRect's overlap and intersection, written out: Qt's are calls, and a step
// makes several. Rects without area overlap nothing.
HOT_PATH bool overlap(const QRect& a, const QRect& b) {
    return !a.isEmpty() && !b.isEmpty() && a.left() <= b.right() && b.left() <= a.right() &&
           a.top() <= b.bottom() && b.top() <= a.bottom();
}

HOT_PATH QRect common(const QRect& a, const QRect& b) {
    const QPoint from(std::max(a.left(), b.left()), std::max(a.top(), b.top()));
    const QPoint to(std::min(a.right(), b.right()), std::min(a.bottom(), b.bottom()));
    return from.x() <= to.x() && from.y() <= to.y() ? QRect(from, to) : QRect();
}

// The part of panel the window shows, in the window's coordinates; empty
// when another widget lies over it or inside it beside the label.
HOT_PATH QRect plainStrip(const QWidget& panel, const QWidget& label, const QWidget& top) {
    for (QObject* child : panel.children())
        if (QWidget* w = widgetAt(child); w && w != &label) return {};
    QPoint origin = offsetIn(panel, top);
    QRect strip(origin, panel.size());
    for (const QWidget* w = &panel; w != &top; w = w->parentWidget()) {
        const QWidget* parent = w->parentWidget();
        origin -= w->geometry().topLeft();
        strip = common(strip, QRect(origin, parent->size()));
        // Later children lie above earlier ones.
        const QObjectList& siblings = parent->children();
        for (qsizetype i = siblings.indexOf(const_cast<QWidget*>(w)) + 1; i < siblings.size(); ++i)
            if (QWidget* s = widgetAt(siblings[i]);
                s && overlap(s->geometry().translated(origin), strip))
                return {};
    }
    return strip;
}

bool isPlain32(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

// The columns that came into view: the panel's colour, and the label where
// it lies. A strip is a few pixels high, so plain stores take the pixels
// row by row; a painter costs more to begin than the copy.
void paintUncovered(QPaintDevice& device, const QRegion& uncovered, const QImage& look,
                    const QRect& placed, QColor panelColor) {
    auto* image = device.devType() == QInternal::Image ? static_cast<QImage*>(&device) : nullptr;
    if (!image || !isPlain32(image->format()) || look.format() != QImage::Format_RGB32) {
        QPainter p(&device);
        for (const QRect& r : uncovered) {
            p.fillRect(r, panelColor);
            const QRect shown = r & placed;
            if (!shown.isEmpty()) p.drawImage(shown, look, shown.translated(-placed.topLeft()));
        }
        return;
    }
    const QRgb under = panelColor.rgb();
    for (QRect r : uncovered) {
        r &= image->rect();
        const QRect shown = r & placed;
        for (int y = r.top(); y <= r.bottom(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image->scanLine(y));
            std::fill(line + r.left(), line + r.right() + 1, under);
            if (y < shown.top() || y > shown.bottom()) continue;
            const auto* from = reinterpret_cast<const QRgb*>(look.constScanLine(y - placed.top()));
            std::copy_n(from + (shown.left() - placed.left()), shown.width(), line + shown.left());
        }
    }
}

// The window label shows in, when no widget on the way there has a window
// of its own: the places Qt keeps then add up to the window's coordinates.
// Null otherwise. Asked of the widgets' data, which Qt's calls for it would
// read too, at a cost on every step.
HOT_PATH QWidget* plainWindowOf(QWidget& label) {
    QWidget* w = &label;
    for (; w && !w->isWindow(); w = w->parentWidget())
        if (w->internalWinId()) return nullptr;
    return w;
}

} // namespace

StripSlider::~StripSlider() = default;

HOT_PATH bool StripSlider::Slide(const QImage& look, QColor panelColor, int left) {
    QWidget* panel = label_.parentWidget();
    QWidget* top = plainWindowOf(label_);
    const int dx = left - label_.geometry().x();
    QRect strip;
    if (panel && top && panel != top && label_.isVisible() && top->internalWinId() &&
        panelColor.alpha() == 255 && look.size() == label_.size() && look.devicePixelRatio() == 1 &&
        label_.mask().isEmpty() && panel->mask().isEmpty() && !label_.graphicsEffect() &&
        !panel->graphicsEffect())
        strip = plainStrip(*panel, label_, *top);
    if (!strip.isEmpty() && std::abs(dx) < strip.width() &&
        (onServer(*top, look, panelColor, strip, left) ||
         onStore(*top, look, panelColor, strip, left)))
        return true;
    CatchUp();
    return false;
}

void StripSlider::CatchUp() {
    if (!behind_) return;
    behind_ = false;
    // Both: Qt repaints a panel around its opaque children, not under them.
    label_.update();
    if (QWidget* panel = label_.parentWidget()) panel->update();
}

bool StripSlider::eventFilter(QObject*, QEvent* event) {
    // Qt answers an exposure from its backing store; a window already shown
    // gets it as a paint event.
    if (event->type() == QEvent::Expose || event->type() == QEvent::Paint) CatchUp();
    return false;
}

HOT_PATH void StripSlider::moveQuietly(int left) {
    // The window already shows the label where it goes. Qt's move would
    // still send an event through the application and every filter on the
    // label, which twenty times a second is more than the step itself; so
    // the place Qt keeps, which it reads to hit-test, map and paint, is set
    // directly. The one note a move leaves besides is the panel's of what
    // its opaque children cover: a label that slides is left out of it once,
    // so the note holds wherever the label goes (the panel's colour beneath
    // it costs a repaint of the strip a fill).
    if (label_.testAttribute(Qt::WA_OpaquePaintEvent))
        label_.setAttribute(Qt::WA_OpaquePaintEvent, false);
    qt_qwidget_data(&label_)->crect.moveLeft(left);
}

HOT_PATH bool StripSlider::onServer(QWidget& top, const QImage& look, QColor panelColor,
                                    const QRect& strip, int left) {
    const uint64_t window = top.internalWinId();
    if (window == noServerFor_ || !XStripPicture::Holds(look)) return false;
    if (!server_ || server_->Window() != window) {
        server_ = XStripPicture::For(top);
        if (!server_) {
            noServerFor_ = window;
            return false;
        }
    }
    if (!watched_ || window != watchedId_) {
        if (watched_) watched_->removeEventFilter(this);
        watched_ = top.windowHandle();
        watched_->installEventFilter(this);
        watchedId_ = window;
    }
    moveQuietly(left);
    server_->Show(look, QRect(offsetIn(label_, top), label_.size()), panelColor, strip);
    behind_ = true;
    return true;
}

bool StripSlider::onStore(QWidget& top, const QImage& look, QColor panelColor, const QRect& strip,
                          int left) {
    // The store must hold what the screen shows before it is scrolled.
    CatchUp();
    // Repaints Qt still owes the window land before its picture is moved.
    QCoreApplication::sendPostedEvents(&top, QEvent::UpdateRequest);
    QBackingStore* store = top.backingStore();
    const int dx = left - label_.x();
    // What stays in view moves; the store copies an area to where it goes.
    if (!store || !QRect(QPoint(), store->size()).contains(strip) ||
        !store->scroll(strip & strip.translated(-dx, 0), dx, 0))
        return false;
    moveQuietly(left);
    const QRect placed(offsetIn(label_, top), label_.size());
    const QRegion uncovered = QRegion(strip) - strip.translated(dx, 0);
    store->beginPaint(uncovered);
    paintUncovered(*store->paintDevice(), uncovered, look, placed, panelColor);
    store->endPaint();
    store->flush(strip, top.windowHandle());
    return true;
}

} // namespace platform
