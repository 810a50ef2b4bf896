#include "views/windows/parameter_space_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace quorvel {

namespace {

// Every replay icon works whatever the replay's state, so all are drawn in
// black; the state the replay is in shows as a pushed button.
const QColor inkColour(0, 0, 0);

QImage blank() {
    QImage image(iconSize, iconSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

// A rounded frame like the one of a button face, so the icons read as
// controls in the strip.
void frame(QPainter &p) {
    p.setPen(QPen(QColor(160, 160, 160), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(0.5, 0.5, iconSize - 1, iconSize - 1), 3, 3);
}

void triangle(QPainter &p, double left, double right, bool pointsRight) {
    QPolygonF t;
    if (pointsRight)
        t << QPointF(left, 8) << QPointF(right, 15) << QPointF(left, 22);
    else
        t << QPointF(right, 8) << QPointF(left, 15) << QPointF(right, 22);
    p.drawPolygon(t);
}

void magnifier(QPainter &p, bool plus) {
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(QColor(220, 235, 255));
    p.drawEllipse(QRectF(5, 5, 14, 14));
    p.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(18, 18), QPointF(25, 25));
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(QPointF(8, 12), QPointF(16, 12));
    if (plus) p.drawLine(QPointF(12, 8), QPointF(12, 16));
}

void hand(QPainter &p) {
    // Palm, four fingers and the thumb as one outline.
    QPainterPath path;
    path.addRoundedRect(QRectF(8, 13, 15, 12), 4, 4);
    const double tops[] = {7, 4, 5, 8};
    for (int i = 0; i < 4; ++i) {
        QPainterPath finger;
        finger.addRoundedRect(QRectF(8 + i * 3.75, tops[i], 3.5, 16 - tops[i]), 1.75, 1.75);
        path = path.united(finger);
    }
    QPainterPath thumb;
    thumb.addRoundedRect(QRectF(3.5, 14, 8, 4), 2, 2);
    path = path.united(thumb);
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(QColor(255, 230, 200));
    p.drawPath(path);
}

}  // namespace

QImage toolPicture(ToolPicture which) {
    QImage image = blank();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    switch (which) {
    case ToolPicture::ZoomIn:
        magnifier(p, true);
        break;
    case ToolPicture::ZoomOut:
        magnifier(p, false);
        break;
    case ToolPicture::Hand:
        hand(p);
        break;
    case ToolPicture::Dot:
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::black);
        p.drawEllipse(QRectF(11, 11, 8, 8));
        break;
    }
    return image;
}

QIcon toolIcon(ToolPicture which) {
    const QImage up = toolPicture(which);
    QImage down = up;
    // The pushed face is the same picture on a grey ground.
    for (int y = 0; y < down.height(); ++y)
        for (int x = 0; x < down.width(); ++x)
            if (down.pixelColor(x, y) == QColor(Qt::white)) down.setPixelColor(x, y, QColor(200, 200, 200));
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(up), QIcon::Normal, QIcon::Off);
    icon.addPixmap(QPixmap::fromImage(down), QIcon::Normal, QIcon::On);
    return icon;
}

QImage replayPicture(ReplayIcon which, bool on) {
    QImage image = blank();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (on) {
        p.setPen(QPen(QColor(90, 90, 90), 1));
        p.setBrush(replayPushedColour);
        p.drawRoundedRect(QRectF(0.5, 0.5, iconSize - 1, iconSize - 1), 3, 3);
    } else {
        frame(p);
    }
    const QColor ink = inkColour;
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    switch (which) {
    case ReplayIcon::Save: {
        // A diskette with an arrow going into it.
        p.setBrush(QColor(40, 70, 160));
        p.drawRoundedRect(QRectF(6, 11, 18, 16), 1.5, 1.5);
        p.setBrush(QColor(190, 190, 190));
        p.drawRect(QRectF(10, 11, 10, 5));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 19, 12, 6));
        p.setPen(QPen(QColor(200, 0, 0), 2));
        p.drawLine(QPointF(15, 2), QPointF(15, 10));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 0, 0));
        p.drawPolygon(QPolygonF({QPointF(11, 8), QPointF(19, 8), QPointF(15, 13)}));
        break;
    }
    case ReplayIcon::GoToStart:
        p.drawRect(QRectF(8, 8, 3, 14));
        triangle(p, 11, 22, false);
        break;
    case ReplayIcon::Play:
        triangle(p, 10, 22, true);
        break;
    case ReplayIcon::Pause:
        p.drawRect(QRectF(9, 8, 4, 14));
        p.drawRect(QRectF(17, 8, 4, 14));
        break;
    case ReplayIcon::GoToEnd:
        triangle(p, 8, 19, true);
        p.drawRect(QRectF(19, 8, 3, 14));
        break;
    }
    return image;
}

QImage infinityPicture() {
    QImage image = blank();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(255, 0, 0), 2.5));
    p.setBrush(Qt::NoBrush);
    // Two loops meeting at the centre.
    QPainterPath path;
    path.moveTo(15, 15);
    path.cubicTo(19, 8, 27, 8, 27, 15);
    path.cubicTo(27, 22, 19, 22, 15, 15);
    path.cubicTo(11, 8, 3, 8, 3, 15);
    path.cubicTo(3, 22, 11, 22, 15, 15);
    p.drawPath(path);
    return image;
}

}  // namespace quorvel
