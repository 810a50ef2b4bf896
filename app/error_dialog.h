// "Error messages": the one dialog through which every failure reaches the
// user. It shows the message and what to do about it, and either ends the
// program at once ("Quit the software") or returns ("Continue anyway").
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

// Makes showErrorDialog the handler of showError.
void installErrorDialog();

}  // namespace quorvel
