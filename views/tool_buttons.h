// The four tool buttons at the left of a plane window's top strip, built
// the same way for both windows: Zoom In, Zoom Out, Hand and Dot, 30 pixels
// square, at 0, 17, 34 and 51 dialog units (never overlapping, however
// narrow the font's units). Hand and Dot show a pushed state.
#pragma once

#include <functional>
#include <map>

class QToolButton;
class QWidget;

namespace quorvel {

class DialogUnits;

// Builds the buttons on `strip`; a click on button `id` calls clicked(id).
std::map<int, QToolButton *> addToolButtons(QWidget *strip, const DialogUnits &units,
                                            const std::function<void(int id)> &clicked);

}  // namespace quorvel
