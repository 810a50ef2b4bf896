// The off-screen canvas of a plane window: at least 1024 x 768, as large as
// the client area when that is larger (so a big window is drawn to its
// edges), at the screen's pixel ratio (so lines stay sharp on HiDPI
// screens). Drawing uses client pixels whatever the ratio.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>
#include <algorithm>

namespace quorvel {

// The canvas the plane is drawn into: never smaller than this.
inline constexpr int canvasWidth = 1024;
inline constexpr int canvasHeight = 768;

// Makes the canvas cover `client` at `ratio`; a new canvas starts white.
inline void fitCanvas(QImage &canvas, QSize client, qreal ratio) {
    const QSize logical(std::max(canvasWidth, client.width()), std::max(canvasHeight, client.height()));
    if (!canvas.isNull() && canvas.devicePixelRatio() == ratio &&
        canvas.width() >= qRound(logical.width() * ratio) && canvas.height() >= qRound(logical.height() * ratio))
        return;
    canvas = QImage(logical * ratio, QImage::Format_RGB32);
    canvas.setDevicePixelRatio(ratio);
    canvas.fill(Qt::white);
}

// Copies the part `area` (client pixels) of the canvas to the same place.
inline void copyCanvas(QPainter &painter, const QImage &canvas, const QRect &area) {
    const qreal r = canvas.devicePixelRatio();
    painter.drawImage(QRectF(area), canvas, QRectF(area.x() * r, area.y() * r, area.width() * r, area.height() * r));
}

}  // namespace quorvel
