// Controls the main window needs that Qt does not have as such.
#pragma once

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>

namespace quorvel {

// The polynomial field: a wrapping text box that holds one line. Return
// goes to the dialog (it presses the default button, "Go") and line breaks
// in pasted or dropped text become spaces, so the text always fits one line
// of a document file.
class PolynomialEdit : public QPlainTextEdit {
    Q_OBJECT

public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;
};

// A push button whose caption wraps over several lines.
class WrappingButton : public QPushButton {
    Q_OBJECT

public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A check box whose caption wraps over several lines; a click anywhere on
// it toggles it.
class WrappingCheckBox : public QCheckBox {
    Q_OBJECT

public:
    using QCheckBox::QCheckBox;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &position) const override;
};

// The text with every line break (CR LF, CR or LF) replaced by a space.
QString oneLine(QString text);

}  // namespace quorvel
