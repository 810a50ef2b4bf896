#include "views/windows/braid_info_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <algorithm>

#include "views/dialogs/dialog_units.h"
#include "views/dialogs/file_dialogs.h"
#include "pipeline/certify.h"
#include "pipeline/session.h"
#include "tracing/braid.h"
#include "views/windows/monodromy_group_dialog.h"
#include "views/windows/picture_file.h"

namespace quorvel {

namespace {

QPointer<BraidInfoDialog> &openDialog() {
    static QPointer<BraidInfoDialog> dialog;
    return dialog;
}

// Dialog units of the layout at font size 9.
constexpr int dialogWidth = 295;
constexpr int dialogHeight = 421;
// The picture is placed in pixels; the dialog is never smaller than the
// picture with this margin right and below it.
constexpr int pictureMargin = 10;

// A read-only box that shows the whole text, wrapped anywhere (the texts
// have no blanks) and scrolled when it is long.
QPlainTextEdit *textBox(QWidget *parent, const char *objectName, const std::string &text) {
    auto *box = new QPlainTextEdit(parent);
    box->setObjectName(QString::fromLatin1(objectName));
    box->setReadOnly(true);
    box->setWordWrapMode(QTextOption::WrapAnywhere);
    box->setPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    return box;
}

}  // namespace

BraidInfoDialog::BraidInfoDialog(const Session &session, const std::vector<int> &permutation,
                                 QWidget *parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Braid Information"));
    setFont(dialogFont(9));
    const DialogUnits u(font());
    const QSize units = u.size(dialogWidth, dialogHeight);
    const QRect area = BraidPicture::area;
    setFixedSize(std::max(units.width(), area.right() + 1 + pictureMargin),
                 std::max(units.height(), area.bottom() + 1 + pictureMargin));

    PointList fiber = session.run.tracedFiber(session.state.fiber.get());
    const BraidWord &word = session.run.braidWord;

    addLabel(this, u, QStringLiteral("Permutation data"), 7, 5, 80, 8);
    // No permutation: the run did not end where it began.
    permutation_ = textBox(this, "edit1010",
                           permutation.empty() ? std::string(openPathText)
                                               : formatPermutation(permutation, fiber));
    place(permutation_, u, 7, 15, 222, 32);
    addLabel(this, u, QStringLiteral("Braid data"), 7, 52, 80, 8);
    const bool braidRead = session.run.braidRead;
    braid_ = textBox(this, "edit1064", braidRead ? formatBraidWord(word) : std::string(unreadBraidText));
    place(braid_, u, 7, 62, 281, 22);
    // What the checks of the run found: whether the permutation and the
    // braid shown can be trusted.
    const RunVerdict &verdict = session.run.verdict;
    checks_ = addLabel(this, u,
                       braidRead ? verdictText(session.run.traceFinished != 0, verdict)
                                 : QStringLiteral("not checked: the braid could not be read"),
                       7, 86, 281, 8);
    checks_->setObjectName(QStringLiteral("checks"));
    // Whether the permutation and the braid shown are proven (Mode > Certify).
    certified_ = addLabel(this, u, QString::fromStdString(quorvel::certificationText(session.run.certification)),
                          7, 95, 281, 8);
    certified_->setObjectName(QStringLiteral("certification"));
    // The boxes stay above the picture whatever the font.
    for (QWidget *box : std::initializer_list<QWidget *>{permutation_, braid_, checks_, certified_}) {
        QRect r = box->geometry();
        if (r.bottom() >= area.top() - 4) r.setBottom(area.top() - 5);
        box->setGeometry(r);
    }

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("button1"));
    ok->setDefault(true);
    place(ok, u, 238, 15, 50, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    // Beyond the dialog resource: the texts and the braid as a picture.
    auto *picture = new QPushButton(QString::fromUtf8(savePictureText), this);
    picture->setObjectName(QStringLiteral("savePicture"));
    place(picture, u, 238, 33, 50, 14);
    picture->resize(std::max(picture->width(), picture->sizeHint().width()), picture->height());
    picture->move(std::min(picture->x(), width() - picture->width() - 4), picture->y());
    connect(picture, &QPushButton::clicked, this, [this] {
        const QString path = choosePictureFile(this, QStringLiteral("braid.png"));
        FileWrite how;
        if (!path.isEmpty() && askHowToWrite(this, path, how)) savePictureTo(path, how);
    });

    // No picture of a braid that could not be read.
    if (braidRead) picture_ = BraidPicture::of(fiber, word);
}

bool BraidInfoDialog::savePictureTo(const QString &path, const FileWrite &how) {
    return writeWidgetPicture(this, path, BraidPicture::area, how);
}

QString BraidInfoDialog::permutationText() const { return permutation_->toPlainText(); }

QString BraidInfoDialog::braidText() const { return braid_->toPlainText(); }

QString BraidInfoDialog::checksText() const { return checks_->text(); }
QString BraidInfoDialog::certificationText() const { return certified_->text(); }

void BraidInfoDialog::done(int result) {
    if (openDialog() == this) openDialog() = nullptr;
    QDialog::done(result);
}

void BraidInfoDialog::paintEvent(QPaintEvent *event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setFont(font());
    picture_.paint(painter);
}

BraidInfoDialog *openBraidInfo(const Session &session, const std::vector<int> &permutation) {
    if (openDialog()) return nullptr;
    auto *dialog = new BraidInfoDialog(session, permutation);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    openDialog() = dialog;
    dialog->show();
    return dialog;
}

BraidInfoDialog *openBraidInfoDialog() { return openDialog(); }

void closeRunResults() {
    if (BraidInfoDialog *open = openDialog()) open->close();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *group = qobject_cast<MonodromyGroupDialog *>(w); group && group->isVisible()) group->close();
}

}  // namespace quorvel
