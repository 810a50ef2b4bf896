// The small dialogs, the helpers behind the windows' layouts and texts, and
// the help pages.
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QtTest>
#include <memory>

#include "app/about_dialog.h"
#include "app/app_icon.h"
#include "views/dialogs/dialog_units.h"
#include "views/dialogs/error_dialog.h"
#include "views/dialogs/file_dialogs.h"
#include "app/help_window.h"
#include "views/dialogs/load_dialogs.h"
#include "views/dialogs/solution_info_dialog.h"
#include "views/dialogs/text_fields.h"
#include "dialog_answerer.h"
#include "engine/error.h"
#include "engine/points.h"
#include "pipeline/session.h"

using namespace quorvel;
using quorvel::testing::DialogAnswerer;

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    void dialogUnitsRoundToPixels_data();
    void dialogUnitsRoundToPixels();
    void filterPairsBecomeQtFilters_data();
    void filterPairsBecomeQtFilters();
    void textsAreCutAtCharacterBoundaries_data();
    void textsAreCutAtCharacterBoundaries();

    void errorDialogShowsBothTexts();
    void errorDialogButtons_data();
    void errorDialogButtons();
    void showErrorBreaksLongLinesAndReturnsOnContinue();

    void loadQuestions_data();
    void loadQuestions();

    void aboutShowsTheVersion();

    void pointNamesKeepTwoCharacters_data();
    void pointNamesKeepTwoCharacters();
    void solutionInfoRenamesOnOk_data();
    void solutionInfoRenamesOnOk();
    void solutionInfoCloseBoxKeepsTheName();
    void solutionInfoOpensOnce();

    void helpLinksAllResolve();
    void iconIsDrawn();
};

void DialogsTest::dialogUnitsRoundToPixels_data() {
    QTest::addColumn<int>("charWidth");
    QTest::addColumn<int>("charHeight");
    QTest::addColumn<QRect>("units");
    QTest::addColumn<QRect>("pixels");
    QTest::newRow("8x16 whole") << 8 << 16 << QRect(4, 8, 425, 338) << QRect(8, 16, 850, 676);
    QTest::newRow("7x15 halves round up") << 7 << 15 << QRect(2, 4, 1, 3) << QRect(4, 8, 2, 6);
    QTest::newRow("7x15 quarters round down") << 7 << 15 << QRect(1, 1, 3, 5) << QRect(2, 2, 5, 9);
    QTest::newRow("zero") << 6 << 13 << QRect(0, 0, 0, 0) << QRect(0, 0, 0, 0);
}

void DialogsTest::dialogUnitsRoundToPixels() {
    QFETCH(int, charWidth);
    QFETCH(int, charHeight);
    QFETCH(QRect, units);
    QFETCH(QRect, pixels);
    const DialogUnits u(charWidth, charHeight);
    QCOMPARE(u.rect(units.x(), units.y(), units.width(), units.height()), pixels);
}

void DialogsTest::filterPairsBecomeQtFilters_data() {
    QTest::addColumn<QString>("pairs");
    QTest::addColumn<QString>("filter");
    QTest::newRow("documents") << QString::fromUtf8(documentFilter)
                               << QStringLiteral("Quorvel Polynomial File (*.qpf);;全てのファイル (*.*)");
    QTest::newRow("pattern added") << QStringLiteral("Text|*.txt||")
                                   << QStringLiteral("Text (*.txt)");
    QTest::newRow("without the closing bars") << QStringLiteral("A (*.a)|*.a|B|*.b")
                                              << QStringLiteral("A (*.a);;B (*.b)");
    QTest::newRow("empty") << QString() << QString();
}

void DialogsTest::filterPairsBecomeQtFilters() {
    QFETCH(QString, pairs);
    QFETCH(QString, filter);
    QCOMPARE(qtFilter(pairs), filter);
}

void DialogsTest::textsAreCutAtCharacterBoundaries_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QByteArray>("cut");
    QTest::newRow("short") << QStringLiteral("x^2-t") << 10 << QByteArray("x^2-t");
    QTest::newRow("exact") << QStringLiteral("abc") << 3 << QByteArray("abc");
    QTest::newRow("long") << QStringLiteral("abcdef") << 4 << QByteArray("abcd");
    QTest::newRow("two-byte character kept whole") << QStringLiteral("ab\u00e9") << 4
                                                   << QByteArray("ab\xc3\xa9");
    QTest::newRow("two-byte character dropped") << QStringLiteral("abc\u00e9") << 4 << QByteArray("abc");
    QTest::newRow("surrogate pair dropped whole") << QString::fromUtf8("a\xf0\x9f\x98\x80") << 4
                                                  << QByteArray("a");
    QTest::newRow("nothing fits") << QStringLiteral("\u3042") << 2 << QByteArray();
}

void DialogsTest::textsAreCutAtCharacterBoundaries() {
    QFETCH(QString, text);
    QFETCH(int, limit);
    QFETCH(QByteArray, cut);
    QCOMPARE(QByteArray::fromStdString(toLimitedUtf8(text, size_t(limit))), cut);
}

void DialogsTest::errorDialogShowsBothTexts() {
    ErrorDialog dialog(QStringLiteral("Overflow Error"),
                       QStringLiteral("Using Manual mode, replace the parameter path."));
    const auto seen = quorvel::testing::describe(&dialog);
    QCOMPARE(seen.title, QStringLiteral("Error messages"));
    QCOMPARE(seen.labels, (QStringList{QStringLiteral("Quorvel:: internal error"),
                                       QStringLiteral("How to solve this problem")}));
    QCOMPARE(seen.edits, (QStringList{QStringLiteral("Overflow Error"),
                                      QStringLiteral("Using Manual mode, replace the parameter path.")}));
    QCOMPARE(seen.buttons,
             (QStringList{QStringLiteral("Quit the software"), QStringLiteral("Continue anyway")}));
    QCOMPARE(dialog.findChild<QWidget *>(QStringLiteral("edit1010"))->geometry(),
             DialogUnits(dialog.font()).rect(14, 23, 196, 51));
}

void DialogsTest::errorDialogButtons_data() {
    QTest::addColumn<QString>("press");
    QTest::addColumn<int>("result");
    QTest::newRow("Quit the software") << QStringLiteral("Quit the software") << int(QDialog::Accepted);
    QTest::newRow("Continue anyway") << QStringLiteral("Continue anyway") << int(QDialog::Rejected);
    QTest::newRow("close box") << QString() << int(QDialog::Rejected);
    QTest::newRow("Return") << QStringLiteral("Return") << int(QDialog::Rejected);
}

void DialogsTest::errorDialogButtons() {
    QFETCH(QString, press);
    QFETCH(int, result);
    ErrorDialog dialog(QStringLiteral("m"), QStringLiteral("r"));
    QTimer::singleShot(0, &dialog, [&] {
        if (press.isEmpty()) {
            dialog.close();
        } else if (press == QStringLiteral("Return")) {
            QTest::keyClick(&dialog, Qt::Key_Return);
        } else {
            for (auto *b : dialog.findChildren<QPushButton *>())
                if (b->text() == press) b->click();
        }
    });
    // exec() on the dialog itself returns whichever way it ended; only the
    // installed handler turns Accepted into the end of the program.
    QCOMPARE(dialog.exec(), result);
}

void DialogsTest::showErrorBreaksLongLinesAndReturnsOnContinue() {
    const ErrorHandler previous = setErrorHandler(showErrorDialog);
    DialogAnswerer answerer(QStringLiteral("Continue anyway"));
    showError("Parameter go thru near the branch point. We cannot trace anymore.",
              "maybe your equations is over the capacity of this software.");
    showError("Memory allocation failed.\n", "Tell the maker");
    setErrorHandler(previous);

    QCOMPARE(answerer.seen.size(), size_t{2});
    QCOMPARE(answerer.seen[0].edits,
             (QStringList{QStringLiteral("Parameter go thru near the branch point. We cannot trace\nanymore."),
                          QStringLiteral("maybe your equations is over the capacity of this software.")}));
    QCOMPARE(answerer.seen[1].edits,
             (QStringList{QStringLiteral("Memory allocation failed.\n"), QStringLiteral("Tell the maker")}));
}

void DialogsTest::loadQuestions_data() {
    QTest::addColumn<bool>("traces");  // which question
    QTest::addColumn<QString>("press");
    QTest::addColumn<bool>("answer");
    QTest::newRow("Notice, Yes") << true << QStringLiteral("Yes") << true;
    QTest::newRow("Notice, No") << true << QStringLiteral("No") << false;
    QTest::newRow("other polynomial, load") << false << QStringLiteral("Load another polynomial") << true;
    QTest::newRow("other polynomial, abort") << false << QStringLiteral("Abort loading file") << false;
}

void DialogsTest::loadQuestions() {
    QFETCH(bool, traces);
    QFETCH(QString, press);
    QFETCH(bool, answer);
    DialogLoadQuestions questions(nullptr);
    DialogAnswerer answerer(press);
    QCOMPARE(traces ? questions.loadTraces() : questions.loadAnotherPolynomial(), answer);
    QCOMPARE(answerer.seen.size(), size_t{1});
    const auto &seen = answerer.seen[0];
    if (traces) {
        QCOMPARE(seen.className, QStringLiteral("quorvel::NoticeDialog"));
        QCOMPARE(seen.title, QStringLiteral("Notice"));
        QCOMPARE(seen.labels, QStringList{QStringLiteral(
                                  "This file contains data of traces of solutions when the "
                                  "parameter moves.  Do you load the traces data?")});
        QCOMPARE(seen.buttons, (QStringList{QStringLiteral("Yes"), QStringLiteral("No")}));
    } else {
        QCOMPARE(seen.className, QStringLiteral("quorvel::OtherPolynomialDialog"));
        QCOMPARE(seen.title, QString());
        QCOMPARE(seen.labels, QStringList{QStringLiteral(
                                  "You chose a file of another polynomial.  Do you change the "
                                  "polynomial or abort loading? ")});
        QCOMPARE(seen.buttons, (QStringList{QStringLiteral("Load another polynomial"),
                                            QStringLiteral("Abort loading file")}));
    }
}

void DialogsTest::aboutShowsTheVersion() {
    AboutDialog dialog;
    const auto seen = quorvel::testing::describe(&dialog);
    QCOMPARE(seen.title, QStringLiteral("Quorvelのﾊﾞｰｼﾞｮﾝ情報"));
    QVERIFY(seen.labels.contains(QStringLiteral("Quorvel Version " QUORVEL_VERSION)));
    QCOMPARE(seen.buttons, QStringList{QStringLiteral("OK")});
}

void DialogsTest::pointNamesKeepTwoCharacters_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("abc") << QStringLiteral("abc") << QByteArray("ab");
    QTest::newRow("two") << QStringLiteral("P1") << QByteArray("P1");
    QTest::newRow("one") << QStringLiteral("7") << QByteArray("7");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("two-byte letter fits alone") << QStringLiteral("\u00e9a") << QByteArray("\xc3\xa9");
    QTest::newRow("three-byte letter does not fit") << QStringLiteral("1\u3042") << QByteArray("1");
}

void DialogsTest::pointNamesKeepTwoCharacters() {
    QFETCH(QString, typed);
    QFETCH(QByteArray, name);
    QCOMPARE(QByteArray::fromStdString(pointNameFrom(typed)), name);
}

namespace {

// A session at stage 4 on x^2-t: fiber points numbered 0 and 1, named "1"
// and "2".
std::unique_ptr<Session> squareRootSession() {
    auto session = std::make_unique<Session>();
    session->typePolynomial("x^2-t");
    session->runPipeline();
    return session;
}

}  // namespace

void DialogsTest::solutionInfoRenamesOnOk_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("abc stores ab") << QStringLiteral("abc") << QStringLiteral("ab");
    QTest::newRow("empty name") << QString() << QString();
    QTest::newRow("two letters") << QStringLiteral("Zq") << QStringLiteral("Zq");
}

void DialogsTest::solutionInfoRenamesOnOk() {
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    auto session = squareRootSession();
    Term *point = findByNumber(session->state.fiber.get(), 1);
    QVERIFY(point);
    SolutionInfoDialog *dialog = openSolutionInfo(*session, pointValue(point), pointName(point), 1);
    QVERIFY(dialog);
    QVERIFY(solutionInfoOpen());
    QSignalSpy renamed(dialog, &SolutionInfoDialog::renamed);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Information of a solution"));
    auto *value = dialog->findChild<QLineEdit *>(QStringLiteral("edit1010"));
    auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("edit1064"));
    QVERIFY(value->isReadOnly());
    QCOMPARE(value->text(), QString::fromStdString(formatValue(pointValue(point))));
    QCOMPARE(name->text(), QStringLiteral("2"));

    name->clear();
    QTest::keyClicks(name, typed);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("button1")), Qt::LeftButton);
    QCOMPARE(QString::fromUtf8(pointName(point)), stored);
    QCOMPARE(renamed.count(), 1);
    QCOMPARE(renamed.at(0).at(0).toInt(), 1);
    QVERIFY(!solutionInfoOpen());
    // The other point keeps its name.
    QCOMPARE(QString::fromUtf8(pointName(findByNumber(session->state.fiber.get(), 0))),
             QStringLiteral("1"));
    QTRY_VERIFY(QApplication::topLevelWidgets().indexOf(dialog) < 0);
}

void DialogsTest::solutionInfoCloseBoxKeepsTheName() {
    auto session = squareRootSession();
    Term *point = findByNumber(session->state.fiber.get(), 0);
    SolutionInfoDialog *dialog = openSolutionInfo(*session, pointValue(point), pointName(point), 0);
    QVERIFY(dialog);
    auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("edit1064"));
    name->setText(QStringLiteral("zz"));
    QVERIFY(dialog->close());
    QVERIFY(!solutionInfoOpen());
    QCOMPARE(QString::fromUtf8(pointName(point)), QStringLiteral("1"));
    QTRY_VERIFY(QApplication::topLevelWidgets().indexOf(dialog) < 0);
}

void DialogsTest::solutionInfoOpensOnce() {
    auto session = squareRootSession();
    Term *point = findByNumber(session->state.fiber.get(), 0);
    QPointer<SolutionInfoDialog> first = openSolutionInfo(*session, pointValue(point), "1", 0);
    QVERIFY(first);
    QVERIFY(!openSolutionInfo(*session, pointValue(point), "1", 0));
    first->close();
    QPointer<SolutionInfoDialog> second = openSolutionInfo(*session, pointValue(point), "1", 0);
    QVERIFY(second);
    second->close();
    QTRY_VERIFY(first.isNull() && second.isNull());
}

void DialogsTest::helpLinksAllResolve() {
    // Every page is reachable and every local link lands on a page of the
    // help (and on an anchor of it when it names one).
    QStringList pages;
    QDirIterator it(QStringLiteral(":/help"), {QStringLiteral("*.html")});
    while (it.hasNext()) pages << it.next();
    QVERIFY(pages.size() >= 6);
    QVERIFY(pages.contains(QStringLiteral(":/help/index.html")));

    const QRegularExpression link(QStringLiteral("href=\"([^\"#:]*)(#([^\"]*))?\""));
    QSet<QString> linked;
    for (const QString &page : pages) {
        QFile file(page);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        QVERIFY2(html.contains(QStringLiteral("<title>")), qPrintable(page));
        for (auto m = link.globalMatch(html); m.hasNext();) {
            const auto match = m.next();
            const QString target = match.captured(1).isEmpty() ? page
                                                               : QStringLiteral(":/help/") + match.captured(1);
            QVERIFY2(QFile::exists(target), qPrintable(page + " -> " + match.captured(0)));
            linked << target;
            if (!match.captured(3).isEmpty()) {
                QFile linkedFile(target);
                QVERIFY(linkedFile.open(QIODevice::ReadOnly));
                QVERIFY2(QString::fromUtf8(linkedFile.readAll())
                             .contains(QStringLiteral("id=\"%1\"").arg(match.captured(3))),
                         qPrintable(page + " -> " + match.captured(0)));
            }
        }
    }
    for (const QString &page : pages)
        if (page != QStringLiteral(":/help/index.html")) QVERIFY2(linked.contains(page), qPrintable(page));

    HelpWindow help;
    help.showHome();
    QCOMPARE(help.browser()->source(), helpHome());
    QCOMPARE(help.browser()->documentTitle().isEmpty(), false);
}

void DialogsTest::iconIsDrawn() {
    const QImage icon = renderAppIcon(64);
    QCOMPARE(icon.size(), QSize(64, 64));
    // Transparent corners around an opaque tile.
    QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(icon.pixel(32, 32)), 255);
    QVERIFY(!appIcon().isNull());
}

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
