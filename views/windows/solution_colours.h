// The seven colours that tell the fiber points apart: the fill of the mark
// of the solution numbered k in the Solution Space window and the strand
// that starts at the point numbered k in the braid picture both use colour
// k mod 7.
#pragma once

#include <QColor>
#include <QPen>

namespace quorvel {

inline constexpr int solutionColourCount = 7;

// Red, green, blue, cyan, magenta, yellow, grey; any integer is taken mod 7.
// The yellow is a dark one, readable on white.
inline QColor solutionColour(int k) {
    static const QColor colours[solutionColourCount] = {
        QColor(255, 0, 0),   QColor(0, 255, 0),   QColor(0, 0, 255),    QColor(0, 255, 255),
        QColor(255, 0, 255), QColor(200, 160, 0), QColor(128, 128, 128),
    };
    return colours[((k % solutionColourCount) + solutionColourCount) % solutionColourCount];
}

// The solid strand pen of colour k, 3 pixels wide with round ends.
inline QPen strandPen(int k) {
    return QPen(solutionColour(k), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// The pens of the plane grid.
inline QColor gridColour() { return QColor(180, 180, 255); }
inline QColor axisColour() { return QColor(0, 0, 255); }

}  // namespace quorvel
