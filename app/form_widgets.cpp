#include "app/form_widgets.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace quorvel {

QString oneLine(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

void PolynomialEdit::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void PolynomialEdit::insertFromMimeData(const QMimeData *source) {
    if (source && source->hasText()) textCursor().insertText(oneLine(source->text()));
}

void WrappingButton::paintEvent(QPaintEvent *) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    const int margin = style()->pixelMetric(QStyle::PM_ButtonMargin, &option, this);
    const QRect area = rect().adjusted(margin, margin, -margin, -margin);
    style()->drawItemText(&painter, area, Qt::AlignCenter | Qt::TextWordWrap, palette(), isEnabled(),
                          caption, QPalette::ButtonText);
}

void WrappingCheckBox::paintEvent(QPaintEvent *) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    indicator.moveTop((height() - indicator.height()) / 2);
    QStyleOptionButton box = option;
    box.rect = indicator;
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, box);
    const int spacing = style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this);
    const QRect area = rect().adjusted(indicator.right() + 1 + spacing, 0, 0, 0);
    style()->drawItemText(&painter, area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                          palette(), isEnabled(), option.text, QPalette::WindowText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = area;
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool WrappingCheckBox::hitButton(const QPoint &position) const { return rect().contains(position); }

}  // namespace quorvel
