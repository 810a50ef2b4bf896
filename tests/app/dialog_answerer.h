// Answers the modal dialogs a test's actions raise, the way a user would:
// it waits for a modal dialog, notes what the dialog shows and clicks the
// button with the wanted caption.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <vector>

namespace quorvel::testing {

struct SeenDialog {
    QString className;
    QString title;
    QStringList labels;   // label texts in creation order
    QStringList edits;    // line and text box contents in creation order
    QStringList buttons;  // button captions in creation order
};

inline SeenDialog describe(QDialog *dialog) {
    SeenDialog seen{QString::fromLatin1(dialog->metaObject()->className()), dialog->windowTitle(),
                    {}, {}, {}};
    for (QObject *child : dialog->children()) {
        if (auto *label = qobject_cast<QLabel *>(child))
            seen.labels << label->text();
        else if (auto *line = qobject_cast<QLineEdit *>(child))
            seen.edits << line->text();
        else if (auto *box = qobject_cast<QPlainTextEdit *>(child))
            seen.edits << box->toPlainText();
        else if (auto *button = qobject_cast<QAbstractButton *>(child))
            seen.buttons << button->text();
    }
    return seen;
}

class DialogAnswerer {
public:
    // Clicks `caption` in every modal dialog that shows up, except `ignore`
    // (a window the test itself runs modally).
    explicit DialogAnswerer(QString caption, QWidget *ignore = nullptr)
        : caption_(std::move(caption)), ignore_(ignore) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start();
    }

    std::vector<SeenDialog> seen;

private:
    void poll() {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog == ignore_ || !dialog->isVisible()) return;
        seen.push_back(describe(dialog));
        for (auto *button : dialog->findChildren<QAbstractButton *>()) {
            if (button->text() == caption_) {
                button->click();
                return;
            }
        }
        // No such button: close the dialog so the test does not hang.
        dialog->reject();
    }

    QString caption_;
    QPointer<QWidget> ignore_;
    QTimer timer_;
};

}  // namespace quorvel::testing
