// "Information of a solution": shows where a fiber point lies and lets the
// user rename it. Modeless, and at most one at a time.
#pragma once

#include <QDialog>
#include <string>

#include "engine/complex.h"

class QLineEdit;

namespace quorvel {

class Session;

class SolutionInfoDialog : public QDialog {
    Q_OBJECT

public:
    SolutionInfoDialog(Session &session, Complex value, const std::string &name, int number,
                       QWidget *parent = nullptr);

    // OK: the fiber point numbered `number` takes the first two characters
    // of the name field (an empty field gives an empty name); then the
    // dialog closes.
    void accept() override;
    // OK and the close box both end here; the dialog stops counting as open.
    void done(int result) override;

signals:
    // A point was renamed; the Solution Space window repaints.
    void renamed(int number);

private:
    Session &session_;
    int number_;
    QLineEdit *name_;
};

// The longest prefix of the text that holds at most two characters and fits
// a point's two-byte name.
std::string pointNameFrom(const QString &text);

// Opens the dialog for a fiber point unless one is open already; answers
// the new dialog, or nullptr when one was open. The dialog deletes itself
// when it closes.
SolutionInfoDialog *openSolutionInfo(Session &session, Complex value, const std::string &name,
                                     int number);

// True while a solution-information dialog exists.
bool solutionInfoOpen();

}  // namespace quorvel
