#include "app/app_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace quorvel {

namespace {

// One strand of the braid: it starts at the top in column `from`, crosses
// to column `to` in the middle and runs straight down. Coordinates are in
// a 100 x 100 design square.
QPainterPath strand(double from, double to) {
    QPainterPath path(QPointF(from, 18));
    path.lineTo(from, 30);
    path.cubicTo(from, 50, to, 50, to, 70);
    path.lineTo(to, 82);
    return path;
}

}  // namespace

QImage renderAppIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 100.0, size / 100.0);

    // The tile.
    QLinearGradient sky(0, 0, 0, 100);
    sky.setColorAt(0, QColor(40, 70, 160));
    sky.setColorAt(1, QColor(20, 30, 90));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(4, 4, 92, 92), 18, 18);

    // The parameter plane's loop around a branch point, in faint white.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 70), 3));
    p.drawEllipse(QPointF(50, 50), 34, 34);

    // Two strands exchanging places: the under-strand first, then a gap cut
    // out of it by the over-strand's halo.
    const QPainterPath under = strand(66, 34);
    const QPainterPath over = strand(34, 66);
    const QColor red(255, 90, 80);
    const QColor yellow(255, 215, 70);
    p.setPen(QPen(yellow, 9, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(under);
    p.save();
    p.setClipRect(QRectF(30, 40, 40, 20));
    p.setPen(QPen(QColor(30, 50, 125), 17, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(over);
    p.restore();
    p.setPen(QPen(red, 9, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(over);

    // The base point of the loop.
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(84, 50), 5, 5);
    return image;
}

QIcon appIcon() {
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(QPixmap::fromImage(renderAppIcon(side)));
    return icon;
}

}  // namespace quorvel
