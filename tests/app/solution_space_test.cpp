// The "Solution Space" window: what it draws for the recorded steps, its
// modes, the strip buttons, picking a solution, the hand tool and its life
// beside the Parameter Space window.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QRegularExpression>
#include <QToolButton>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "views/dialogs/plane_windows.h"
#include "views/dialogs/solution_info_dialog.h"
#include "engine/error.h"
#include "engine/points.h"
#include "pipeline/session.h"
#include "pipeline/tracer.h"
#include "views/windows/braid_info_dialog.h"
#include "views/windows/solution_colours.h"
#include "views/windows/solution_space_renderer.h"
#include "views/windows/solution_space_window.h"

using namespace quorvel;

Q_DECLARE_METATYPE(std::vector<int>)

namespace {

PointList pointList(const std::vector<Complex> &values) {
    PointList list = nullptr;
    for (const Complex &v : values) appendPoint(list, v);
    numberPoints(list, 0);
    return list;
}

// Gives the session a fiber (the points of the first step, named "1", "2",
// ...) and a solution trace of the steps.
void setTrace(Session &session, const std::vector<std::vector<Complex>> &steps, int16_t state) {
    session.state.fiber.reset(pointList(steps.front()));
    session.nameFiberPoints();
    session.traces.resetSolutionTrace(session.tracePool, session.state.fiber.get());
    for (size_t k = 1; k < steps.size(); ++k) {
        OwnedPolynomial step(pointList(steps[k]));
        session.traces.appendSolutionStep(session.tracePool, step.get());
    }
    session.traces.traceStepCount = static_cast<int32_t>(steps.size());
    session.traces.tracingState = state;
}

// A 400 x 390 client: the plane is 400 x 330 from row 30, at 100 pixels per
// unit centred on 0, so (x, y) lies at pixel (200 + 100 x, 195 - 100 y).
SolutionSpaceLook standardLook() {
    SolutionSpaceLook look;
    look.view.resize(400, 390);
    return look;
}

QImage render(const Session &session, const SolutionSpaceLook &look) {
    QImage image(look.view.planeRect.right, look.view.planeRect.bottom + stripHeight,
                 QImage::Format_RGB32);
    image.fill(Qt::gray);
    QPainter painter(&image);
    const SolutionSpaceRenderer renderer(session, look);
    renderer.paintPlane(painter);
    renderer.paintStrips(painter);
    return image;
}

bool anyDark(const QImage &image, const QRect &box) {
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (qGray(image.pixel(x, y)) < 60) return true;
    return false;
}

void closeSolutionInfo() {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<SolutionInfoDialog *>(w)) d->close();
    QTRY_VERIFY(!solutionInfoOpen());
}

// Traces the loop around the branch locus at `locus` to its end.
bool traceLoop(Session &session, const char *polynomial, Complex locus) {
    session.typePolynomial(polynomial);
    if (!session.runPipeline()) return false;
    if (!startAutoLoop(session, loopIndexAt(session, locus, false))) return false;
    for (int ticks = 0; session.parameterSpace.timerRunning && ticks < 100000; ++ticks)
        timerTick(session);
    return session.traces.tracingState == tracingFinished;
}

}  // namespace

class SolutionSpaceTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void solutionsTakeColourKMod7();
    void shownStepsFollowModeAndReplay_data();
    void shownStepsFollowModeAndReplay();
    void stripShowsTheStateAndTheCorners();

    void nameOnIsCheckedWhileNamesAreShown();
    void traceModeFromMenuPopupAndStrip();
    void clickPicksWithinTenPixels_data();
    void clickPicksWithinTenPixels();
    void renamingRepaintsTheName();
    void braidButtonAfterAFinishedLoop();
    void warningButtonExplainsARelaxedTrace();
    void handToolDragsThePlane();
    void displayAllFitsEveryRecordedPosition();
    void closingClosesBothAndTheViewIsKept();
    void updatingTheWindowRepaintsThePlane();
    void aWindowLargerThanTheCanvasIsDrawnWhole();
    void namesNeitherHideMarksNorOneAnother();
};

void SolutionSpaceTest::cleanup() {
    closeSolutionInfo();
    if (BraidInfoDialog *d = openBraidInfoDialog()) d->close();
}

void SolutionSpaceTest::solutionsTakeColourKMod7() {
    Session session;
    std::vector<Complex> points;
    for (int k = 0; k < 8; ++k) points.emplace_back(-1.75 + 0.5 * k, 0.5);
    setTrace(session, {points}, tracingFinished);
    session.state.setReplay(1, 0, 0, 0);
    SolutionSpaceLook look = standardLook();
    look.nameMode = 0;
    const QImage image = render(session, look);
    for (int k = 0; k < 8; ++k) {
        const int px = 25 + 50 * k;
        const int py = 145;
        QCOMPARE(image.pixelColor(px, py), solutionColour(k % 7));
        QCOMPARE(image.pixelColor(px - 2, py + 1), solutionColour(k % 7));
        // Outlined with the grid pen, 7 pixels across.
        QCOMPARE(image.pixelColor(px, py - 3), gridColour());
        QCOMPARE(image.pixelColor(px, py + 3), gridColour());
        QCOMPARE(image.pixelColor(px, py - 5), QColor(Qt::white));
    }
    QCOMPARE(solutionColour(0), QColor(255, 0, 0));
    QCOMPARE(solutionColour(7), QColor(255, 0, 0));
    QCOMPARE(solutionColour(6), QColor(128, 128, 128));
}

void SolutionSpaceTest::shownStepsFollowModeAndReplay_data() {
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("traceMode");
    QTest::addColumn<int>("replay");  // 0 none, 1 at start, 2 playing, 3 paused, 4 at end
    QTest::addColumn<int>("replayIndex");
    QTest::addColumn<std::vector<int>>("shown");
    QTest::addColumn<int>("named");

    const std::vector<int> all = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    QTest::newRow("before any trace nothing") << 10 << 0 << 1 << 4 << 0 << std::vector<int>{} << -1;
    QTest::newRow("tracing: a tail of three") << 10 << 1 << 0 << 2 << 0 << std::vector<int>{7, 8, 9} << 9;
    QTest::newRow("tracing, two steps so far") << 2 << 1 << 0 << 2 << 0 << std::vector<int>{0, 1} << 1;
    QTest::newRow("tracing in trace mode: all") << 10 << 1 << 1 << 2 << 0 << all << 9;
    QTest::newRow("trace mode after the trace") << 10 << 2 << 1 << 1 << 0 << all << 9;
    QTest::newRow("replay at start") << 10 << 2 << 0 << 1 << 0 << std::vector<int>{0} << 0;
    QTest::newRow("replay playing") << 10 << 2 << 0 << 2 << 5 << std::vector<int>{3, 4, 5} << 5;
    QTest::newRow("replay paused") << 10 << 2 << 0 << 3 << 6 << std::vector<int>{4, 5, 6} << 6;
    QTest::newRow("replay in trace mode grows the traces")
        << 10 << 2 << 1 << 3 << 4 << std::vector<int>{0, 1, 2, 3, 4} << 4;
    QTest::newRow("replay at end") << 10 << 2 << 0 << 4 << 3 << std::vector<int>{9} << 9;
    QTest::newRow("no replay flag") << 10 << 2 << 0 << 0 << 3 << std::vector<int>{} << -1;
}

void SolutionSpaceTest::shownStepsFollowModeAndReplay() {
    QFETCH(int, steps);
    QFETCH(int, state);
    QFETCH(int, traceMode);
    QFETCH(int, replay);
    QFETCH(int, replayIndex);
    QFETCH(std::vector<int>, shown);
    QFETCH(int, named);

    // One point walking right in quarter units: step k at pixel 25 + 25 k.
    Session session;
    std::vector<std::vector<Complex>> trace;
    for (int k = 0; k < steps; ++k) trace.push_back({Complex(-1.75 + 0.25 * k, 0.0)});
    setTrace(session, trace, static_cast<int16_t>(state));
    session.state.setReplay(replay == 1, replay == 2, replay == 3, replay == 4);
    session.state.replayIndex = replayIndex;
    SolutionSpaceLook look = standardLook();
    look.traceMode = static_cast<int16_t>(traceMode);
    const QImage image = render(session, look);

    for (int k = 0; k < steps; ++k) {
        const int px = 25 + 25 * k;
        const bool expected = std::find(shown.begin(), shown.end(), k) != shown.end() || k == named;
        QCOMPARE(image.pixelColor(px - 1, 194) == solutionColour(0), expected);
        // The name "1" is written below and right of the named step only.
        QCOMPARE(anyDark(image, QRect(px + 1, 196, 8, 12)), k == named);
    }
}

void SolutionSpaceTest::stripShowsTheStateAndTheCorners() {
    Session session;
    // Wide enough for the read-out to leave the icons alone.
    SolutionSpaceLook look;
    look.view.resize(500, 390);
    QImage image = render(session, look);
    QCOMPARE(image.copy(120, 0, 30, 30), stripIcon(StripIcon::TraceOff));
    QCOMPARE(image.copy(150, 0, 30, 30), stripIcon(StripIcon::NameOn));
    QCOMPARE(image.copy(180, 0, 45, 30), stripIcon(StripIcon::BraidOff));
    // No empty button stands where the warning comes: one colour there.
    const QImage noWarning = image.copy(225, 0, 30, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) QCOMPARE(noWarning.pixel(x, y), noWarning.pixel(0, 0));
    QVERIFY(stripIcon(StripIcon::BraidOff) != stripIcon(StripIcon::BraidOn));

    session.run.traceFinished = 1;
    session.run.relaxedMode = 1;
    look.traceMode = 1;
    look.nameMode = 0;
    image = render(session, look);
    QCOMPARE(image.copy(120, 0, 30, 30), stripIcon(StripIcon::TraceOn));
    QCOMPARE(image.copy(150, 0, 30, 30), stripIcon(StripIcon::NameOff));
    QCOMPARE(image.copy(180, 0, 45, 30), stripIcon(StripIcon::BraidOn));
    QCOMPARE(image.copy(225, 0, 30, 30), stripIcon(StripIcon::WarningOn));
    // The strips are white beside the icons and hold the two read-outs.
    QCOMPARE(image.pixelColor(256, 2), QColor(Qt::white));
    QCOMPARE(image.pixelColor(349, 2), QColor(Qt::white));
    QCOMPARE(image.pixelColor(499, 365), QColor(Qt::white));
    QVERIFY(!anyDark(image, QRect(255, 0, 95, 30)));
    QVERIFY(anyDark(image, QRect(350, 0, 150, 30)));
    QVERIFY(anyDark(image, QRect(0, 360, 150, 30)));
}

void SolutionSpaceTest::nameOnIsCheckedWhileNamesAreShown() {
    Session session;
    setTrace(session, {{Complex(0.5, 0.5)}}, tracingFinished);
    session.state.setReplay(1, 0, 0, 0);
    SolutionSpaceWindow window(session, nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const auto nameShown = [&] {
        const QPoint p = [&] {
            const PixelPoint s = window.look().view.toScreen(0.5, 0.5);
            return QPoint(s.x, s.y);
        }();
        return anyDark(window.client()->grab().toImage(), QRect(p + QPoint(1, 1), QSize(8, 12)));
    };
    QAction *nameOn = window.menuCommand(commandNameOn);
    QCOMPARE(nameOn->text(), QStringLiteral("&Name On"));
    QVERIFY(nameOn->isChecked());
    QVERIFY(nameShown());

    nameOn->trigger();
    QCOMPARE(window.look().nameMode, int16_t{0});
    QVERIFY(!nameOn->isChecked());
    QVERIFY(!nameShown());

    nameOn->trigger();
    QCOMPARE(window.look().nameMode, int16_t{1});
    QVERIFY(nameOn->isChecked());
    QVERIFY(nameShown());

    // The strip's name button is the same command.
    QTest::mouseClick(window.client(), Qt::LeftButton, {}, QPoint(165, 15));
    QCOMPARE(window.look().nameMode, int16_t{0});
    QVERIFY(!nameOn->isChecked());
    QVERIFY(!nameShown());
}

void SolutionSpaceTest::traceModeFromMenuPopupAndStrip() {
    Session session;
    SolutionSpaceWindow window(session, nullptr);
    QAction *traceMode = window.menuCommand(commandTraceMode);
    QCOMPARE(traceMode->text(), QStringLiteral("&Trace Mode"));
    QVERIFY(!traceMode->isChecked());
    traceMode->trigger();
    QCOMPARE(window.look().traceMode, int16_t{1});
    QVERIFY(traceMode->isChecked());

    // The popup lists the navigation with Right before Left, then the modes.
    QStringList texts;
    for (QAction *a : window.popupMenu()->actions()) texts << a->text();
    QCOMPARE(texts, (QStringList{
                        QStringLiteral("Zoom &In \t(Ctrl + U)"), QStringLiteral("Zoom &Out \t(Ctrl + O)"),
                        QStringLiteral("&Up \t(Ctrl + I)"), QStringLiteral("&Down \t(Ctrl + K)"),
                        QStringLiteral("&Right \t(Ctrl + L)"), QStringLiteral("&Left \t(Ctrl + J)"),
                        QString(), QStringLiteral("&TraceMode \t(Ctrl + T)"),
                        QStringLiteral("&NameMode \t(Ctrl + N)")}));
    window.popupMenu()->actions().at(7)->trigger();
    QCOMPARE(window.look().traceMode, int16_t{0});
    QVERIFY(!traceMode->isChecked());

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(window.client(), Qt::LeftButton, {}, QPoint(135, 15));
    QCOMPARE(window.look().traceMode, int16_t{1});
    QVERIFY(traceMode->isChecked());
    // Below the strip the same place is no button.
    QTest::mouseClick(window.client(), Qt::LeftButton, {}, QPoint(135, 30));
    QCOMPARE(window.look().traceMode, int16_t{1});
}

void SolutionSpaceTest::clickPicksWithinTenPixels_data() {
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<bool>("handTool");
    QTest::addColumn<bool>("opens");
    QTest::newRow("9 pixels right") << QPoint(9, 0) << false << true;
    QTest::newRow("10 pixels right") << QPoint(10, 0) << false << false;
    QTest::newRow("9 pixels up") << QPoint(0, -9) << false << true;
    QTest::newRow("10 pixels down") << QPoint(0, 10) << false << false;
    QTest::newRow("on the point with the hand tool") << QPoint(0, 0) << true << false;
}

void SolutionSpaceTest::clickPicksWithinTenPixels() {
    QFETCH(QPoint, offset);
    QFETCH(bool, handTool);
    QFETCH(bool, opens);

    Session session;
    setTrace(session, {{Complex(0, 0), Complex(1, 1)}}, tracingFinished);
    session.state.setReplay(1, 0, 0, 0);
    SolutionSpaceWindow window(session, nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // 128 pixels per unit: pixels and world distances convert exactly.
    PlaneView &view = window.look().view;
    view.scale = 128.0;
    view.setView(0.0, 0.0);
    const QPoint at(200, 150);
    TraceRecord *second = session.traces.solutionTrace->next;
    second->value = view.toWorld(at.x(), at.y());
    if (handTool) QTest::mouseClick(window.toolButton(buttonHand), Qt::LeftButton);

    QTest::mouseClick(window.client(), Qt::LeftButton, {}, at + offset);
    QCOMPARE(solutionInfoOpen(), opens);
    if (!opens) return;
    SolutionInfoDialog *dialog = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<SolutionInfoDialog *>(w)) dialog = d;
    QVERIFY(dialog);
    QCOMPARE(dialog->findChild<QLineEdit *>(QStringLiteral("edit1064"))->text(), QStringLiteral("2"));
    // A second click while it is open opens no second dialog.
    QTest::mouseClick(window.client(), Qt::LeftButton, {}, at);
    int dialogs = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<SolutionInfoDialog *>(w) && w->isVisible()) ++dialogs;
    QCOMPARE(dialogs, 1);
}

void SolutionSpaceTest::renamingRepaintsTheName() {
    Session session;
    setTrace(session, {{Complex(0.5, 0.5)}}, tracingFinished);
    session.state.setReplay(1, 0, 0, 0);
    SolutionSpaceWindow window(session, nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const PixelPoint p = window.look().view.toScreen(0.5, 0.5);
    const QRect nameBox(p.x + 1, p.y + 1, 14, 12);
    const QImage before = window.client()->grab().toImage().copy(nameBox);
    QTest::mouseClick(window.client(), Qt::LeftButton, {}, QPoint(p.x, p.y));
    QVERIFY(solutionInfoOpen());
    SolutionInfoDialog *dialog = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<SolutionInfoDialog *>(w)) dialog = d;
    dialog->findChild<QLineEdit *>(QStringLiteral("edit1064"))->setText(QStringLiteral("WW"));
    dialog->accept();
    QCOMPARE(std::string(pointName(findByNumber(session.state.fiber.get(), 0))), std::string("WW"));
    QTRY_VERIFY(window.client()->grab().toImage().copy(nameBox) != before);
}

void SolutionSpaceTest::braidButtonAfterAFinishedLoop() {
    Session session;
    SolutionSpaceWindow window(session, nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Before any finished trace the button does nothing.
    QTest::mouseClick(window.client(), Qt::LeftButton, {}, QPoint(200, 15));
    QCOMPARE(openBraidInfoDialog(), nullptr);

    QVERIFY(traceLoop(session, "x^2-t", Complex(0, 0)));
    QCOMPARE(session.run.traceFinished, int16_t{1});
    QTest::mouseClick(window.client(), Qt::LeftButton, {}, QPoint(200, 15));
    QPointer<BraidInfoDialog> dialog = openBraidInfoDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->permutationText(), QStringLiteral("1->2->1,"));
    QVERIFY(QRegularExpression(QStringLiteral("^[+-]1,$")).match(dialog->braidText()).hasMatch());
    // Pressed again, it brings the open dialog forward.
    QTest::mouseClick(window.client(), Qt::LeftButton, {}, QPoint(224, 15));
    QCOMPARE(openBraidInfoDialog(), dialog.data());
    int dialogs = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<BraidInfoDialog *>(w) && w->isVisible()) ++dialogs;
    QCOMPARE(dialogs, 1);
    // Zooming leaves it marked open.
    window.zoomIn();
    QCOMPARE(openBraidInfoDialog(), dialog.data());

    // After the loop the points are shown where they ended, each with its
    // colour: clicking the one labelled "1" (number 0) asks about "1".
    const TraceRecord *last = stepAt(session.traces.solutionTrace, session.traces.traceStepCount - 1);
    const PixelPoint p = window.look().view.toScreen(last->value);
    QTest::mouseClick(window.client(), Qt::LeftButton, {}, QPoint(p.x, p.y));
    QVERIFY(solutionInfoOpen());
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<SolutionInfoDialog *>(w))
            QCOMPARE(d->findChild<QLineEdit *>(QStringLiteral("edit1064"))->text(),
                     QString::number(last->number + 1));
}

void SolutionSpaceTest::warningButtonExplainsARelaxedTrace() {
    std::vector<std::pair<std::string, std::string>> shown;
    ErrorHandler previous = setErrorHandler(
        [&](const std::string &m, const std::string &r) { shown.emplace_back(m, r); });
    Session session;
    SolutionSpaceWindow window(session, nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(window.client(), Qt::LeftButton, {}, QPoint(240, 15));
    QVERIFY(shown.empty());
    session.run.relaxedMode = 1;
    QTest::mouseClick(window.client(), Qt::LeftButton, {}, QPoint(240, 15));
    setErrorHandler(std::move(previous));
    QCOMPARE(shown.size(), size_t{1});
    QCOMPARE(shown[0].first, breakLines("Solutions move illegally. The result may contain error."));
    QCOMPARE(shown[0].second, breakLines("Using manual mode, replace the parameter path."));
}

void SolutionSpaceTest::handToolDragsThePlane() {
    Session session;
    SolutionSpaceWindow window(session, nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(window.toolButton(buttonHand), Qt::LeftButton);
    QVERIFY(window.toolButton(buttonHand)->isChecked());
    QVERIFY(!window.toolButton(buttonDot)->isChecked());
    const Complex before = window.look().view.viewCentre();
    QTest::mousePress(window.client(), Qt::LeftButton, {}, QPoint(100, 100));
    QMouseEvent move(QEvent::MouseMove, QPointF(150, 120), window.client()->mapToGlobal(QPointF(150, 120)),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(window.client(), &move);
    QTest::mouseRelease(window.client(), Qt::LeftButton, {}, QPoint(150, 120));
    const Complex after = window.look().view.viewCentre();
    QVERIFY(std::abs(after.re - (before.re - 0.5)) < 1e-9);
    QVERIFY(std::abs(after.im - (before.im + 0.2)) < 1e-9);

    // With the dot tool the mouse no longer drags.
    QTest::mouseClick(window.toolButton(buttonDot), Qt::LeftButton);
    QVERIFY(!window.toolButton(buttonHand)->isChecked());
    QTest::mousePress(window.client(), Qt::LeftButton, {}, QPoint(100, 100));
    QApplication::sendEvent(window.client(), &move);
    QTest::mouseRelease(window.client(), Qt::LeftButton, {}, QPoint(150, 120));
    QCOMPARE(window.look().view.viewCentre().re, after.re);
}

void SolutionSpaceTest::displayAllFitsEveryRecordedPosition() {
    Session session;
    QVERIFY(traceLoop(session, "x^3-t", Complex(0, 0)));
    SolutionSpaceWindow window(session, nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.zoomIn();
    window.zoomIn();
    window.zoomIn();
    int outside = 0;
    for (const TraceRecord *r = session.traces.solutionTrace; r; r = r->next)
        if (!window.look().view.visible(r->value)) ++outside;
    QVERIFY(outside > 0);
    window.menuCommand(commandDisplayAll)->trigger();
    for (const TraceRecord *r = session.traces.solutionTrace; r; r = r->next)
        QVERIFY(window.look().view.visible(r->value));
}

void SolutionSpaceTest::closingClosesBothAndTheViewIsKept() {
    Session session;
    PlaneWindows windows(session.state);
    installSolutionSpaceWindow(windows, session);
    windows.open();
    QPointer<QWidget> parameter = windows.parameterSpace();
    QPointer<SolutionSpaceWindow> solution = qobject_cast<SolutionSpaceWindow *>(windows.run());
    QVERIFY(solution);
    QCOMPARE(solution->windowTitle(), QStringLiteral("Solution Space"));
    QVERIFY(QTest::qWaitForWindowExposed(solution.data()));
    solution->zoomIn();
    solution->menuCommand(commandTraceMode)->trigger();

    QVERIFY(solution->close());
    QCOMPARE(session.state.solutionViewOpen, int16_t{0});
    QCOMPARE(session.state.parameterViewOpen, int16_t{0});
    QTRY_VERIFY(parameter.isNull() && solution.isNull());

    windows.open();
    auto *again = qobject_cast<SolutionSpaceWindow *>(windows.run());
    QVERIFY(again);
    QVERIFY(QTest::qWaitForWindowExposed(again));
    QCOMPARE(again->look().view.scale, 150.0);
    QCOMPARE(again->look().traceMode, int16_t{1});
    QVERIFY(again->menuCommand(commandTraceMode)->isChecked());
}

namespace {

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

}  // namespace

void SolutionSpaceTest::updatingTheWindowRepaintsThePlane() {
    // The tracer's owners repaint the window as a whole; the plane (a child
    // below the menu bar) must follow.
    Session session;
    SolutionSpaceWindow window(session, nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    PaintCounter counter;
    window.client()->installEventFilter(&counter);
    QApplication::processEvents();
    counter.paints = 0;
    window.update();
    QTRY_VERIFY(counter.paints > 0);
}

void SolutionSpaceTest::aWindowLargerThanTheCanvasIsDrawnWhole() {
    Session session;
    SolutionSpaceWindow window(session, nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.client()->resize(1300, 900);
    QCOMPARE(window.look().view.planeRect.right, 1300);
    const QImage image = window.client()->grab().toImage();
    // Plane beyond 1024 x 768: white, with the grid drawn through it.
    QCOMPARE(image.pixelColor(1290, 850), QColor(Qt::white));
    const int axisRow = window.look().view.toScreen(0.0, 0.0).y;
    QCOMPARE(image.pixelColor(1200, axisRow), axisColour());
}

void SolutionSpaceTest::namesNeitherHideMarksNorOneAnother() {
    // Three points 4 pixels apart on a diagonal: each name would cover the
    // next point's mark and the next name.
    Session session;
    const std::vector<Complex> points = {Complex(0, 0), Complex(0.04, -0.04), Complex(0.08, -0.08)};
    setTrace(session, {points}, tracingFinished);
    session.state.setReplay(1, 0, 0, 0);
    const QImage image = render(session, standardLook());
    for (int k = 0; k < 3; ++k) {
        const int px = 200 + 4 * k, py = 195 + 4 * k;
        QCOMPARE(image.pixelColor(px, py), solutionColour(k));
    }
    // Labels that meet move apart; one alone stays where it is.
    const std::vector<QRect> spread =
        spreadLabels({QRect(0, 0, 10, 12), QRect(4, 4, 10, 12), QRect(8, 8, 10, 12), QRect(40, 0, 10, 12)});
    for (size_t a = 0; a < spread.size(); ++a)
        for (size_t b = a + 1; b < spread.size(); ++b) QVERIFY(!spread[a].intersects(spread[b]));
    QCOMPARE(spread[0], QRect(0, 0, 10, 12));
    QCOMPARE(spread[3], QRect(40, 0, 10, 12));
}

QTEST_MAIN(SolutionSpaceTest)
#include "solution_space_test.moc"
