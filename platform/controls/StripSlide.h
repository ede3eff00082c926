#pragma once

// A ticker's step without Qt's repaint of the widgets it moves.

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QWindow>

#include <cstdint>
#include <memory>

class QImage;
class QWidget;

namespace platform {

class XStripPicture;

// Moves a label along its row inside its parent, a panel plainly filled
// with one colour, without Qt's move of a child widget: that goes through
// the repaint manager (dirty regions, a posted update, a painter for each
// widget, a flush of its own) and for a label stepping twenty times a
// second is most of the program's time.
//
// On an X display the server keeps a picture of the label and each step
// shows the strip from it. Qt's backing store then lags the screen: an
// exposure of the window, or a move that is not a slide, has Qt paint the
// panel afresh first. Elsewhere the step scrolls the strip in the backing
// store, paints the columns that come into view and flushes the strip.
//
// Only a plain strip qualifies: an opaque panel whose one child is the
// label, nothing above it, unscaled, a step narrower than the strip.
class StripSlider : public QObject {
public:
    explicit StripSlider(QWidget& label) : label_(label) {}
    ~StripSlider() override;

    // Slides the label to left showing look (the label as it paints, RGB32)
    // on a panel of panelColor. False, having moved nothing, when the strip
    // does not qualify: the caller moves the label as Qt does.
    bool Slide(const QImage& look, QColor panelColor, int left);
    // Has Qt paint the panel afresh if the screen is ahead of its backing
    // store, as before the label moves any other way.
    void CatchUp();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool onServer(QWidget& top, const QImage& look, QColor panelColor, const QRect& strip,
                  int left);
    bool onStore(QWidget& top, const QImage& look, QColor panelColor, const QRect& strip, int left);
    void moveQuietly(int left);

    QWidget& label_;
    std::unique_ptr<XStripPicture> server_;
    uint64_t noServerFor_ = 0; // the window found to have no server picture
    QPointer<QWindow> watched_;
    uint64_t watchedId_ = 0; // the X window of watched_
    bool behind_ = false;    // Qt's backing store lags what the screen shows
};

} // namespace platform
