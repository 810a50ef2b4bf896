#include "views/dialogs/load_dialogs.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "views/dialogs/dialog_units.h"

namespace quorvel {

namespace {

struct Question {
    const char *text;
    int textBox[4];
    const char *ok;
    int okBox[4];
    const char *cancel;
    int cancelBox[4];
};

// Builds the text and the OK / Cancel pair of a question dialog.
void buildQuestion(QDialog &dialog, const DialogUnits &u, const Question &q) {
    addLabel(&dialog, u, QString::fromUtf8(q.text), q.textBox[0], q.textBox[1], q.textBox[2],
             q.textBox[3]);

    auto *ok = new QPushButton(QString::fromUtf8(q.ok), &dialog);
    ok->setObjectName(QStringLiteral("button1"));
    place(ok, u, q.okBox[0], q.okBox[1], q.okBox[2], q.okBox[3]);
    auto *cancel = new QPushButton(QString::fromUtf8(q.cancel), &dialog);
    cancel->setObjectName(QStringLiteral("button2"));
    place(cancel, u, q.cancelBox[0], q.cancelBox[1], q.cancelBox[2], q.cancelBox[3]);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
}

}  // namespace

OtherPolynomialDialog::OtherPolynomialDialog(QWidget *parent) : QDialog(parent) {
    setWindowTitle(QString());
    const DialogUnits u = prepareDialog(*this, 9, 135, 101);
    buildQuestion(*this, u,
                  {"You chose a file of another polynomial.  Do you change the polynomial or "
                   "abort loading? ",
                   {7, 7, 121, 40},
                   "Load another polynomial",
                   {17, 54, 101, 16},
                   "Abort loading file",
                   {17, 76, 101, 16}});
}

NoticeDialog::NoticeDialog(QWidget *parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Notice"));
    const DialogUnits u = prepareDialog(*this, 9, 141, 69);
    buildQuestion(*this, u,
                  {"This file contains data of traces of solutions when the parameter moves.  "
                   "Do you load the traces data?",
                   {7, 7, 127, 32},
                   "Yes",
                   {18, 46, 45, 15},
                   "No",
                   {78, 46, 45, 15}});
}

UnloadedNoticeDialog::UnloadedNoticeDialog(const QString &fileName, const std::vector<std::string> &notices,
                                           QWidget *parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Notice"));
    setFont(dialogFont(9));
    auto *layout = new QVBoxLayout(this);
    QString text = QStringLiteral("Not everything in %1 was loaded.").arg(fileName);
    for (const std::string &line : notices) text += QStringLiteral("\n\n") + QString::fromStdString(line);
    auto *label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("noticeText"));
    label->setWordWrap(true);
    label->setMinimumWidth(DialogUnits(font()).x(200));
    layout->addWidget(label);
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("button1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

void tellUnloaded(QWidget *window, const QString &path, const std::vector<std::string> &notices) {
    if (notices.empty()) return;
    UnloadedNoticeDialog dialog(QFileInfo(path).fileName(), notices, window);
    dialog.exec();
}

bool DialogLoadQuestions::loadTraces() {
    NoticeDialog dialog(window_);
    return dialog.exec() == QDialog::Accepted;
}

bool DialogLoadQuestions::loadAnotherPolynomial() {
    OtherPolynomialDialog dialog(window_);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace quorvel
