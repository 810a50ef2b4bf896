// The coordinate grid both plane windows draw: horizontal lines from bottom
// to top, then vertical lines from left to right, each with the axis pen
// when it lies within half a grid step of 0.
#pragma once

#include <QPainter>
#include <QPen>

#include "views/headless/plane_view.h"

namespace quorvel {

// Horizontal lines stop 2 pixels inside planeRect; vertical lines stop
// `verticalInset` pixels inside it (the two windows differ by one pixel).
inline void paintGridLines(QPainter &painter, const PlaneView &view, const QPen &gridPen,
                           const QPen &axisPen, int verticalInset) {
    const PixelRect &r = view.planeRect;
    for (double y : view.horizontalGridLines()) {
        painter.setPen(view.isAxis(y) ? axisPen : gridPen);
        const int row = view.toScreen(0.0, y).y;
        painter.drawLine(r.left + 2, row, r.right - 2, row);
    }
    for (double x : view.verticalGridLines()) {
        painter.setPen(view.isAxis(x) ? axisPen : gridPen);
        const int column = view.toScreen(x, 0.0).x;
        painter.drawLine(column, r.top + verticalInset, column, r.bottom - verticalInset);
    }
}

}  // namespace quorvel
