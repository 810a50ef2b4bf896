// The pictures of the Parameter Space window, drawn with QPainter: the four
// tool buttons, the five replay icons of the bottom strip (black symbols,
// each on a pushed face while the replay is in its state; the save icon's
// symbol has colours of its own) and the red infinity sign of the top
// strip. All are 30 x 30 pixels.
#pragma once

#include <QIcon>
#include <QImage>

#include "tracing/view_state.h"

namespace quorvel {

inline constexpr int iconSize = 30;
// The face of a replay icon whose state the replay is in.
inline const QColor replayPushedColour(200, 215, 240);

enum class ToolPicture { ZoomIn, ZoomOut, Hand, Dot };

QImage toolPicture(ToolPicture which);
// The button's icon: the picture, and a darker one for the pushed state.
QIcon toolIcon(ToolPicture which);
QImage replayPicture(ReplayIcon which, bool on);
QImage infinityPicture();

}  // namespace quorvel
