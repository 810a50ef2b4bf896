// The application icon: two strands of a braid crossing over a curve in a
// blue tile, drawn with QPainter at any size.
#pragma once

#include <QIcon>
#include <QImage>

namespace quorvel {

// The icon drawn on a transparent square image of the given side.
QImage renderAppIcon(int size);

// The icon at the sizes window systems ask for.
QIcon appIcon();

}  // namespace quorvel
