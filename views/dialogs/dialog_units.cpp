#include "views/dialogs/dialog_units.h"

#include <QFontMetrics>
#include <QLabel>
#include <QStringList>
#include <QWidget>
#include <algorithm>

namespace quorvel {

QFont dialogFont(int pointSize) {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("IPAPGothic"), QStringLiteral("IPAexGothic"),
                      QStringLiteral("Noto Sans CJK JP")});
    font.setPointSize(pointSize);
    return font;
}

DialogUnits::DialogUnits(const QFont &font) {
    const QFontMetrics metrics(font);
    // The average width is measured over the 52 Latin letters and rounded,
    // as dialog templates expect.
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX_ = (letters / 26 + 1) / 2;
    baseY_ = metrics.height();
    if (baseX_ < 1) baseX_ = 1;
    if (baseY_ < 1) baseY_ = 1;
}

int DialogUnits::scale(int units, int base, int divisor) {
    const long product = static_cast<long>(units) * base;
    const long half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor : (product - half) / divisor);
}

QRect DialogUnits::rect(int left, int top, int width, int height) const {
    return {x(left), y(top), x(width), y(height)};
}

DialogUnits prepareDialog(QWidget &dialog, int pointSize, int width, int height) {
    dialog.setFont(dialogFont(pointSize));
    const DialogUnits units(dialog.font());
    dialog.setFixedSize(units.size(width, height));
    return units;
}

void place(QWidget *control, const DialogUnits &units, int x, int y, int width, int height) {
    control->setGeometry(units.rect(x, y, width, height));
}

QLabel *addLabel(QWidget *dialog, const DialogUnits &units, const QString &text, int x, int y,
                 int width, int height) {
    auto *label = new QLabel(text, dialog);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QRect box = units.rect(x, y, width, height);
    const QFontMetrics metrics(dialog->font());
    if (box.height() >= 2 * metrics.height()) {
        label->setWordWrap(true);
    } else {
        box.setWidth(std::max(box.width(), metrics.horizontalAdvance(text) + 2));
        box.setHeight(std::max(box.height(), metrics.height()));
    }
    label->setGeometry(box);
    return label;
}

}  // namespace quorvel
