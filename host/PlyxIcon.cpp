#include "host/PlyxIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap drawn(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);
    QLinearGradient face(0, 6, 0, 42);
    face.setColorAt(0, QColor(0x3a, 0x6e, 0xa5));
    face.setColorAt(1, QColor(0x16, 0x32, 0x4f));
    p.setPen(QPen(QColor(0x0d, 0x1f, 0x33), 1.5));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(3, 6, 42, 36), 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    QPainterPath play;
    play.moveTo(14, 14);
    play.lineTo(26, 21);
    play.lineTo(14, 28);
    play.closeSubpath();
    p.drawPath(play);
    p.drawRoundedRect(QRectF(29, 14, 3, 14), 1, 1);
    p.drawRoundedRect(QRectF(34, 14, 3, 14), 1, 1);
    p.setBrush(QColor(0x0d, 0x1f, 0x33));
    p.drawRoundedRect(QRectF(8, 32, 32, 6), 2, 2);
    p.setBrush(QColor(0xff, 0xd3, 0x4d));
    p.drawRect(QRectF(10, 34, 14, 2));
    p.drawRect(QRectF(26, 34, 8, 2));
    return pixmap;
}

} // namespace

QIcon PlyxIcon() {
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addPixmap(drawn(size));
    return icon;
}
