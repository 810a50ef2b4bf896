// The four tool buttons at the left of a plane window's top strip, built
// the same way for both windows: Zoom In, Zoom Out, Hand and Dot, 30 pixels
// square, at 0, 17, 34 and 51 dialog units (never overlapping, however
// narrow the font's units). Hand and Dot show a pushed state.
#pragma once

#include <QKeySequence>
#include <functional>
#include <map>

class QAction;
class QToolButton;
class QWidget;

namespace quorvel {

class DialogUnits;

// Builds the buttons on `strip`; a click on button `id` calls clicked(id).
std::map<int, QToolButton *> addToolButtons(QWidget *strip, const DialogUnits &units,
                                            const std::function<void(int id)> &clicked);

// The key a command's menu text names (Ctrl+U, Ctrl+O, Ctrl+I, Ctrl+K,
// Ctrl+J, Ctrl+L for the navigation, Ctrl+T and Ctrl+N for the Solution
// Space's modes); empty for the other commands.
QKeySequence commandShortcut(int id);
// Gives the menu bar's action its key and makes the key work anywhere in
// `window`.
void addCommandShortcut(QWidget *window, QAction *action, int id);

}  // namespace quorvel
