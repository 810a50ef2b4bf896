// The main window driven as a user drives it: typing, clicking, the error
// dialog answered, files chosen without the file dialog.
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>
#include <cmath>
#include <memory>

#include "views/dialogs/error_dialog.h"
#include "app/help_window.h"
#include "app/main_dialog.h"
#include "views/dialogs/plane_windows.h"
#include "dialog_answerer.h"
#include "engine/complex.h"
#include "engine/error.h"
#include "engine/points.h"
#include "pipeline/document.h"
#include "pipeline/session.h"

using namespace quorvel;
using quorvel::testing::DialogAnswerer;

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void goOnTheSquareRootCurve();
    void returnInThePolynomialFieldPressesGo();
    void notTwoLettersShowsTheErrorDialog_data();
    void notTwoLettersShowsTheErrorDialog();
    void editingAfterGoEmptiesTheOutputs();
    void clearAllEmptiesTheForm();
    void typedBasePointIsUsedByRecalculate();
    void dontCheckTogglesItself();
    void fieldsNeverOverflow_data();
    void fieldsNeverOverflow();
    void pastedLineBreaksBecomeSpaces();
    void saveThenLoadThroughTheWindow();
    void aReadOnlyFileIsReplacedOnlyWhenTheUserSaysSo();
    void cancelledFileDialogChangesNothing();
    void loadAsksBeforeLoadingTraces_data();
    void loadAsksBeforeLoadingTraces();
    void planeWindowsOpenOnceAndCloseTogether();
    void otherWindowsStayUsableWhileTheWindowRuns();
    void quitAndHiddenOkCloseTheWindow_data();
    void quitAndHiddenOkCloseTheWindow();
    void aboutFromTheContextMenu();
    void helpOpensAtTheFirstTopic();

private:
    template <typename T>
    T *control(const char *name) {
        T *w = window->findChild<T *>(QString::fromLatin1(name));
        if (!w) qFatal("no control %s", name);
        return w;
    }
    QPushButton *button(int id) {
        return window->findChild<QPushButton *>(QStringLiteral("button%1").arg(id));
    }
    QStringList lines(const char *list) {
        QStringList out;
        auto *l = control<QListWidget>(list);
        for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
        return out;
    }
    void typePolynomial(const QString &text) {
        auto *edit = control<QPlainTextEdit>("edit1000");
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    void pressGo() { QTest::mouseClick(button(1030), Qt::LeftButton); }

    std::unique_ptr<Session> session;
    std::unique_ptr<MainDialog> window;
    ErrorHandler previousHandler;
};

void MainWindowTest::init() {
    previousHandler = setErrorHandler(showErrorDialog);
    session = std::make_unique<Session>();
    window = std::make_unique<MainDialog>(*session);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void MainWindowTest::cleanup() {
    window.reset();
    session.reset();
    setErrorHandler(std::move(previousHandler));
}

void MainWindowTest::goOnTheSquareRootCurve() {
    // The start-up form.
    QCOMPARE(control<QLineEdit>("edit1002")->text(), QStringLiteral("untitled"));
    QCOMPARE(control<QLineEdit>("edit1009")->text(), QStringLiteral("?"));
    QCOMPARE(control<QLineEdit>("edit1010")->text(), QStringLiteral("?"));
    QVERIFY(control<QCheckBox>("check1044")->isChecked());
    QVERIFY(control<QCheckBox>("check1016")->isChecked());

    DialogAnswerer answerer(QStringLiteral("Continue anyway"));
    typePolynomial(QStringLiteral("x^2-t"));
    pressGo();

    QVERIFY(answerer.seen.empty());
    QCOMPARE(session->state.stage, stageFiber);
    QCOMPARE(control<QLineEdit>("edit1009")->text(), QStringLiteral("x"));
    QCOMPARE(control<QLineEdit>("edit1010")->text(), QStringLiteral("t"));
    QCOMPARE(control<QPlainTextEdit>("edit1029")->toPlainText(), QStringLiteral("+t"));
    QCOMPARE(lines("list1035"), QStringList{QStringLiteral("+0.000000+0.000000i")});
    // The fiber over +0.5: the two square roots, each with its name, in the
    // order of the names.
    QCOMPARE(control<QLineEdit>("edit1036")->text(), QStringLiteral("+0.500000+0.000000i"));
    const QStringList fiber = lines("list1039");
    QCOMPARE(fiber.size(), 2);
    QVERIFY(fiber[0].startsWith(QStringLiteral("1: +0.707107")));
    QVERIFY(fiber[1].startsWith(QStringLiteral("2: -0.707107")));
    for (const QString &line : fiber) {
        const Complex z = parseComplex(line.mid(3).toStdString());
        QVERIFY(std::abs(z.re * z.re - z.im * z.im - 0.5) < 1e-6 && std::abs(z.re * z.im) < 1e-6);
    }
    QVERIFY(control<QCheckBox>("check1044")->isChecked());
    // The last root search ran to the end of the "- log (difference)" bar.
    QCOMPARE(control<QProgressBar>("progress1026")->value(), 100);
}

void MainWindowTest::returnInThePolynomialFieldPressesGo() {
    typePolynomial(QStringLiteral("x^2-t"));
    QTest::keyClick(control<QPlainTextEdit>("edit1000"), Qt::Key_Return);
    QCOMPARE(session->state.stage, stageFiber);
    QCOMPARE(control<QPlainTextEdit>("edit1000")->toPlainText(), QStringLiteral("x^2-t"));
}

void MainWindowTest::notTwoLettersShowsTheErrorDialog_data() {
    QTest::addColumn<QString>("polynomial");
    QTest::newRow("one letter") << QStringLiteral("x^2+1");
    QTest::newRow("empty") << QString();
    QTest::newRow("a number") << QStringLiteral("3+2i");
}

void MainWindowTest::notTwoLettersShowsTheErrorDialog() {
    QFETCH(QString, polynomial);
    DialogAnswerer answerer(QStringLiteral("Continue anyway"));
    typePolynomial(polynomial);
    pressGo();

    QCOMPARE(answerer.seen.size(), size_t{1});
    const auto &seen = answerer.seen[0];
    QCOMPARE(seen.title, QStringLiteral("Error messages"));
    QCOMPARE(seen.edits, (QStringList{QStringLiteral("It is not a polynomial with 2 variables."),
                                      QStringLiteral("You may not quit. Please re-input the polynomial")}));
    QCOMPARE(session->state.stage, stageNothing);
    QVERIFY(control<QPlainTextEdit>("edit1029")->toPlainText().isEmpty());
    QCOMPARE(control<QListWidget>("list1035")->count(), 0);
    QCOMPARE(control<QListWidget>("list1039")->count(), 0);
}

void MainWindowTest::editingAfterGoEmptiesTheOutputs() {
    typePolynomial(QStringLiteral("x^2-t"));
    pressGo();
    const Complex base = session->state.basePoint;

    QTest::keyClick(control<QPlainTextEdit>("edit1000"), Qt::Key_Backspace);
    QCOMPARE(session->state.stage, stageNothing);
    QVERIFY(control<QPlainTextEdit>("edit1029")->toPlainText().isEmpty());
    QCOMPARE(control<QListWidget>("list1035")->count(), 0);
    QCOMPARE(control<QListWidget>("list1039")->count(), 0);
    QVERIFY(control<QLineEdit>("edit1036")->text().isEmpty());
    QVERIFY(!control<QCheckBox>("check1044")->isChecked());
    // The letters stay settled.
    QCOMPARE(control<QLineEdit>("edit1009")->text(), QStringLiteral("x"));

    // The next "Go" recomputes everything over the same base point.
    QTest::keyClicks(control<QPlainTextEdit>("edit1000"), QStringLiteral("t-1"));
    QCOMPARE(control<QPlainTextEdit>("edit1000")->toPlainText(), QStringLiteral("x^2-t-1"));
    pressGo();
    QCOMPARE(session->state.stage, stageFiber);
    QCOMPARE(session->state.basePoint.re, base.re);
    QCOMPARE(session->state.basePoint.im, base.im);
    QCOMPARE(lines("list1035"), QStringList{QStringLiteral("-1.000000+0.000000i")});
    QCOMPARE(control<QListWidget>("list1039")->count(), 2);
}

void MainWindowTest::clearAllEmptiesTheForm() {
    typePolynomial(QStringLiteral("x^2-t"));
    QTest::keyClicks(control<QLineEdit>("edit1002"), QStringLiteral("-mine"));
    pressGo();
    QCOMPARE(session->state.documentName, std::string("untitled-mine"));

    QTest::mouseClick(button(1059), Qt::LeftButton);
    QCOMPARE(session->state.stage, stageNothing);
    QCOMPARE(control<QLineEdit>("edit1002")->text(), QStringLiteral("untitled"));
    QCOMPARE(control<QLineEdit>("edit1009")->text(), QStringLiteral("?"));
    QCOMPARE(control<QLineEdit>("edit1010")->text(), QStringLiteral("?"));
    QVERIFY(control<QPlainTextEdit>("edit1000")->toPlainText().isEmpty());
    QVERIFY(control<QPlainTextEdit>("edit1029")->toPlainText().isEmpty());
    QVERIFY(control<QLineEdit>("edit1036")->text().isEmpty());
    QCOMPARE(control<QListWidget>("list1035")->count(), 0);
    QCOMPARE(control<QListWidget>("list1039")->count(), 0);
    QVERIFY(control<QCheckBox>("check1044")->isChecked());
    // The document keeps its name until the next "Go".
    QCOMPARE(session->state.documentName, std::string("untitled-mine"));
}

void MainWindowTest::typedBasePointIsUsedByRecalculate() {
    typePolynomial(QStringLiteral("x^2-t"));
    pressGo();
    auto *base = control<QLineEdit>("edit1036");
    base->setFocus();
    base->selectAll();
    QTest::keyClicks(base, QStringLiteral("4+0i"));
    QVERIFY(!control<QCheckBox>("check1044")->isChecked());

    QTest::mouseClick(button(1045), Qt::LeftButton);
    QCOMPARE(base->text(), QStringLiteral("+4.000000+0.000000i"));
    QVERIFY(control<QCheckBox>("check1044")->isChecked());
    const QStringList fiber = lines("list1039");
    QCOMPARE(fiber.size(), 2);
    QVERIFY(fiber[0].startsWith(QStringLiteral("1: +2.000000")));
    QVERIFY(fiber[1].startsWith(QStringLiteral("2: -2.000000")));

    // Checking "Fix base point" by hand keeps the fiber on the next
    // Re-calculate.
    QTest::keyClicks(base, QStringLiteral("9"));
    QVERIFY(!control<QCheckBox>("check1044")->isChecked());
    QTest::mouseClick(control<QCheckBox>("check1044"), Qt::LeftButton);
    QVERIFY(session->form.fixBasePoint);
    QTest::mouseClick(button(1045), Qt::LeftButton);
    QCOMPARE(lines("list1039"), fiber);
}

void MainWindowTest::dontCheckTogglesItself() {
    auto *box = control<QCheckBox>("check1016");
    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(session->state.dontCheckBranchPoint, int16_t{0});
    QVERIFY(!box->isChecked());
    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(session->state.dontCheckBranchPoint, int16_t{1});
    QVERIFY(box->isChecked());
}

void MainWindowTest::fieldsNeverOverflow_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("limit");
    QTest::newRow("polynomial") << QStringLiteral("edit1000") << 1023;
    QTest::newRow("name") << QStringLiteral("edit1002") << 127;
    QTest::newRow("base point") << QStringLiteral("edit1036") << 255;
}

void MainWindowTest::fieldsNeverOverflow() {
    QFETCH(QString, field);
    QFETCH(int, limit);
    // A long paste whose two-byte character straddles the limit: the text
    // is cut before it, never through it. The polynomial is never cut into
    // another curve: the paste is refused with a message and the field
    // keeps what it held.
    const bool refused = field == QStringLiteral("edit1000");
    DialogAnswerer answerer(QStringLiteral("Continue anyway"));
    const QString pasted = QString(limit - 1, QLatin1Char('x')) + QStringLiteral("\u00e9") +
                           QString(3000, QLatin1Char('y'));
    QApplication::clipboard()->setText(pasted);
    QWidget *w = window->findChild<QWidget *>(field);
    QVERIFY(w);
    w->setFocus();
    QString shown;
    if (auto *line = qobject_cast<QLineEdit *>(w)) {
        line->selectAll();
        line->paste();
        shown = line->text();
    } else {
        auto *box = qobject_cast<QPlainTextEdit *>(w);
        box->selectAll();
        box->paste();
        shown = box->toPlainText();
    }
    const std::string stored = field == QStringLiteral("edit1000")   ? session->form.polynomial
                               : field == QStringLiteral("edit1002") ? session->form.name
                                                                     : session->form.basePoint;
    QCOMPARE(stored, refused ? std::string() : std::string(size_t(limit - 1), 'x'));
    QCOMPARE(shown, refused ? QString() : QString(limit - 1, QLatin1Char('x')));
    QCOMPARE(answerer.seen.size(), size_t{refused ? 1u : 0u});
}

void MainWindowTest::pastedLineBreaksBecomeSpaces() {
    auto *box = control<QPlainTextEdit>("edit1000");
    box->setFocus();
    QApplication::clipboard()->setText(QStringLiteral("x^2\r\n-t\n+1"));
    box->paste();
    QCOMPARE(session->form.polynomial, std::string("x^2 -t +1"));
    pressGo();
    QCOMPARE(session->state.stage, stageFiber);
}

namespace {

QString readFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromLatin1(file.readAll());
}

}  // namespace

void MainWindowTest::aReadOnlyFileIsReplacedOnlyWhenTheUserSaysSo() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kept.qpf"));
    window->setFileChooser([&](FileAction, const QString &) { return path; });
    typePolynomial(QStringLiteral("x^2-t"));
    pressGo();
    const auto writable = QFileDevice::WriteOwner | QFileDevice::WriteGroup |
                          QFileDevice::WriteOther;
    for (const QString &answer : {QStringLiteral("Cancel"), QStringLiteral("Replace")}) {
        QFile::remove(path);
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        DialogAnswerer answerer(answer);
        QTest::mouseClick(button(1060), Qt::LeftButton);
        QCOMPARE(answerer.seen.size(), size_t{1});  // the question, and no error after it
        QCOMPARE(readFile(path) == QStringLiteral("old"), answer == QStringLiteral("Cancel"));
        QCOMPARE(QFile::permissions(path) & writable, QFileDevice::Permissions());
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}

void MainWindowTest::saveThenLoadThroughTheWindow() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("square.qpf"));
    QStringList offered;
    window->setFileChooser([&](FileAction, const QString &initialName) {
        offered << initialName;
        return path;
    });
    typePolynomial(QStringLiteral("x^2-t"));
    pressGo();
    QTest::mouseClick(button(1060), Qt::LeftButton);
    QCOMPARE(offered, QStringList{QStringLiteral("untitled")});
    QCOMPARE(session->state.documentName, std::string("square.qpf"));
    const QString saved = readFile(path);
    QVERIFY2(saved.startsWith(QStringLiteral("*polynomial\r\nx^2-t\r\n")), qPrintable(saved));
    QVERIFY(saved.contains(QStringLiteral("*fiberonbasepoint\r\n")));

    const QStringList fiberBefore = lines("list1039");
    QTest::mouseClick(button(1059), Qt::LeftButton);
    QCOMPARE(control<QListWidget>("list1039")->count(), 0);

    DialogAnswerer answerer(QStringLiteral("Yes"));
    QTest::mouseClick(button(1007), Qt::LeftButton);
    QVERIFY(answerer.seen.empty());  // the window's save writes no traces
    QCOMPARE(offered.size(), 2);
    QCOMPARE(offered[1], QStringLiteral("square.qpf"));
    QCOMPARE(session->state.stage, stageFiber);
    QCOMPARE(control<QPlainTextEdit>("edit1000")->toPlainText(), QStringLiteral("x^2-t"));
    QCOMPARE(control<QPlainTextEdit>("edit1029")->toPlainText(), QStringLiteral("+t"));
    QCOMPARE(lines("list1035"), QStringList{QStringLiteral("+0.000000+0.000000i")});
    QCOMPARE(control<QLineEdit>("edit1036")->text(), QStringLiteral("+0.500000+0.000000i"));
    QVERIFY(control<QCheckBox>("check1044")->isChecked());
    QCOMPARE(lines("list1039"), fiberBefore);
    // The load does not write the name field.
    QCOMPARE(control<QLineEdit>("edit1002")->text(), QStringLiteral("untitled"));
}

void MainWindowTest::cancelledFileDialogChangesNothing() {
    QTemporaryDir dir;
    window->setFileChooser([](FileAction, const QString &) { return QString(); });
    typePolynomial(QStringLiteral("x^2-t"));
    pressGo();
    QTest::mouseClick(button(1060), Qt::LeftButton);
    QTest::mouseClick(button(1007), Qt::LeftButton);
    QCOMPARE(session->state.documentName, std::string("untitled"));
    QCOMPARE(session->state.stage, stageFiber);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 0);
}

void MainWindowTest::loadAsksBeforeLoadingTraces_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("tracesLoaded");
    QTest::newRow("Yes") << QStringLiteral("Yes") << true;
    QTest::newRow("No") << QStringLiteral("No") << false;
}

void MainWindowTest::loadAsksBeforeLoadingTraces() {
    QFETCH(QString, answer);
    QFETCH(bool, tracesLoaded);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("traced.qpf"));
    typePolynomial(QStringLiteral("x^2-t"));
    pressGo();
    // A three-step run over the fiber, saved with the document.
    for (int step = 1; step < 3; ++step) {
        session->traces.appendParameter(session->tracePool, session->state.basePoint);
        session->traces.appendSolutionStep(session->tracePool, session->state.fiber.get());
    }
    session->traces.traceStepCount = 3;
    QVERIFY(saveDocumentWithTraces(*session, path.toStdString()));
    QTest::mouseClick(button(1059), Qt::LeftButton);

    window->setFileChooser([&](FileAction, const QString &) { return path; });
    DialogAnswerer answerer(answer);
    QTest::mouseClick(button(1007), Qt::LeftButton);
    QCOMPARE(answerer.seen.size(), size_t{1});
    const auto &seen = answerer.seen[0];
    QCOMPARE(seen.title, QStringLiteral("Notice"));
    QCOMPARE(seen.labels, QStringList{QStringLiteral(
                              "This file contains data of traces of solutions when the parameter "
                              "moves.  Do you load the traces data?")});
    QCOMPARE(seen.buttons, (QStringList{QStringLiteral("Yes"), QStringLiteral("No")}));
    QCOMPARE(session->state.stage, stageFiber);
    // Without the traces the load leaves those of a fresh fiber: one step.
    QCOMPARE(session->traces.traceStepCount, tracesLoaded ? 3 : 1);
    QCOMPARE(countRecords(session->traces.parameterTrace), tracesLoaded ? 3 : 1);
    QCOMPARE(session->parameterSpace.pathDisplay, tracesLoaded ? pathDisplayNone : pathDisplayAuto);
}

void MainWindowTest::planeWindowsOpenOnceAndCloseTogether() {
    const auto windowsTitled = [](const QString &title) {
        int n = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == title) ++n;
        return n;
    };
    QTest::mouseClick(button(1037), Qt::LeftButton);
    QTest::mouseClick(button(1037), Qt::LeftButton);
    QCOMPARE(windowsTitled(QStringLiteral("Parameter Space")), 1);
    QCOMPARE(windowsTitled(QStringLiteral("Solution Space")), 1);
    QCOMPARE(session->state.parameterViewOpen, int16_t{1});
    QCOMPARE(session->state.solutionViewOpen, int16_t{1});
    QPointer<QWidget> parameter = window->planeWindows().parameterSpace();
    QPointer<QWidget> solution = window->planeWindows().solutionSpace();

    // Closing one closes both.
    QVERIFY(solution->close());
    QCOMPARE(session->state.parameterViewOpen, int16_t{0});
    QCOMPARE(session->state.solutionViewOpen, int16_t{0});
    QTRY_VERIFY(parameter.isNull() && solution.isNull());
    QCOMPARE(windowsTitled(QStringLiteral("Parameter Space")), 0);

    // And they open again.
    QTest::mouseClick(button(1037), Qt::LeftButton);
    QCOMPARE(windowsTitled(QStringLiteral("Parameter Space")), 1);
    QCOMPARE(windowsTitled(QStringLiteral("Solution Space")), 1);
}

void MainWindowTest::otherWindowsStayUsableWhileTheWindowRuns() {
    window->hide();
    bool clicked = false;
    QTimer::singleShot(0, [&] {
        // A modeless window beside the running main window takes clicks.
        QPushButton beside(QStringLiteral("beside"));
        QObject::connect(&beside, &QPushButton::clicked, [&] { clicked = true; });
        beside.show();
        // Clicked through its window, as the window system delivers it, so
        // a modal window that blocked it would swallow the click.
        if (QTest::qWaitForWindowExposed(&beside))
            QTest::mouseClick(beside.windowHandle(), Qt::LeftButton, {}, beside.rect().center());
        button(2)->click();
    });
    QCOMPARE(window->run(), int(QDialog::Rejected));
    QVERIFY(clicked);
}

void MainWindowTest::quitAndHiddenOkCloseTheWindow_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("result");
    QTest::newRow("Quit") << 2 << int(QDialog::Rejected);
    QTest::newRow("hidden Ok") << 1 << int(QDialog::Accepted);
}

void MainWindowTest::quitAndHiddenOkCloseTheWindow() {
    QFETCH(int, id);
    QFETCH(int, result);
    window->hide();
    QVERIFY(!button(1)->isVisible());
    QTimer::singleShot(0, [&] { button(id)->click(); });
    QCOMPARE(window->run(), result);
    QVERIFY(!window->isVisible());
}

void MainWindowTest::aboutFromTheContextMenu() {
    QAction *about = nullptr;
    for (QAction *a : window->actions())
        if (a->text() == QStringLiteral("Quorvel のﾊﾞｰｼﾞｮﾝ情報(&A)...")) about = a;
    QVERIFY(about);
    QCOMPARE(window->contextMenuPolicy(), Qt::ActionsContextMenu);

    DialogAnswerer answerer(QStringLiteral("OK"));
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(answerer.seen.size(), size_t{1});
    QCOMPARE(answerer.seen[0].title, QStringLiteral("Quorvelのﾊﾞｰｼﾞｮﾝ情報"));
    QVERIFY(answerer.seen[0].labels.contains(QStringLiteral("Quorvel Version " QUORVEL_VERSION)));
}

void MainWindowTest::helpOpensAtTheFirstTopic() {
    QTest::mouseClick(button(1008), Qt::LeftButton);
    HelpWindow *help = window->helpWindow();
    QVERIFY(help && help->isVisible());
    QCOMPARE(help->browser()->source(), helpHome());
    QVERIFY(help->browser()->toPlainText().contains(QStringLiteral("Quorvel")));
    // Pressing it again reuses the window.
    QTest::mouseClick(button(1008), Qt::LeftButton);
    QCOMPARE(window->helpWindow(), help);
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
