// "Error messages": the one dialog through which every failure reaches the
// user. It shows the message and what to do about it, and either ends the
// program at once ("Quit the software") or returns ("Continue anyway").
//
// A failure is never shown inside the computation that met it: the error
// channel only notes it, the computation unwinds to the command that
// started it (Go, Re-calculate, a load, a tick of the timer, a menu
// command), and the command shows what was noted when it returns. No modal
// dialog, and so no event loop, ever runs under a computation.
#pragma once

#include <QDialog>
#include <QString>
#include <string>

class QPlainTextEdit;

namespace quorvel {

class ErrorDialog : public QDialog {
    Q_OBJECT

public:
    // The texts arrive already broken into lines by showError.
    ErrorDialog(const QString &message, const QString &remedy, QWidget *parent = nullptr);

    QString message() const;
    QString remedy() const;

private:
    QPlainTextEdit *message_;
    QPlainTextEdit *remedy_;
};

// Ends the process at once with exit code 0, flushing the standard streams
// but running no destructor and saving nothing. Safe from inside any
// computation or timer tick.
[[noreturn]] void quitAtOnce();

// Runs the dialog modally; "Quit the software" ends the process.
void showErrorDialog(const std::string &message, const std::string &remedy);

// Makes the error channel note each failure for showPendingErrors; a noted
// failure that no command shows is shown as soon as the event loop runs
// again.
void installErrorDialog();

// Shows the failures noted since the last call, oldest first, each in the
// dialog. Called by every command when its work is done; a call made while
// the dialog is already open leaves the rest to the open one.
void showPendingErrors();

}  // namespace quorvel
