// The two questions a document load may ask, and their answers given by
// the user through modal dialogs.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "pipeline/document.h"

class QLabel;

namespace quorvel {

// "You chose a file of another polynomial. ..." — OK loads the other
// polynomial, Cancel aborts the load.
class OtherPolynomialDialog : public QDialog {
    Q_OBJECT

public:
    explicit OtherPolynomialDialog(QWidget *parent = nullptr);
};

// "Notice": the file holds traces; OK ("Yes") loads them.
class NoticeDialog : public QDialog {
    Q_OBJECT

public:
    explicit NoticeDialog(QWidget *parent = nullptr);
};

// "Notice" after a load that left parts of the file unloaded: what was not
// loaded and why, one line each, and OK.
class UnloadedNoticeDialog : public QDialog {
    Q_OBJECT

public:
    UnloadedNoticeDialog(const QString &fileName, const std::vector<std::string> &notices,
                         QWidget *parent = nullptr);
};

// Shows the notice when there is anything to tell (modal to `window`).
void tellUnloaded(QWidget *window, const QString &path, const std::vector<std::string> &notices);

// Asks the questions of a load with the two dialogs above, modal to the
// window that started the load.
class DialogLoadQuestions : public LoadQuestions {
public:
    explicit DialogLoadQuestions(QWidget *window) : window_(window) {}
    bool loadTraces() override;
    bool loadAnotherPolynomial() override;

private:
    QWidget *window_;
};

}  // namespace quorvel
