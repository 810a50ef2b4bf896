// "Trace all loops" in the Parameter Space window: offered once there are
// loops, it traces each in turn with a progress bar and ends in a dialog
// with the group and a table of the loops.
#include <QMenu>
#include <QProgressBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

#include "pipeline/session.h"
#include "pipeline/tracer.h"
#include "views/headless/plane_commands.h"
#include "views/windows/braid_info_dialog.h"
#include "views/windows/monodromy_group_dialog.h"
#include "views/windows/parameter_space_window.h"

namespace {

using namespace quorvel;

class AllLoopsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void tracesEveryLoopAndShowsTheGroup();
    void certifyProvesEachLoopAndTheDialogsSaySo();
};

void AllLoopsWindowTest::tracesEveryLoopAndShowsTheGroup() {
    Session session;
    ParameterSpaceWindow window(session);
    window.show();
    QAction *item = window.action(psw::traceAllLoops);
    QVERIFY(item);
    window.createPopup()->deleteLater();  // refreshes the menu state
    QVERIFY(!item->isEnabled());          // nothing to trace before "Go"

    session.typePolynomial(QStringLiteral("x^3+t^3-1").toStdString());
    QVERIFY(session.runPipeline());
    window.createPopup()->deleteLater();
    QVERIFY(item->isEnabled());
    item->trigger();
    QVERIFY(window.allLoopsRunning());
    auto *progress = window.findChild<QProgressBar *>(QStringLiteral("allLoopsProgress"));
    QVERIFY(progress && progress->isVisible());
    int ticks = 0;
    while (window.allLoopsTick()) QVERIFY(++ticks < 100000);
    QVERIFY(!progress->isVisible());

    MonodromyGroupDialog *dialog = window.groupDialog();
    QVERIFY(dialog && dialog->isVisible());
    const QString summary = dialog->summaryText();
    QVERIFY2(summary.contains(QStringLiteral("Order 3, transitive")), qPrintable(summary));
    QVERIFY2(summary.contains(QStringLiteral("Genus (Riemann-Hurwitz): 1")), qPrintable(summary));
    QVERIFY2(summary.contains(QStringLiteral("Product check")), qPrintable(summary));
    // Three cusps and the loop around all of them, that one last.
    const QTableWidget *table = dialog->table();
    QCOMPARE(table->rowCount(), 4);
    QCOMPARE(table->item(3, 0)->text(), QStringLiteral("inf"));
    for (int row = 0; row < 3; ++row)
        QVERIFY2(table->item(row, 2)->text().contains(QStringLiteral("->")), qPrintable(table->item(row, 2)->text()));
    // Every loop says what its checks found.
    for (int row = 0; row < 4; ++row)
        QVERIFY2(table->item(row, 4)->text().startsWith(QStringLiteral("verified")),
                 qPrintable(table->item(row, 4)->text()));
    // The fundamental group comes when its tab is shown: the Fermat
    // cubic's complement has the group Z, checked against its one component.
    QTabWidget *tabs = dialog->tabs();
    QCOMPARE(tabs->tabText(1), QStringLiteral("Fundamental group"));
    tabs->setCurrentIndex(1);
    const QString group = dialog->fundamentalGroupText();
    QVERIFY2(group.contains(QString::fromUtf8("Simplified (GAP): \u27e8 g1 \u27e9")), qPrintable(group));
    QVERIFY2(group.contains(QStringLiteral("1 irreducible component: checked")), qPrintable(group));
}

// Mode > Certify: a loop that ends is proven a slice per tick with a
// progress bar (Cancel leaves it unproven); Braid Information and the group
// window say whether what they show is proven.
void AllLoopsWindowTest::certifyProvesEachLoopAndTheDialogsSaySo() {
    Session session;
    ParameterSpaceWindow window(session);
    window.show();
    session.typePolynomial(QStringLiteral("x^3+t*x+t^2-1").toStdString());
    QVERIFY(session.runPipeline());
    window.action(psw::certify)->trigger();
    QVERIFY(session.parameterSpace.certify);
    auto *progress = window.findChild<QProgressBar *>(QStringLiteral("certifyProgress"));
    for (const bool cancel : {true, false}) {
        QVERIFY(startAutoLoop(session, 0));
        for (int k = 0; k < 100000 && session.parameterSpace.timerRunning; ++k) window.tick();
        progress = window.findChild<QProgressBar *>(QStringLiteral("certifyProgress"));
        QVERIFY(progress && progress->isVisible());
        if (cancel) {
            window.cancelCertifying();
            QCOMPARE(session.run.certification.status, int(CertificationState::cancelled));
            continue;
        }
        while (window.certifyTick()) {
        }
        QVERIFY(!progress->isVisible());
    }
    QCOMPARE(session.run.certification.status, int(CertificationState::proven));
    BraidInfoDialog *info = openBraidInfo(session, tracePermutation(session));
    QVERIFY(info);
    QVERIFY2(info->certificationText().startsWith(QStringLiteral("CERTIFIED")), qPrintable(info->certificationText()));
    info->close();

    window.createPopup()->deleteLater();  // refreshes the menu state
    window.action(psw::traceAllLoops)->trigger();
    QVERIFY(window.allLoopsRunning());
    while (window.allLoopsTick()) {
    }
    QVERIFY(window.groupDialog());
    const QString summary = window.groupDialog()->summaryText();
    QVERIFY2(summary.contains(QStringLiteral("CERTIFIED: every loop")), qPrintable(summary));
}

}  // namespace

QTEST_MAIN(AllLoopsWindowTest)
#include "all_loops_window_test.moc"
