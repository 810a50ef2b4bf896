#include "views/dialogs/error_dialog.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>
#include <deque>

#include "views/dialogs/dialog_units.h"
#include "views/dialogs/text_fields.h"
#include "engine/error.h"

namespace quorvel {

namespace {

QPlainTextEdit *textBox(QWidget *parent, const QString &text, const char *name) {
    auto *box = new QPlainTextEdit(text, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(true);
    return box;
}

}  // namespace

ErrorDialog::ErrorDialog(const QString &message, const QString &remedy, QWidget *parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Error messages"));
    const DialogUnits u = prepareDialog(*this, 12, 226, 202);

    addLabel(this, u, QStringLiteral("Quorvel:: internal error"), 15, 9, 132, 8);
    message_ = textBox(this, message, "edit1010");
    place(message_, u, 14, 23, 196, 51);
    auto *quit = new QPushButton(QStringLiteral("Quit the software"), this);
    quit->setObjectName(QStringLiteral("button1"));
    place(quit, u, 24, 156, 177, 14);
    auto *carryOn = new QPushButton(QStringLiteral("Continue anyway"), this);
    carryOn->setObjectName(QStringLiteral("button2"));
    place(carryOn, u, 24, 175, 177, 14);
    addLabel(this, u, QStringLiteral("How to solve this problem"), 19, 79, 78, 8);
    remedy_ = textBox(this, remedy, "edit1064");
    place(remedy_, u, 14, 96, 197, 44);

    // Return must not end the program by accident: it continues.
    quit->setAutoDefault(false);
    carryOn->setDefault(true);
    carryOn->setFocus();
    connect(quit, &QPushButton::clicked, this, &QDialog::accept);
    connect(carryOn, &QPushButton::clicked, this, &QDialog::reject);
}

QString ErrorDialog::message() const { return message_->toPlainText(); }

QString ErrorDialog::remedy() const { return remedy_->toPlainText(); }

void quitAtOnce() {
    std::fflush(nullptr);
    std::_Exit(0);
}

void showErrorDialog(const std::string &message, const std::string &remedy) {
    ErrorDialog dialog(toQString(message), toQString(remedy));
    if (dialog.exec() == QDialog::Accepted) quitAtOnce();
}

namespace {

struct PendingError {
    std::string message;
    std::string remedy;
};

std::deque<PendingError> &pendingErrors() {
    static std::deque<PendingError> queue;
    return queue;
}

}  // namespace

void showPendingErrors() {
    static bool showing = false;
    if (showing) return;
    showing = true;
    while (!pendingErrors().empty()) {
        const PendingError e = std::move(pendingErrors().front());
        pendingErrors().pop_front();
        showErrorDialog(e.message, e.remedy);
    }
    showing = false;
}

void installErrorDialog() {
    setErrorHandler([](const std::string &message, const std::string &remedy) {
        pendingErrors().push_back({message, remedy});
        // A command that does not show it: the event loop does, next.
        if (pendingErrors().size() == 1)
            QMetaObject::invokeMethod(qApp, [] { showPendingErrors(); }, Qt::QueuedConnection);
    });
}

}  // namespace quorvel
