#include "engine/property/PropertyGlyphs.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <vector>

namespace {

enum class State { Normal, Disabled, Pressed, Down };

void drawArrow(QPainter& p, bool up, const QColor& ink) {
    QPainterPath path;
    if (up) {
        path.moveTo(8, 3);
        path.lineTo(13, 9);
        path.lineTo(10, 9);
        path.lineTo(10, 13);
        path.lineTo(6, 13);
        path.lineTo(6, 9);
        path.lineTo(3, 9);
    } else {
        path.moveTo(8, 13);
        path.lineTo(13, 7);
        path.lineTo(10, 7);
        path.lineTo(10, 3);
        path.lineTo(6, 3);
        path.lineTo(6, 7);
        path.lineTo(3, 7);
    }
    path.closeSubpath();
    p.fillPath(path, ink);
}

// A globe: the page the URL leads to.
void drawGlobe(QPainter& p, const QColor& ink, const QColor& sea) {
    p.setBrush(sea);
    p.setPen(QPen(ink, 1));
    p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(5.5, 2.5, 5, 11));
    p.drawLine(QPointF(2.5, 8), QPointF(13.5, 8));
}

// A sheet with a headline ticking across it.
void drawForm(QPainter& p, int size, const QColor& ink, const QColor& paper, const QColor& accent) {
    qreal u = size / 16.0;
    p.setPen(QPen(ink, u));
    p.setBrush(paper);
    p.drawRect(QRectF(1.5 * u, 2.5 * u, 13 * u, 11 * u));
    p.fillRect(QRectF(2 * u, 3 * u, 12 * u, 2.5 * u), accent);
    p.setPen(QPen(ink, u));
    for (qreal y : {7.5, 9.5, 11.5})
        p.drawLine(QPointF(3.5 * u, y * u), QPointF((y == 11.5 ? 9 : 12.5) * u, y * u));
}

QPixmap render(PropertyGlyph glyph, State state, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    bool disabled = state == State::Disabled;
    QColor ink = disabled ? QColor(160, 160, 160) : QColor(0, 0, 0);
    QColor blue = disabled ? QColor(200, 200, 200) : QColor(40, 90, 200);
    QColor sea = disabled ? QColor(225, 225, 225) : QColor(120, 180, 240);
    // Pressed and held glyphs sit one pixel down and right, as on a
    // sunken button face.
    if (state == State::Pressed || state == State::Down) p.translate(1, 1);
    switch (glyph) {
    case PropertyGlyph::Up:
        drawArrow(p, true, blue);
        break;
    case PropertyGlyph::Down:
        drawArrow(p, false, blue);
        break;
    case PropertyGlyph::OpenURL:
        drawGlobe(p, ink, sea);
        break;
    case PropertyGlyph::Form:
        drawForm(p, size, ink, disabled ? QColor(235, 235, 235) : Qt::white, blue);
        break;
    }
    p.end();
    return QPixmap::fromImage(image);
}

} // namespace

QIcon MakePropertyGlyph(PropertyGlyph glyph) {
    QIcon icon;
    std::vector<int> sizes{16};
    if (glyph == PropertyGlyph::Form) sizes.push_back(32);
    for (int size : sizes) {
        icon.addPixmap(render(glyph, State::Normal, size), QIcon::Normal);
        icon.addPixmap(render(glyph, State::Disabled, size), QIcon::Disabled);
        icon.addPixmap(render(glyph, State::Pressed, size), QIcon::Active);
        icon.addPixmap(render(glyph, State::Down, size), QIcon::Selected);
    }
    return icon;
}
