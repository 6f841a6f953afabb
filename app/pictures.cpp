#include "pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace app {

namespace {

// A telephone handset lying across the square, its ends turned down.
QPainterPath handset(double s) {
    QPainterPath p;
    p.moveTo(0.10 * s, 0.55 * s);
    p.cubicTo(0.15 * s, 0.20 * s, 0.85 * s, 0.20 * s, 0.90 * s, 0.55 * s);
    p.lineTo(0.72 * s, 0.66 * s);
    p.lineTo(0.64 * s, 0.50 * s);
    p.cubicTo(0.55 * s, 0.44 * s, 0.45 * s, 0.44 * s, 0.36 * s, 0.50 * s);
    p.lineTo(0.28 * s, 0.66 * s);
    p.closeSubpath();
    return p;
}

QPixmap canvas(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    return pm;
}

} // namespace

QPixmap linePicture(LinePicture which, int size) {
    QPixmap pm = canvas(size);
    QPainter g(&pm);
    g.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    if (which == LinePicture::Ph1) {
        // On the hook: the handset rests on a grey base.
        g.setPen(Qt::NoPen);
        g.setBrush(QColor(90, 90, 90));
        g.drawRoundedRect(QRectF(0.18 * s, 0.62 * s, 0.64 * s, 0.30 * s), 0.06 * s, 0.06 * s);
        g.setBrush(QColor(40, 40, 40));
        g.drawPath(handset(s).translated(0, 0.10 * s));
    } else {
        // Lifted: a green handset tilted over the base, with two sound arcs.
        g.setPen(Qt::NoPen);
        g.setBrush(QColor(90, 90, 90));
        g.drawRoundedRect(QRectF(0.18 * s, 0.62 * s, 0.64 * s, 0.30 * s), 0.06 * s, 0.06 * s);
        g.save();
        g.translate(0.5 * s, 0.4 * s);
        g.rotate(-20);
        g.translate(-0.5 * s, -0.5 * s);
        g.setBrush(QColor(0, 150, 60));
        g.drawPath(handset(s));
        g.restore();
        g.setPen(QPen(QColor(0, 150, 60), qMax(1.0, 0.05 * s)));
        g.setBrush(Qt::NoBrush);
        g.drawArc(QRectF(0.62 * s, 0.02 * s, 0.30 * s, 0.30 * s), 0, 90 * 16);
        g.drawArc(QRectF(0.55 * s, -0.05 * s, 0.44 * s, 0.44 * s), 0, 90 * 16);
    }
    return pm;
}

QPixmap itemPicture(bool filled, int size) {
    QPixmap pm = canvas(size);
    QPainter g(&pm);
    g.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    if (filled) {
        g.setPen(Qt::NoPen);
        g.setBrush(QColor(30, 80, 160));
        g.drawPath(handset(s));
        g.drawRoundedRect(QRectF(0.25 * s, 0.60 * s, 0.50 * s, 0.28 * s), 0.05 * s, 0.05 * s);
    } else {
        g.setPen(QPen(QColor(180, 180, 180), qMax(1.0, 0.06 * s)));
        g.setBrush(Qt::NoBrush);
        g.drawRoundedRect(QRectF(0.15 * s, 0.15 * s, 0.70 * s, 0.70 * s), 0.1 * s, 0.1 * s);
    }
    return pm;
}

} // namespace app
