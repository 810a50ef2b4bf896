// The pictures of the Parameter Space window, drawn with QPainter: the four
// tool buttons, the five replay icons of the bottom strip (each grey while
// its state is off and black while it is on; the save icon has one look)
// and the red infinity sign of the top strip. All are 30 x 30 pixels.
#pragma once

#include <QIcon>
#include <QImage>

#include "tracing/view_state.h"

namespace quorvel {

inline constexpr int iconSize = 30;

enum class ToolPicture { ZoomIn, ZoomOut, Hand, Dot };

QImage toolPicture(ToolPicture which);
// The button's icon: the picture, and a darker one for the pushed state.
QIcon toolIcon(ToolPicture which);
QImage replayPicture(ReplayIcon which, bool on);
QImage infinityPicture();

}  // namespace quorvel
