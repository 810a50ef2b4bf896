#include "views/dialogs/solution_info_dialog.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "views/dialogs/dialog_units.h"
#include "views/dialogs/text_fields.h"
#include "engine/points.h"
#include "pipeline/session.h"

namespace quorvel {

namespace {

// The one open dialog; empty once it has been destroyed.
QPointer<SolutionInfoDialog> &openDialog() {
    static QPointer<SolutionInfoDialog> dialog;
    return dialog;
}

constexpr size_t nameBytes = 2;

}  // namespace

std::string pointNameFrom(const QString &text) {
    // Two characters at most, then as many whole characters as fit the bytes.
    QString twoCharacters;
    int characters = 0;
    for (qsizetype i = 0; i < text.size() && characters < 2; ++characters) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        twoCharacters += text.mid(i, length);
        i += length;
    }
    return toLimitedUtf8(twoCharacters, nameBytes);
}

SolutionInfoDialog::SolutionInfoDialog(Session &session, Complex value, const std::string &name,
                                       int number, QWidget *parent)
    : QDialog(parent), session_(session), number_(number) {
    setWindowTitle(QStringLiteral("Information of a solution"));
    const DialogUnits u = prepareDialog(*this, 9, 187, 61);

    auto *position = new QLineEdit(toQString(formatValue(value)), this);
    position->setObjectName(QStringLiteral("edit1010"));
    position->setReadOnly(true);
    place(position, u, 7, 7, 118, 14);
    addLabel(this, u, QStringLiteral("Name (up to 2 letters)"), 7, 30, 90, 8);
    // The name as the point holds it: at most three bytes.
    name_ = new QLineEdit(toQString(name.substr(0, 3)), this);
    name_->setObjectName(QStringLiteral("edit1064"));
    // A point keeps two letters of its name: a third cannot be typed.
    name_->setMaxLength(2);
    place(name_, u, 100, 27, 40, 14);
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("button1"));
    ok->setDefault(true);
    place(ok, u, 130, 7, 50, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void SolutionInfoDialog::accept() {
    if (Term *point = findByNumber(session_.run.tracedFiber(session_.state.fiber.get()), number_)) {
        setPointName(point, pointNameFrom(name_->text()).c_str());
        // The main form lists the fiber over the base point by its names.
        if (!session_.run.startFiber && session_.state.stage >= stageFiber)
            showFiberLines(session_.form.fiber, session_.state.fiber.get());
        emit renamed(number_);
    }
    QDialog::accept();
}

void SolutionInfoDialog::done(int result) {
    if (openDialog() == this) openDialog() = nullptr;
    QDialog::done(result);
}

SolutionInfoDialog *openSolutionInfo(Session &session, Complex value, const std::string &name,
                                     int number) {
    if (solutionInfoOpen()) return nullptr;
    auto *dialog = new SolutionInfoDialog(session, value, name, number);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    openDialog() = dialog;
    dialog->show();
    return dialog;
}

bool solutionInfoOpen() { return !openDialog().isNull(); }

}  // namespace quorvel
