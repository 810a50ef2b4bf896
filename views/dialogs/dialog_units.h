// Dialog layouts are given in dialog units: a horizontal unit is a quarter
// of the font's average character width, a vertical unit an eighth of its
// height. DialogUnits turns them into pixels for one font, so every window
// of the program keeps the proportions of its layout whatever font the
// system supplies.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class QLabel;
class QString;
class QWidget;

namespace quorvel {

// The dialog font of every window: "ＭＳ Ｐゴシック" when installed, else a
// proportional Japanese-capable Gothic, else whatever the system offers.
QFont dialogFont(int pointSize);

class DialogUnits {
public:
    explicit DialogUnits(const QFont &font);
    // The base units in pixels: average character width and height.
    DialogUnits(int averageCharWidth, int charHeight)
        : baseX_(averageCharWidth), baseY_(charHeight) {}

    int x(int units) const { return scale(units, baseX_, 4); }
    int y(int units) const { return scale(units, baseY_, 8); }
    QRect rect(int left, int top, int width, int height) const;
    QSize size(int width, int height) const { return {x(width), y(height)}; }

    int averageCharWidth() const { return baseX_; }
    int charHeight() const { return baseY_; }

private:
    // units * base / divisor rounded to the nearest pixel (halves away from 0).
    static int scale(int units, int base, int divisor);

    int baseX_;
    int baseY_;
};

// Gives a dialog its font and a fixed client size of width x height dialog
// units, and answers the units its controls are placed in.
DialogUnits prepareDialog(QWidget &dialog, int pointSize, int width, int height);

// Places a control at (x, y) with the given size, all in dialog units.
void place(QWidget *control, const DialogUnits &units, int x, int y, int width, int height);

// Adds a label with the text at the box. A box tall enough for two lines
// wraps the text; a one-line box grows to the right when the text is wider
// than the box (fonts differ from system to system, captions must not be
// cut).
QLabel *addLabel(QWidget *dialog, const DialogUnits &units, const QString &text, int x, int y,
                 int width, int height);

}  // namespace quorvel
